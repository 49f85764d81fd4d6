"""The camera on the USB stand-in: a SOCK_SEQPACKET socket, one message per
bulk transfer."""

import hashlib
import os
import struct
import tempfile
import unittest

from host import ACK, DC1, ENQ, NAK, Protocol, Sim, UsbHost, command, packet, wait_until


class UsbCase(unittest.TestCase):
    config = {"usb": {"vendor_id": "0x0474", "product_id": 0x0100},
              "pictures": [{"size": 3 * 1024 * 1024 + 17}, {"size": 40000, "audio": {"samples": 6000}}]}

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.sock_path = os.path.join(self.tmp.name, "cam.sock")
        self.sim = Sim(serial=False, usb_path=self.sock_path, config=self.config, tmpdir=self.tmp.name)
        self.assertEqual((self.sim.kind, self.sim.path), ("USB", self.sock_path))
        self.line = UsbHost(self.sock_path)
        self.host = Protocol(self.line)

    def tearDown(self):
        self.line.close()
        self.assertEqual(self.sim.close(), 0)
        self.assertFalse(os.path.exists(self.sock_path), "the socket is removed on exit")
        self.tmp.cleanup()

    def test_device_descriptor_carries_the_configured_ids(self):
        desc = self.line.descriptor()
        self.assertEqual(len(desc), 18)
        self.assertEqual(desc[:2], bytes([18, 1]))
        self.assertEqual(struct.unpack_from("<HH", desc, 8), (0x0474, 0x0100))

    def test_registers_and_speed_write_take_one_message_each(self):
        self.assertEqual(self.host.write_register(1, 9), ACK)
        self.assertEqual(self.host.read_register(1), 9)
        # On USB every speed is taken and nothing changes on the line.
        self.assertEqual(self.host.set_speed(6), ACK)
        self.assertEqual(self.host.read_register(18), 1)
        # A message that is not exactly one packet is refused.
        self.line.send(command(bytes([1, 18])) + b"\x00")
        self.assertEqual(self.line.byte(), NAK)

    def test_large_block_download_of_a_multi_megabyte_picture(self):
        self.assertEqual(self.host.write_register(4, 1), ACK)
        size = self.host.read_register(12)
        blocks = []
        data = self.host.download(14, large=True, on_block=lambda seq, reply: blocks.append(len(reply[2])))
        report = self.sim.request({"op": "picture", "index": 1})
        self.assertEqual(len(data), size)
        self.assertEqual(hashlib.sha256(data).hexdigest(), report["sha256"])
        self.assertEqual(blocks[:-1], [32768] * (len(blocks) - 1))
        # The same picture in 2048-byte checked blocks.
        small = self.host.download(14)
        self.assertEqual(small, data)

    def test_every_structure_has_its_layout_size(self):
        sizes = {5: 8, 21: 768, 22: 32, 25: 32, 26: 32, 27: 64, 31: 400, 43: 32, 45: 32, 46: 32, 47: 32,
                 48: 32, 49: 48, 60: 40, 61: 48, 67: 88, 69: 8, 71: 8, 73: 40, 74: 76, 79: 13, 80: 32,
                 81: 32, 84: 9, 87: 32, 88: 32, 91: 16, 102: 20, 107: 8}
        self.assertEqual(self.host.write_register(4, 2), ACK)
        self.assertEqual(self.host.write_register(83, 1), ACK)
        for reg, size in sizes.items():
            with self.subTest(reg=reg):
                self.assertEqual(len(self.host.download(reg)), size)
        self.line.send(command(bytes([4, 57])))
        self.assertEqual(self.line.byte(), DC1, "no print order entry selected")
        self.assertEqual(self.host.write_register(83, 2), DC1, "one folder only")

    def test_audio_download_matches_the_record(self):
        self.assertEqual(self.host.write_register(4, 2), ACK)
        decoded, stored, fmt = struct.unpack_from("<3I", self.host.download(43))
        audio = self.host.download(44)
        report = self.sim.request({"op": "picture", "index": 2})["audio"]
        self.assertEqual((len(audio), fmt, decoded), (stored, 0, report["decoded_size"]))
        self.assertEqual(hashlib.sha256(audio).hexdigest(), report["sha256"])

    def test_action_enq_arrives_as_a_message(self):
        self.assertEqual(self.host.action(2), ACK)
        self.assertEqual(self.line.byte(), ENQ)
        self.assertEqual(self.host.read_register(10), 3)

    def test_large_upload_with_unchecked_packets(self):
        data = os.urandom(32768 * 2 + 5)
        self.assertEqual(self.host.write_register(32, 0x0FEC000E), ACK)
        self.assertEqual(self.host.upload(29, data, large=True), [ACK, ACK, ACK])
        self.assertEqual(self.host.action(11), ACK)
        self.assertEqual(self.line.byte(), ENQ)
        report = self.sim.request({"op": "picture", "index": 3})
        self.assertEqual(report["sha256"], hashlib.sha256(data).hexdigest())
        # A checked upload must carry the sum.
        self.line.send(command(bytes([3, 22]) + b"AB"))
        self.assertEqual(self.line.byte(), ACK)
        self.line.send(packet(3, 0, b"", 0xFFFF))
        self.assertEqual(self.line.byte(), NAK)

    def test_a_second_host_is_refused_while_the_first_holds_the_camera(self):
        second = UsbHost(self.sock_path)
        try:
            self.assertEqual(second.message(), b"", "closed at once")
        finally:
            second.close()
        self.assertEqual(self.sim.registers()["link"]["refused_connections"], 1)
        self.assertEqual(self.host.read_register(18), 1, "the first host keeps the camera")

    def test_host_reconnecting_gets_a_fresh_exchange(self):
        self.assertEqual(self.host.write_register(4, 1), ACK)
        self.line.send(command(bytes([4, 14])))
        self.assertEqual(self.line.packet()[0], 2)
        self.line.close()
        self.line = UsbHost(self.sock_path)
        self.host = Protocol(self.line)

        def link_settled():
            regs = self.sim.registers()
            link = regs["link"]
            return regs if (link["connections"], link["open_connections"], link["refused_connections"]) == (2, 1, 0) \
                else None
        # Once the camera has seen the first connection close, the transfer is over.
        state = wait_until(link_settled, what="the camera to see the first connection close")
        self.assertEqual(state["state"]["mode"], "idle")
        self.assertEqual(self.host.read_register(4), 1)
        # The camera takes the ACK that ends the reply in its own time.
        wait_until(lambda: self.sim.registers()["state"]["mode"] == "idle", what="the reply to end")
        vendor = bytes([0x40, 1, 0, 0, 0, 0, 0, 0])
        self.assertEqual(self.sim.answer_to(self.line, vendor), "", "a vendor request gets no answer")
        self.line.send(command(bytes([9, 1])))
        self.assertEqual(self.line.byte(), DC1, "no operation 9")


if __name__ == "__main__":
    unittest.main()
