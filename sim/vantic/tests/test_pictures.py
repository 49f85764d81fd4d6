"""The stored data: baseline JPEGs with Exif of exact sizes, thumbnails, audio."""

import hashlib
import os
import random
import re
import struct
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from camsim import pictures  # noqa: E402
from host import ACK, ENQ, Protocol, Sim, UsbHost  # noqa: E402


def jpeg_segments(data):
    """[(marker, body)] up to SOS, and the entropy-coded bytes after it."""
    assert data[:2] == b"\xff\xd8", "SOI"
    pos = 2
    segments = []
    while True:
        assert data[pos] == 0xFF, "marker at %d" % pos
        while data[pos + 1] == 0xFF:
            pos += 1  # fill bytes before a marker
        marker = data[pos + 1]
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        body = data[pos + 4:pos + 2 + length]
        assert len(body) == length - 2
        segments.append((marker, body))
        pos += 2 + length
        if marker == 0xDA:
            return segments, data[pos:]


class BitReader:
    def __init__(self, scan):
        end = scan.rfind(b"\xff\xd9")
        assert end >= 0 and end == len(scan) - 2, "EOI ends the file"
        raw = scan[:end]
        out = bytearray()
        i = 0
        while i < len(raw):
            if raw[i] == 0xFF:
                assert raw[i + 1] == 0x00, "only stuffed FF inside the scan"
                out.append(0xFF)
                i += 2
            else:
                out.append(raw[i])
                i += 1
        self.bytes = bytes(out)
        self.pos = 0

    def bit(self):
        byte = self.bytes[self.pos >> 3]
        value = (byte >> (7 - (self.pos & 7))) & 1
        self.pos += 1
        return value

    def bits(self, count):
        value = 0
        for _ in range(count):
            value = (value << 1) | self.bit()
        return value

    def rest_is_padding(self):
        left = len(self.bytes) * 8 - self.pos
        return left < 8 and all(self.bit() == 1 for _ in range(left))


def huffman(body):
    counts = body[1:17]
    symbols = body[17:17 + sum(counts)]
    table = {}
    code = 0
    k = 0
    for length in range(1, 17):
        for _ in range(counts[length - 1]):
            table[(length, code)] = symbols[k]
            k += 1
            code += 1
        code <<= 1
    return table


def decode_symbol(reader, table):
    code = 0
    for length in range(1, 17):
        code = (code << 1) | reader.bit()
        if (length, code) in table:
            return table[(length, code)]
    raise AssertionError("no Huffman code")


