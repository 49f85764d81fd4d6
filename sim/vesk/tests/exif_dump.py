#!/usr/bin/env python3
"""Independent reader for the simulator's picture tests: prints the TIFF/EXIF
tags of a JPEG (APP1 "Exif") or of a TIFF file as NAME=VALUE lines, and
checks that every offset stays inside the file."""
import struct
import sys

NAMES = {0x010F: "Make", 0x0110: "Model", 0x0112: "Orientation", 0x0131: "Software",
         0x0132: "DateTime", 0x0100: "ImageWidth", 0x0101: "ImageLength",
         0x0102: "BitsPerSample", 0x0103: "Compression", 0x0106: "Photometric",
         0x0111: "StripOffsets", 0x0115: "SamplesPerPixel", 0x0117: "StripByteCounts",
         0x829A: "ExposureTime", 0x829D: "FNumber", 0x8827: "ISOSpeedRatings",
         0x9003: "DateTimeOriginal", 0x9209: "Flash", 0xA002: "PixelXDimension",
         0xA003: "PixelYDimension", 0xA403: "WhiteBalance", 0x9204: "ExposureBiasValue"}
SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 7: 1, 9: 4, 10: 8}


def fail(text):
    print("error=" + text)
    sys.exit(1)


def read_ifd(tiff, offset, out, depth=0):
    if depth > 4 or offset + 2 > len(tiff):
        fail("directory outside the data")
    count = struct.unpack_from("<H", tiff, offset)[0]
    if offset + 2 + 12 * count + 4 > len(tiff):
        fail("directory entries outside the data")
    for i in range(count):
        tag, typ, n, raw = struct.unpack_from("<HHI4s", tiff, offset + 2 + 12 * i)
        size = SIZES.get(typ, 1) * n
        if size > 4:
            at = struct.unpack("<I", raw)[0]
            if at + size > len(tiff):
                fail("value of tag 0x%04X outside the data" % tag)
            data = tiff[at:at + size]
        else:
            data = raw[:size]
        if tag == 0x8769:
            read_ifd(tiff, struct.unpack("<I", raw)[0], out, depth + 1)
            continue
        if typ == 2:
            value = data.rstrip(b"\0").decode("latin-1")
        elif typ == 3:
            value = ",".join(str(v) for v in struct.unpack("<%dH" % n, data))
        elif typ == 4:
            value = ",".join(str(v) for v in struct.unpack("<%dI" % n, data))
        elif typ in (5, 10):
            a, b = struct.unpack("<ii" if typ == 10 else "<II", data[:8])
            value = "%d/%d" % (a, b)
        else:
            value = data.hex()
        out[NAMES.get(tag, "0x%04X" % tag)] = value


def tiff_tags(tiff):
    if tiff[:4] != b"II*\0":
        fail("not a little-endian TIFF header")
    out = {}
    read_ifd(tiff, struct.unpack_from("<I", tiff, 4)[0], out)
    return out


def main():
    data = open(sys.argv[1], "rb").read()
    if data[:2] == b"\xff\xd8":
        at = 2
        tags = None
        while at + 4 <= len(data) and data[at] == 0xFF:
            marker = data[at + 1]
            length = struct.unpack_from(">H", data, at + 2)[0]
            if marker == 0xE1 and data[at + 4:at + 10] == b"Exif\0\0":
                tags = tiff_tags(data[at + 10:at + 2 + length])
                break
            if marker == 0xDA:
                break
            at += 2 + length
        if tags is None:
            fail("no EXIF block")
        print("format=jpeg")
        print("endsWithEOI=%d" % (data[-2:] == b"\xff\xd9"))
    else:
        tags = tiff_tags(data)
        print("format=tiff")
        offset = int(tags["StripOffsets"])
        size = int(tags["StripByteCounts"])
        w, h = int(tags["ImageWidth"]), int(tags["ImageLength"])
        print("stripInside=%d" % (offset + size == len(data)))
        print("stripSize=%d" % (size == w * h * 3))
    for key in sorted(tags):
        print("%s=%s" % (key, tags[key]))


main()
