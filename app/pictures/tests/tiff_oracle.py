"""Reference side of the TIFF image tests, on PIL.

make OUT W H [MODE]   writes an uncompressed TIFF of a fixed pattern (RGB or RGBA)
pixels FILE           prints "W H" and the RGB bytes in hex (top row first)
turn FILE CODE        the same for the picture turned clockwise by 90 (1) or 270 (3)

Several pixels/turn requests separated by "--" are answered in order, in one run.
"""
import sys

from PIL import Image


def pattern(width, height, mode):
    image = Image.new(mode, (width, height))
    data = []
    for y in range(height):
        for x in range(width):
            pixel = ((x * 37 + y * 11) % 256, (x * 5 + y * 101) % 256, (x * 71 + y * 3) % 256)
            if mode == "RGBA":
                pixel = pixel + ((x + y) % 256,)
            data.append(pixel)
    image.putdata(data)
    return image


def dump(image):
    image = image.convert("RGB")
    print(image.width, image.height)
    print(image.tobytes().hex())


def main(argv):
    if "--" in argv:
        request = []
        for word in argv[1:] + ["--"]:
            if word != "--":
                request.append(word)
                continue
            if request[0] not in ("pixels", "turn") or main([argv[0]] + request) != 0:
                return 2
            request = []
        return 0
    command = argv[1]
    if command == "make":
        mode = argv[5] if len(argv) > 5 else "RGB"
        pattern(int(argv[3]), int(argv[4]), mode).save(argv[2], format="TIFF")
    elif command == "pixels":
        dump(Image.open(argv[2]))
    elif command == "turn":
        image = Image.open(argv[2])
        turn = Image.Transpose.ROTATE_270 if argv[3] == "1" else Image.Transpose.ROTATE_90
        dump(image.transpose(turn))
    else:
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