def check_baseline_jpeg(data):
    """Walks the whole scan, restart intervals included; returns (width,
    height, exif tiff bytes or None)."""
    segments, scan = jpeg_segments(data)
    tables = {}
    frame = None
    exif = None
    interval = 0
    for marker, body in segments:
        if marker == 0xE1 and body[:6] == b"Exif\0\0":
            exif = body[6:]
        elif marker == 0xC4:
            tables[(body[0] >> 4, body[0] & 15)] = huffman(body)
        elif marker == 0xC0:
            precision, height, width, count = struct.unpack(">BHHB", body[:6])
            assert precision == 8
            frame = (width, height, [body[6 + 3 * i:9 + 3 * i] for i in range(count)])
        elif marker == 0xDD:
            interval = struct.unpack(">H", body)[0]
        else:
            assert marker in (0xDB, 0xFE, 0xDA, 0xE0), hex(marker)
    assert frame is not None, "SOF0"
    width, height, comps = frame
    sos = segments[-1][1]
    selectors = {sos[1 + 2 * i]: sos[2 + 2 * i] for i in range(sos[0])}
    mcus = ((width + 7) // 8) * ((height + 7) // 8)
    pieces = [scan]
    if interval:
        markers = re.findall(b"\xff[\xd0-\xd7]", scan)
        assert markers == [bytes([0xFF, 0xD0 + i % 8]) for i in range(len(markers))], "RST0..7 in turn"
        pieces = [piece + b"\xff\xd9" for piece in re.split(b"\xff[\xd0-\xd7]", scan[:-2])]
        assert len(pieces) == (mcus + interval - 1) // interval
    for number, piece in enumerate(pieces):
        _check_scan(piece, comps, selectors, tables, min(mcus - number * interval, interval or mcus))
    return width, height, exif


def _check_scan(scan, comps, selectors, tables, mcus):
    reader = BitReader(scan)
    for _ in range(mcus):
        for comp in comps:
            sel = selectors[comp[0]]
            assert comp[1] == 0x11
            size = decode_symbol(reader, tables[(0, sel >> 4)])
            reader.bits(size)
            k = 1
            while k < 64:
                symbol = decode_symbol(reader, tables[(1, sel & 15)])
                if symbol == 0x00:
                    break
                if symbol == 0xF0:
                    k += 16
                    continue
                k += symbol >> 4
                reader.bits(symbol & 15)
                k += 1
            assert k <= 64
    assert reader.rest_is_padding(), "scan ends where the last block ends"


def exif_tags(tiff):
    assert tiff[:4] == b"II*\0"

    def ifd(offset):
        count = struct.unpack_from("<H", tiff, offset)[0]
        tags = {}
        for i in range(count):
            tag, kind, n, value = struct.unpack_from("<HHI4s", tiff, offset + 2 + 12 * i)
            size = {2: 1, 3: 2, 4: 4, 5: 8, 7: 1, 10: 8}[kind] * n
            raw = value[:size] if size <= 4 else tiff[struct.unpack("<I", value)[0]:][:size]
            tags[tag] = (kind, raw)
        return tags

    first = ifd(struct.unpack_from("<I", tiff, 4)[0])
    sub = ifd(struct.unpack("<I", first[0x8769][1])[0])
    return first, sub


def reference_audio_decode(codes):
    """Written from the camera's table, apart from the simulator's code."""
    rows = {0: (lambda s: 0, lambda s: 3 * s >> 2), 1: (lambda s: s, lambda s: 3 * s >> 2),
            2: (lambda s: 2 * s, lambda s: s), 3: (lambda s: 3 * s, lambda s: s),
            4: (lambda s: 4 * s, lambda s: s), 5: (lambda s: 5 * s + (s >> 1), lambda s: s + (s >> 2)),
            6: (lambda s: 15 * s >> 1, lambda s: 2 * s), 8: (lambda s: 12 * s + (s >> 1), lambda s: 5 * s)}
    step, sample, out = 2, 0, []
    for byte in codes:
        for c in (byte >> 4, byte & 15):
            negative, m = (c >= 8), (c if c < 8 else 16 - c)
            if m == 7:
                delta = (9 * step if negative else 10 * step) + (step >> 1)
                new = 2 * step + (step >> 1)
            else:
                delta, new = rows[m][0](step), rows[m][1](step)
            sample += -delta if negative else delta
            sample = min(511, max(-512, sample))
            step = min(48, max(1, new))
            out.append(((sample >> 2) + 128) % 256)
    return bytes(out)


class Jpeg(unittest.TestCase):
    def test_pictures_are_valid_baseline_jpegs_of_the_exact_size(self):
        natural = len(pictures.make_jpeg(0, {"index": 1}, 5))
        for size in (0, natural, natural + 1, natural + 2, natural + 3, natural + 4, natural + 5,
                     natural + 65537, natural + 65538, natural + 65540, natural + 65541, 250000):
            with self.subTest(size=size):
                data = pictures.make_jpeg(size, {"index": 1, "width": 40, "height": 24}, 5)
                self.assertEqual(len(data), max(size, len(pictures.make_jpeg(0, {"width": 40, "height": 24}, 5))))
                width, height, tiff = check_baseline_jpeg(data)
                self.assertEqual((width, height), (40, 24))
                first, sub = exif_tags(tiff)
                self.assertEqual(first[0x010F][1], b"Simulated Camera\0")
                self.assertEqual(struct.unpack("<I", sub[0xA002][1])[0], 40)
                self.assertEqual(sub[0x9000][1], b"0220")

    def test_thumbnail_without_exif_and_odd_dimensions(self):
        natural = len(pictures.make_jpeg(0, {"width": 21, "height": 13}, 9, with_exif=False))
        for size in (natural + 1, natural + 3, natural + 4, natural + 1000):
            with self.subTest(size=size):
                data = pictures.make_jpeg(size, {"width": 21, "height": 13}, 9, with_exif=False)
                self.assertEqual(len(data), size)
                width, height, tiff = check_baseline_jpeg(data)
                self.assertEqual((width, height, tiff), (21, 13, None))


class Audio(unittest.TestCase):
    def test_decoder_matches_the_reference_on_random_codes(self):
        rng = random.Random(4)
        for length in (1, 7, 500):
            codes = bytes(rng.randrange(256) for _ in range(length))
            self.assertEqual(pictures.decode_audio(codes), reference_audio_decode(codes))
        extremes = bytes([0x77] * 40 + [0x88] * 80 + [0x00] * 10)
        self.assertEqual(pictures.decode_audio(extremes), reference_audio_decode(extremes))
        self.assertEqual(reference_audio_decode(b"\x00")[:2], bytes([128, 128]))

    def test_stored_and_decoded_sizes(self):
        stored, decoded = pictures.make_audio(1000, True, 3)
        self.assertEqual((len(stored), len(decoded)), (44 + 500, 44 + 1000))
        self.assertEqual(stored[:4] + stored[8:12], b"RIFFWAVE")
        self.assertEqual(decoded[44:], reference_audio_decode(stored[44:]))
        plain, same = pictures.make_audio(1000, False, 3)
        self.assertEqual((len(plain), plain), (1044, same))


class CameraData(unittest.TestCase):
    def test_downloaded_audio_and_thumbnail_match_what_the_camera_reports(self):
        config = {"pictures": [{"size": 9000, "audio": {"samples": 3000}},
                               {"size": 9000, "audio": {"samples": 1000, "format": 1}}],
                  "thumbnail_size": 1500, "thumbnail_prefix": "000102"}
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "s")
            sim = Sim(serial=False, usb_path=path, config=config, tmpdir=tmp)
            line = UsbHost(path)
            try:
                host = Protocol(line)
                for index, fmt in ((1, 0), (2, 1)):
                    self.assertEqual(host.write_register(4, index), ACK)
                    report = sim.request({"op": "picture", "index": index})
                    audio = host.download(44)
                    self.assertEqual(hashlib.sha256(audio).hexdigest(), report["audio"]["sha256"])
                    decoded = audio[:44] + (reference_audio_decode(audio[44:]) if fmt == 0 else audio[44:])
                    self.assertEqual(hashlib.sha256(decoded).hexdigest(), report["audio"]["decoded_sha256"])
                    thumb = host.download(15)
                    self.assertEqual(len(thumb), 1500)
                    self.assertEqual(thumb[:5], bytes([0, 1, 2, 0xFF, 0xD8]))
                    check_baseline_jpeg(thumb[3:])
                    picture = host.download(14)
                    check_baseline_jpeg(picture)
            finally:
                line.close()
                self.assertEqual(sim.close(), 0)

    def test_a_picture_records_the_clock_settings_and_texts_it_was_taken_with(self):
        config = {"picture_count": 0, "registers": {"2": 1700000000, "7": 1, "85": 3, "70": 3, "20": 0},
                  "structures": {"69": "fdffffff00000000"}, "texts": {"26": "2.17b"}}
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "s")
            sim = Sim(serial=False, usb_path=path, config=config, tmpdir=tmp, scale="0")
            line = UsbHost(path)
            host = Protocol(line)
            self.assertEqual((host.action(2), line.byte(), host.write_register(4, 1)), (ACK, ENQ, ACK))
            first, sub = exif_tags(check_baseline_jpeg(host.download(14))[2])
            tag = host.download(74)
            value = {t: struct.unpack({3: "<H", 5: "<II", 10: "<ii"}[k], raw)
                     for t, (k, raw) in sub.items() if k in (3, 5, 10)}
            self.assertEqual([value[t] for t in (0x8827, 0x9209, 0x9207, 0x9208, 0x9204, 0x8822, 0x920A)],
                             [(400,), (1,), (3,), (0,), (-3, 10), (2,), (100, 10)])
            stamp = sub[0x9003][1].rstrip(b"\0").decode()
            self.assertLess(abs(time.mktime(time.strptime(stamp, "%Y:%m:%d %H:%M:%S")) - 1700000000), 5)
            self.assertEqual((first[0x0131][1], first[0x0110][1]), (b"2.17b\0", b"VC320\0"))
            # The tag's date, and in word 16 that the flash fired.
            self.assertEqual((tag[20:39].decode(), struct.unpack_from("<i", tag, 64)[0]), (stamp, 1))
            line.close()
            self.assertEqual(sim.close(), 0)

if __name__ == "__main__":
    unittest.main()
