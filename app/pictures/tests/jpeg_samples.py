"""Writes the JPEG pictures of the JPEG image tests into the folder given.

Each picture is a smooth colour pattern saved by PIL with one chroma
sampling (4:2:0, 4:2:2, 4:4:4) or as grey-scale, in a size made of whole
blocks (64x48) and one that is not (70x45). The "marked" pictures carry an
Exif APP1 marker and a comment right after the start marker. Also written:
an XMP-only picture, one whose Exif marker is empty, a progressive one, a
CMYK one.
"""
import io
import struct
import sys

from PIL import Image

TIFF_BLOCK = (b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", 1)
              + struct.pack("<HHII", 0x010F, 2, 6, 26) + struct.pack("<I", 0) + b"Brant\x00")
COMMENT = b"tarsel comment survives"


def pattern(mode, width, height):
    image = Image.new("RGB", (width, height))
    pixels = image.load()
    for y in range(height):
        for x in range(width):
            pixels[x, y] = ((x * 4 + y) % 256, (y * 5 + x // 2) % 256, ((x - y) * 3) % 256)
    return image.convert(mode) if mode != "RGB" else image


def encode(image, **options):
    buffer = io.BytesIO()
    image.save(buffer, "JPEG", quality=90, **options)
    return buffer.getvalue()


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def after_start(data, *segments):
    return data[:2] + b"".join(segments) + data[2:]


def main():
    folder = sys.argv[1]
    kinds = [("s420", "RGB", 2), ("s422", "RGB", 1), ("s444", "RGB", 0), ("grey", "L", None)]
    for name, mode, sampling in kinds:
        for width, height in ((64, 48), (70, 45)):
            options = {} if sampling is None else {"subsampling": sampling}
            data = encode(pattern(mode, width, height), **options)
            base = "%s/%s_%dx%d" % (folder, name, width, height)
            with open(base + ".jpg", "wb") as out:
                out.write(data)
            marked = after_start(data, segment(0xE1, b"Exif\x00\x00" + TIFF_BLOCK), segment(0xFE, COMMENT))
            with open(base + "_marked.jpg", "wb") as out:
                out.write(marked)
    plain = encode(pattern("RGB", 64, 48), subsampling=2)
    with open(folder + "/xmp.jpg", "wb") as out:
        out.write(after_start(plain, segment(0xE1, b"http://ns.adobe.com/xap/1.0/\x00<x:xmpmeta/>")))
    with open(folder + "/empty_exif.jpg", "wb") as out:
        out.write(after_start(plain, segment(0xE1, b"Exif\x00\x00")))
    with open(folder + "/progressive.jpg", "wb") as out:
        out.write(encode(pattern("RGB", 70, 45), subsampling=2, progressive=True))
    with open(folder + "/cmyk.jpg", "wb") as out:
        out.write(encode(pattern("CMYK", 32, 16)))
    with open(folder + "/tiff_block.bin", "wb") as out:
        out.write(TIFF_BLOCK)


if __name__ == "__main__":
    main()
