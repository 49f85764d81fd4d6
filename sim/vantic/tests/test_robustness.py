"""Garbage from the host never stops the camera: the engine is fed random and
half-valid traffic in-process and must keep answering a clean request after."""

import os
import random
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.dont_write_bytecode = True

from camsim import framing  # noqa: E402
from camsim.buslog import BusLog  # noqa: E402
from camsim.camera import Camera  # noqa: E402
from camsim.faults import FaultSet  # noqa: E402
from camsim.protocol import Engine  # noqa: E402


class FakeLink:
    def __init__(self):
        self.sent = bytearray()
        self.baud = 19200

    def send(self, data):
        self.sent += data

    def set_baud(self, baud):
        self.baud = baud


class FakeLoop:
    def __init__(self):
        self.timers = []

    def call_later(self, delay, callback):
        self.timers.append(callback)
        return None

    def run_timers(self):
        while self.timers:
            self.timers.pop(0)()


def noisy_unit(rng):
    kind = rng.randrange(6)
    if kind == 0:
        return bytes([rng.choice([0x00, 0x06, 0x15, 0x18, 0x05, 0xFF])])
    op = rng.randrange(9)
    reg = rng.randrange(256)
    payload = bytes([op, reg]) + os.urandom(rng.choice([0, 1, 3, 4, 10, 40]))
    lead = rng.choice([0x1B, 0x1B, 0x02, 0x03])
    second = rng.choice([0x43, 0x53, 0, 1, rng.randrange(256)])
    check = sum(payload) & 0xFFFF if rng.random() < 0.7 else rng.randrange(65536)
    unit = bytes([lead, second]) + struct.pack("<H", len(payload)) + payload + struct.pack("<H", check)
    if kind == 1:
        return unit[:rng.randrange(len(unit))]
    if kind == 2:
        return os.urandom(rng.randrange(1, 12))
    return unit


class Robustness(unittest.TestCase):
    def make(self, serial):
        loop = FakeLoop()
        camera = Camera({"pictures": [{"size": 5000}]})
        holder = {}
        faults = FaultSet(lambda: holder["engine"].sent_total)
        engine = Engine(camera, faults, loop, BusLog(), time_scale=0, serial=serial)
        holder["engine"] = engine
        link = FakeLink()
        engine.link = link
        return engine, link, loop

    def clean_read_works(self, engine, link, feed):
        link.sent.clear()
        feed(framing.build_packet(0x1B, 0x43, bytes([1, 18])))
        self.assertEqual(bytes(link.sent[-10:]), framing.register_reply(1), link.sent.hex())

    def test_random_serial_traffic(self):
        rng = random.Random(11)
        engine, link, loop = self.make(serial=True)
        framer = framing.StreamFramer()
        now = [0.0]

        def feed(data):
            for event in framer.feed(data, now[0]):
                engine.on_event(*event)

        for _ in range(3000):
            feed(noisy_unit(rng))
            loop.run_timers()
            if rng.random() < 0.05:
                now[0] += 2.0
                for event in framer.poll(now[0]):
                    engine.on_event(*event)
        now[0] += 2.0
        for event in framer.poll(now[0]):
            engine.on_event(*event)
        engine.set_speed(0)
        engine.camera.busy = False
        feed(bytes([0x18]))
        self.clean_read_works(engine, link, feed)

    def test_random_usb_messages(self):
        rng = random.Random(12)
        engine, link, loop = self.make(serial=False)

        def feed(data):
            engine.on_event(*framing.parse_message(data))

        for _ in range(3000):
            unit = noisy_unit(rng)
            if unit:
                feed(unit)
            loop.run_timers()
        engine.camera.busy = False
        feed(bytes([0x18]))
        self.clean_read_works(engine, link, feed)


if __name__ == "__main__":
    unittest.main()
