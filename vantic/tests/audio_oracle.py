#!/usr/bin/env python3
"""Expands the camera's 4-bit step-adaptive audio codes, written from the
table of steps and deltas: one hex string of codes per argument, one hex
string of 8-bit samples per output line."""
import sys


def decode(codes):
    step, sample = 2, 0
    out = bytearray()
    for byte in codes:
        for nibble in (byte >> 4, byte & 15):
            negative = nibble >= 8
            m = 16 - nibble if negative else nibble
            s = step
            if m == 0:
                delta, new = 0, (3 * s) >> 2
            elif m == 1:
                delta, new = s, (3 * s) >> 2
            elif m in (2, 3, 4):
                delta, new = m * s, s
            elif m == 5:
                delta, new = 5 * s + (s >> 1), s + (s >> 2)
            elif m == 6:
                delta, new = (15 * s) >> 1, 2 * s
            elif m == 7:
                delta = (9 * s + (s >> 1)) if negative else (10 * s + (s >> 1))
                new = 2 * s + (s >> 1)
            else:
                delta, new = 12 * s + (s >> 1), 5 * s
            sample = sample - delta if negative else sample + delta
            sample = max(-512, min(511, sample))
            step = max(1, min(48, new))
            out.append(((sample >> 2) + 128) % 256)
    return bytes(out)


for argument in sys.argv[1:]:
    print(decode(bytes.fromhex(argument)).hex())
