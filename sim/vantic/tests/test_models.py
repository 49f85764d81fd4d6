"""A model's rules: pictures that follow the resolution, and the values a
model refuses (DC1) or quietly replaces (read back differently)."""

import os
import struct
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True

from host import ACK, DC1, ENQ, Protocol, Sim, UsbHost  # noqa: E402
from test_pictures import check_baseline_jpeg, exif_tags  # noqa: E402 (puts camsim on the path)

from camsim.camera import Camera  # noqa: E402


class RefusingModel(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        path = os.path.join(self.tmp.name, "s")
        self.sim = Sim("--model", "refusing", serial=False, usb_path=path, config={"picture_count": 0},
                       tmpdir=self.tmp.name, scale="0")
        self.line = UsbHost(path)
        self.host = Protocol(self.line)

    def tearDown(self):
        self.line.close()
        self.assertEqual(self.sim.close(), 0)
        self.tmp.cleanup()

    def words(self, reg, count):
        return struct.unpack_from("<%dI" % count, self.host.download(reg))

    def test_each_resolution_gives_its_type_dimensions_and_size(self):
        host = self.host
        for number, (value, width, height, size) in enumerate(
                [(1, 640, 480, 60000), (4, 640, 480, 110000), (2, 2048, 1536, 900000), (33, 640, 480, 1000000)], 1):
            with self.subTest(resolution=value):
                self.assertEqual((host.write_register(1, value), host.action(2), self.line.byte()), (ACK, ACK, ENQ))
                self.assertEqual(host.write_register(4, number), ACK)
                data = host.download(14, large=True)
                self.assertEqual((host.read_register(12), len(data)), (size, size))
                report = self.sim.request({"op": "picture", "index": number})
                self.assertEqual([report[k] for k in ("type", "width", "height")],
                                 ["TIFF" if value == 33 else "JPEG", width, height])
                self.assertEqual(self.words(74, 5), (width, height, len(data), value, 1))
                name = host.download(79).rstrip(b"\0")
                if value == 33:
                    self.assertEqual((data[:4], name), (b"II*\0", b"PICT%04d.TIF" % number))
                    first, sub = exif_tags(data)
                    image = [struct.unpack("<I", first[tag][1])[0] for tag in (0x100, 0x101, 0x111, 0x117)]
                    self.assertEqual(image[:2] + [image[3]], [width, height, width * height * 3])
                    self.assertLessEqual(image[2] + image[3], len(data), "the strip lies inside the file")
                else:
                    self.assertEqual(name, b"PICT%04d.JPG" % number)
                    frame_width, frame_height, tiff = check_baseline_jpeg(data)
                    self.assertEqual((frame_width, frame_height), (width, height))
                    first, sub = exif_tags(tiff)
                self.assertEqual([struct.unpack("<I", sub[tag][1])[0] for tag in (0xA002, 0xA003)], [width, height])

    def test_what_a_capability_trial_keeps(self):
        host = self.host

        def kept(reg, values):
            return [v for v in values if host.write_register(reg, v) == ACK and host.read_register(reg) == v]
        self.assertEqual(kept(20, [0, 1, 2, 3, 225, 255]), [0, 1, 3, 255])
        self.assertEqual(kept(1, range(1, 38)), [1, 2, 4, 5, 33])
        self.assertEqual((host.write_register(20, 2), host.read_register(20)), (DC1, 255))
        self.assertEqual((host.write_register(7, 4), host.read_register(7)), (ACK, 1), "slow sync is plain flash")
        read_back = []
        for aperture in (28, 32, 36, 40, 45, 50, 56, 63, 70, 80, 90, 100, 110):
            self.assertEqual(set(host.upload(102, struct.pack("<5i", 3, aperture, 0, 100000, 0))), {ACK})
            read_back.append(self.words(102, 5)[1])
        self.assertEqual(read_back, [28, 28, 40, 40, 40, 56, 56, 56, 80, 80, 80, 110, 110])
        host.upload(102, struct.pack("<5i", 2, 4, 0, 100000, 0))
        self.assertEqual(self.words(102, 5)[:2], (2, 4), "the automatic program keeps what it was given")


class ModelConfig(unittest.TestCase):
    def test_a_config_over_a_model_and_bad_rules(self):
        camera = Camera({"model": "refusing", "accepted": {"85": [0, 1]}, "picture_count": 1})
        self.assertEqual([camera.write_register(reg, value) for reg, value in ((20, 2), (85, 2), (85, 1), (1, 33))],
                         [False, False, True, True])
        self.assertEqual(len(camera.pictures[0].data), 900000, "start-up pictures follow the resolution too")
        for bad in ({"model": "nosuch"}, {"resolutions": {"1": {"type": "RAW", "width": 64, "height": 48}}},
                    {"resolutions": {"51": {"width": 64, "height": 48}}}, {"resolutions": {"1": {"width": 4}}},
                    {"accepted": {"17": [1]}}, {"clamped": {"7": {"4": 9}}}, {"apertures": []}):
            with self.subTest(config=bad), self.assertRaises(ValueError):
                Camera(bad)


if __name__ == "__main__":
    unittest.main()
