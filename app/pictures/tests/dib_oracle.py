#!/usr/bin/env python3
"""Writes, as hex, one line for each WIDTH HEIGHT pair of arguments: the
packed 24-bit bitmap a picture of that size must become: the 40-byte header, the rows bottom-up in blue-green-red order, each
padded to 4 bytes, and 4 spare zero bytes. Pixel (x, y), counted from the
top-left corner, is red (x*37+y*11)%256, green (x*5+y*101)%256, blue
(x*71+y*3)%256."""
import struct
import sys


def packed(width, height):
    stride = (width * 3 + 3) // 4 * 4
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            red = (x * 37 + y * 11) % 256
            green = (x * 5 + y * 101) % 256
            blue = (x * 71 + y * 3) % 256
            row += bytes((blue, green, red))
        row += bytes(stride - len(row))
        rows += row
    return (header + bytes(rows) + bytes(4)).hex()


def main():
    sizes = [int(argument) for argument in sys.argv[1:]]
    for width, height in zip(sizes[0::2], sizes[1::2]):
        sys.stdout.write(packed(width, height) + "\n")


main()
