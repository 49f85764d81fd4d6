#!/usr/bin/env python3
"""Writes the seed inputs of the Canon SDK-replies fuzz targets (canon_sdk_replies_fuzzer,
canon_detection_replies_fuzzer: one input format) into corpus/canon_sdk_replies.

An input is a script byte (number of operations modulo 9, source index from
the quotient), the operation bytes, then the SDK's replies. The replies here
are pseudo-random bytes that mostly read as success (below 0xE0) with small
counts, so each seed walks its operation's path a good way; the fuzzer takes
it from there.
"""
import os
import random

OPERATIONS = ["capabilities", "capture", "volumes", "clock", "zoom",
              "properties", "event", "discovery", "owner", "identity"]


def replies(seed, length):
    rng = random.Random(seed)
    out = bytearray()
    for _ in range(length):
        roll = rng.random()
        if roll < 0.05:
            out.append(rng.randrange(0xE0, 0x100))  # a failure
        elif roll < 0.6:
            out.append(rng.randrange(0, 8))  # success, small numbers
        else:
            out.append(rng.randrange(0, 0xE0))
    return bytes(out)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "canon_sdk_replies")
    os.makedirs(folder, exist_ok=True)
    for number, name in enumerate(OPERATIONS):
        data = bytes([1, number]) + replies(number, 900)
        with open(os.path.join(folder, f"{number:02d}-{name}"), "wb") as seed:
            seed.write(data)
    # Operations 0-7 in one script, on source index 1.
    script = bytes([8 + 9, 0, 1, 2, 3, 4, 5, 6, 7])
    with open(os.path.join(folder, "10-all"), "wb") as seed:
        seed.write(script + replies(100, 1000))
    # Only successes with zero values: every list runs to the input's end.
    with open(os.path.join(folder, "11-zeros"), "wb") as seed:
        seed.write(bytes([3, 0, 1, 7]) + bytes(500))


if __name__ == "__main__":
    main()
