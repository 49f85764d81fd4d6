#!/usr/bin/env python3
"""Builds camera packets from their description, one hex line per argument.

An independent encoder for the packet codec's tests:
  write:<reg>:<value>[:<letter>]   register write (letter C or S)
  read:<reg>                       register read
  action:<action>:<arg>            action
  object:<reg>:<large 0|1>         block read request
  data:<type>:<seq>:<hex>[:u]      data packet (u = unchecked)
  cmd:<letter>:<hex>[:u]           command packet with a raw payload
"""
import struct
import sys


def frame(lead, second, payload, unchecked=False):
    total = 0xFFFF if unchecked else sum(payload) % 65536
    return bytes([lead, second]) + struct.pack("<H", len(payload)) + payload + struct.pack("<H", total)


def build(description):
    parts = description.split(":")
    kind = parts[0]
    if kind == "write":
        letter = parts[3] if len(parts) > 3 else "C"
        payload = bytes([0, int(parts[1])]) + struct.pack("<I", int(parts[2], 0))
        return frame(0x1B, ord(letter), payload)
    if kind == "read":
        return frame(0x1B, ord("C"), bytes([1, int(parts[1])]))
    if kind == "action":
        return frame(0x1B, ord("C"), bytes([2, int(parts[1]), int(parts[2])]))
    if kind == "object":
        op = 6 if parts[2] == "1" else 4
        return frame(0x1B, ord("C"), bytes([op, int(parts[1])]))
    if kind == "data":
        return frame(int(parts[1]), int(parts[2]), bytes.fromhex(parts[3]), len(parts) > 4 and parts[4] == "u")
    if kind == "cmd":
        return frame(0x1B, ord(parts[1]), bytes.fromhex(parts[2]), len(parts) > 3 and parts[3] == "u")
    raise SystemExit("unknown packet kind: " + description)


for argument in sys.argv[1:]:
    print(build(argument).hex())
