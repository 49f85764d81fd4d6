"""Each injected fault does what it says, and only where its scope says."""

import os
import struct
import subprocess
import tempfile
import time
import unittest

from host import (ACK, CAN, DC1, END, ENQ, NAK, SIM_COMMAND, Protocol, SerialHost, Sim, UsbHost,
                  action_packet, command, payload_sum, read_register_packet, wait_until)


class FaultCase(unittest.TestCase):
    config = {"pictures": [{"size": 30000}], "busy_ms": {"2": 1000}}

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.sim = Sim(config=self.config, tmpdir=self.tmp.name)
        self.line = SerialHost(self.sim.path)
        self.host = Protocol(self.line)

    def tearDown(self):
        self.line.close()
        self.assertEqual(self.sim.close(), 0)
        self.tmp.cleanup()

    def read_reply(self, reg):
        """A parsed packet, or the single byte that came instead."""
        self.line.send(read_register_packet(reg))
        first = self.line.read(1)
        if not first or first[0] not in (2, 3, 0x1B):
            return first
        head = first + self.line.read(3)
        length = head[2] | (head[3] << 8)
        raw = head + self.line.read(length + 2)
        return head[0], head[1], raw[4:4 + length], struct.unpack("<H", raw[-2:])[0], raw

    def test_nak_and_dc1_take_the_packet_instead_of_the_camera(self):
        self.sim.fault("nak:2@op=0")
        self.assertEqual(self.host.write_register(1, 5), NAK)
        self.assertEqual(self.host.read_register(1), 2, "reads are out of scope; the write was not taken")
        self.assertEqual(self.host.write_register(1, 5), NAK)
        self.assertEqual(self.host.write_register(1, 5), ACK)
        self.assertEqual(self.host.read_register(1), 5)
        self.sim.fault("dc1@reg=18")
        for _ in range(4):
            self.assertEqual(self.read_reply(18), bytes([DC1]))
        self.assertEqual(self.host.read_register(16), 80)
        self.sim.request({"op": "clear-faults"})
        self.assertEqual(self.host.read_register(18), 1)
        self.sim.fault("nak@op=S")
        self.assertEqual(self.host.set_speed(3), NAK)
        self.assertEqual(self.host.write_register(1, 3), ACK)

    def unanswered(self, data):
        """Sends data; the camera reads it and sends nothing."""
        self.assertEqual(self.sim.answer_to(self.line, data), "")

    def test_drop_swallows_one_request_and_the_repeat_is_answered(self):
        self.sim.fault("drop:1@reg=16")
        self.unanswered(read_register_packet(16))
        self.assertEqual(self.host.read_register(16), 80)

    def test_silence_stops_every_answer_until_cleared(self):
        self.sim.fault("silence")
        self.unanswered(b"\x00")
        self.unanswered(read_register_packet(18))
        self.sim.request({"op": "clear-faults"})
        self.assertEqual(self.host.wake(), NAK)

    def test_silence_after_bytes_stops_a_download_midway(self):
        self.assertEqual(self.host.write_register(4, 1), ACK)
        self.sim.fault("silence:5000@op=4")
        self.line.send(command(bytes([4, 14])))
        # Blocks of 2054 bytes until 5000 bytes went out: three.
        for seq in range(3):
            reply = self.line.packet()
            self.assertIsInstance(reply, tuple, seq)
            self.assertEqual((reply[0], reply[1]), (2, seq))
            if seq < 2:
                self.line.send(bytes([ACK]))
        self.unanswered(bytes([ACK]))

    def test_session_end_sends_ff_and_drops_the_line_to_19200(self):
        self.assertEqual(self.host.set_speed(5), ACK)
        self.line.set_baud(115200)
        self.sim.fault("session-end")
        self.assertEqual(self.read_reply(18), bytes([END]))
        # 115200 is no longer heard (and the host must not change its speed
        # before the camera has read the bytes).
        self.assertEqual(self.sim.answer_to(self.line, read_register_packet(18)), "")
        rx = [e for e in self.sim.log()["log"] if e["dir"] == "rx"]
        self.assertTrue(rx and all(e.get("garbled") for e in rx), rx)
        self.line.set_baud(19200)
        self.assertEqual(self.host.wake(), NAK)
        self.assertEqual(self.host.read_register(18), 1, "the fault hit once")
        self.assertEqual(self.sim.registers()["state"]["stats"]["session_ends"], 1)

    def test_session_end_in_mid_download_replaces_a_block(self):
        self.assertEqual(self.host.write_register(4, 1), ACK)
        self.sim.fault("session-end:10000@op=4")
        self.line.send(command(bytes([4, 14])))
        seen = []
        while True:
            first = self.line.read(1)
            if first != b"\x02":
                break
            rest = self.line.read(3 + 2048 + 2)
            seen.append(rest[0])
            self.line.send(bytes([ACK]))
        self.assertEqual(first, bytes([END]))
        self.assertEqual(seen, [0, 1, 2, 3, 4])
        self.assertEqual(self.host.read_register(18), 1)

    def test_reply_faults_bend_one_packet_and_nak_gets_a_good_one(self):
        cases = [
            ("bad-checksum:1@reg=16", lambda r: r[3] != payload_sum(r[2])),
            ("wrong-sequence:1@reg=16", lambda r: r[1] == 1),
            ("oversize-length*1@reg=16", lambda r: len(r[2]) == 2050 and r[3] == payload_sum(r[2])),
        ]
        for text, is_bent in cases:
            with self.subTest(text):
                self.sim.fault(text)
                bent = self.read_reply(16)
                self.assertTrue(isinstance(bent, tuple) and is_bent(bent), bent)
                self.line.send(bytes([NAK]))
                good = self.line.packet()
                self.assertEqual(good[4].hex(), "030004005000000050" + "00")
                self.line.send(bytes([ACK]))

    def test_short_and_resend(self):
        self.sim.fault("short:1@reg=16")
        self.assertEqual(self.sim.answer_to(self.line, read_register_packet(16)), "030004005000")
        self.assertEqual(self.line.read(6).hex(), "030004005000")
        self.line.send(bytes([NAK]))
        self.assertEqual(self.line.read(10).hex(), "03000400500000005000")
        self.line.send(bytes([ACK]))
        self.sim.fault("resend:1")
        self.line.send(read_register_packet(16))
        self.assertEqual(self.line.read(10).hex(), "1b430400000000000000")
        self.assertEqual(self.host.read_register(16), 80)

    def test_block_faults_during_a_download(self):
        self.assertEqual(self.host.write_register(4, 1), ACK)
        self.sim.fault(["wrong-sequence:1@op=4", "oversize-length:65535*1@op=4", "bad-checksum:1@op=4"])
        self.line.send(command(bytes([4, 14])))
        bent = self.line.packet()
        self.assertEqual(bent[1], 1, "wrong sequence")
        self.assertEqual(len(bent[2]), 65535, "oversize carries what it announces")
        self.assertNotEqual(bent[3], payload_sum(bent[2]))
        self.line.send(bytes([NAK]))
        good = self.line.packet()
        self.assertEqual((good[1], len(good[2])), (0, 2048))
        self.assertEqual(good[3], payload_sum(good[2]))
        self.line.send(bytes([CAN]))

    def test_enq_faults(self):
        # late-enq: 50 ms instead of the action's 10 ms, from the action's
        # arrival to the ENQ as the camera logged them.
        started = time.monotonic()
        self.sim.fault("late-enq:5000*1@action=2")
        self.sim.log(clear=True)
        self.assertEqual(self.host.action(2), ACK)
        self.assertEqual(self.line.byte(), ENQ)
        self.assertGreaterEqual(time.monotonic() - started, 0.05)
        log = self.sim.log()["log"]
        rx = [e for e in log if e["dir"] == "rx"]
        enq = [e for e in log if e["dir"] == "tx" and e["hex"] == "05"]
        self.assertEqual("".join(e["hex"] for e in rx), action_packet(2).hex())
        self.assertEqual(len(enq), 1, log)
        self.assertGreaterEqual(enq[0]["t"] - rx[-1]["t"], 50000)
        # no-enq: the action ends (the camera's own word for it) and no ENQ comes.
        self.sim.fault("no-enq:1")
        self.sim.log(clear=True)
        self.assertEqual(self.host.action(2), ACK)
        wait_until(lambda: len(self.sim.registers()["actions_done"]) == 2, what="the action to end")
        self.assertEqual([e["hex"] for e in self.sim.log()["log"] if e["dir"] == "tx"], ["06"])
        self.assertEqual(self.sim.registers()["link"]["queued"], 0)
        self.assertEqual(self.host.read_register(18), 1, "finished without telling")
        self.assertEqual(self.host.read_register(10), 3)
        self.sim.fault("ff-enq:1")
        self.assertEqual(self.host.action(8, 2), ACK)
        self.assertEqual(self.line.byte(), END)

    def test_not_ready_makes_register_18_read_0(self):
        self.sim.fault("not-ready:2")
        self.assertEqual(self.host.read_register(18), 0)
        self.assertEqual(self.host.read_register(18), 0)
        self.assertEqual(self.host.read_register(18), 1)
        self.sim.request({"op": "set-register", "reg": 18, "value": 2})
        self.assertEqual(self.host.read_register(18), 2)

    def test_malformed_faults_are_refused(self):
        for text in ("", "bogus", "nak:0", "late-enq", "nak@op=7", "dc1@colour=1", "nak:2*3", "silence*0"):
            with self.subTest(text):
                answer = self.sim.request({"op": "fault", "fault": text})
                self.assertFalse(answer["ok"])
                self.assertIn("error", answer)
        self.assertEqual(self.sim.registers()["faults"], [])


class CommandLineFaults(unittest.TestCase):
    def test_fault_given_on_the_command_line_and_a_bad_one(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "s")
            sim = Sim("--fault", "dc1@op=1", "nak:1", serial=False, usb_path=path, tmpdir=tmp)
            try:
                line = UsbHost(path)
                host = Protocol(line)
                self.assertEqual(host.write_register(1, 4), NAK)
                self.assertEqual(host.write_register(1, 4), ACK)
                line.send(read_register_packet(1))
                self.assertEqual(line.byte(), DC1)
                line.close()
            finally:
                self.assertEqual(sim.close(), 0)
        run = subprocess.run(SIM_COMMAND + ["--serial", "--fault", "nak:x"],
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=20)
        self.assertEqual(run.returncode, 2)
        self.assertIn(b"--fault", run.stderr)
        self.assertEqual(run.stdout, b"")


if __name__ == "__main__":
    unittest.main()
