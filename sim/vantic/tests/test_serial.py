"""The camera on the pseudo-terminal, driven by the tiny host."""

import hashlib
import struct
import tempfile
import time
import unittest

from host import (ACK, CAN, DC1, ENQ, NAK, Protocol, SerialHost, Sim, SPEEDS, action_packet, command,
                  now_us, packet, read_register_packet, wait_until, write_register_packet)


class SerialCase(unittest.TestCase):
    sim_args = ()
    config = None
    scale = "0.01"

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.sim = Sim(*self.sim_args, config=self.config, tmpdir=self.tmp.name, scale=self.scale)
        self.line = SerialHost(self.sim.path)
        self.host = Protocol(self.line)

    def tearDown(self):
        self.line.close()
        self.assertEqual(self.sim.close(), 0)
        self.tmp.cleanup()

    def go_fast(self, index):
        self.assertEqual(self.host.set_speed(index), ACK)
        self.line.set_baud(SPEEDS[index])

    def send_garbled(self, data):
        """Sends at a speed the camera is not at: the camera must have read
        the bytes as garbled, and answered nothing, before the host changes
        its speed (it takes the host's speed when it reads them)."""
        self.assertEqual(self.sim.answer_to(self.line, data), "", "nothing is heard, nothing answered")
        rx = [e for e in self.sim.log()["log"] if e["dir"] == "rx"]
        self.assertTrue(rx and all(e.get("garbled") for e in rx), rx)


class Basics(SerialCase):
    def test_wake_byte_is_answered_with_nak(self):
        self.assertEqual(self.host.wake(), NAK)
        self.assertEqual(self.host.wake(), NAK)

    def test_register_write_then_read_round_trips_with_checksums(self):
        self.assertEqual(self.host.write_register(1, 7), ACK)
        self.line.send(read_register_packet(1))
        raw = self.line.read(10)
        self.assertEqual(raw.hex(), "03000400" "07000000" "0700")
        self.line.send(bytes([ACK]))
        for reg, value in ((0, 3), (35, 7), (70, 5), (3, 0x23C34600), (72, 65535)):
            self.assertEqual(self.host.write_register(reg, value), ACK, reg)
            self.assertEqual(self.host.read_register(reg), value, reg)
        self.assertEqual(self.host.read_register(18), 1)
        self.assertEqual(self.host.read_register(10), 3)

    def test_camera_refuses_bad_packets(self):
        good = write_register_packet(1, 9)
        corrupt = good[:-2] + bytes([good[-2] ^ 1, good[-1]])
        self.line.send(corrupt)
        self.assertEqual(self.line.byte(), NAK)
        self.assertEqual(self.host.read_register(1), 2, "a refused write must not change the register")
        # Outside the register's range, and a read-only register: refused with DC1.
        self.assertEqual(self.host.write_register(70, 1), DC1)
        self.assertEqual(self.host.write_register(10, 5), DC1)
        # Register 17 only with the letter S; the letter S only for register 17.
        self.assertEqual(self.host.write_register(17, 3), DC1)
        self.assertEqual(self.host.write_register(1, 3, b"S"), NAK)
        # Objects are not read as registers.
        self.line.send(read_register_packet(14))
        self.assertEqual(self.line.byte(), DC1)
        regs = self.sim.registers()
        self.assertEqual(regs["state"]["stats"]["host_checksum_errors"], 1)

    def test_register_reply_is_sent_again_after_nak(self):
        self.line.send(read_register_packet(16))
        first = self.line.read(10)
        self.line.send(bytes([NAK]))
        self.assertEqual(self.line.read(10), first)
        self.assertEqual(self.sim.answer_to(self.line, bytes([ACK])), "", "ACK ends the exchange")

    def test_oversized_length_from_host_is_refused_after_the_line_goes_quiet(self):
        self.line.send(bytes([0x1B, 0x43, 0xFF, 0xFF]) + bytes(100))
        self.assertEqual(self.line.byte(), NAK)
        self.assertEqual(self.host.read_register(18), 1)

    def test_selection_and_structures(self):
        self.assertEqual(self.host.write_register(4, 9), DC1, "no picture 9")
        self.assertEqual(self.host.write_register(4, 2), ACK)
        self.assertEqual(self.host.read_register(4), 2)
        size = self.host.read_register(12)
        report = self.sim.request({"op": "picture", "index": 2})
        self.assertEqual(size, report["size"])
        self.assertEqual(self.host.read_register(13), report["thumbnail_size"])
        name = self.host.download(79)
        self.assertEqual(len(name), 13)
        self.assertEqual(name.rstrip(b"\0").decode(), report["name"])
        current = self.host.download(46)
        words = struct.unpack("<8I", current)
        self.assertEqual((words[0], words[5]), (2, 3))
        tag = self.host.download(74)
        self.assertEqual(len(tag), 76)
        memory = self.host.download(67)
        self.assertEqual(len(memory), 88)
        self.assertEqual(struct.unpack_from("<I", memory, 18 * 4)[0], self.host.read_register(28))
        self.assertEqual(len(self.host.download(27)), 64)
        self.assertEqual(len(self.host.download(22)), 32)
        self.assertEqual(len(self.host.download(84)), 9)
        self.line.send(command(bytes([4, 29])))
        self.assertEqual(self.line.byte(), DC1, "the upload register cannot be read")


class Speed(SerialCase):
    sim_args = ("--max-speed", "5", "--refuse-speed", "3")

    def test_speed_switch_follows_the_terminal_baud(self):
        self.assertEqual(self.host.set_speed(5), ACK)
        # Still at 19200 on the host side: the camera hears garbage.
        self.send_garbled(read_register_packet(18))
        self.assertEqual(self.sim.log()["log"][0]["baud"], 19200, "the host's speed is logged")
        self.line.set_baud(115200)
        self.assertEqual(self.host.read_register(18), 1)
        regs = self.sim.registers()
        self.assertEqual(regs["link"]["camera_baud"], 115200)
        self.assertEqual(regs["registers"]["17"], 5)
        self.assertGreater(regs["state"]["stats"]["garbled_bytes"], 0)
        # Back to index 0: the line returns to 19200.
        self.assertEqual(self.host.set_speed(0), ACK)
        self.line.set_baud(19200)
        self.assertEqual(self.host.read_register(18), 1)

    def test_refused_speeds_are_answered_with_nak_and_the_line_stays(self):
        self.assertEqual(self.host.set_speed(6), NAK, "above --max-speed")
        self.assertEqual(self.host.set_speed(3), NAK, "--refuse-speed")
        self.assertEqual(self.host.set_speed(7), NAK, "no such index")
        self.assertEqual(self.host.read_register(18), 1, "still at 19200")
        self.assertEqual(self.host.set_speed(4), ACK)
        self.line.set_baud(57600)
        self.assertEqual(self.host.read_register(18), 1)
        writes = self.sim.registers()["state"]["speed_writes"]
        self.assertEqual([(w["index"], w["accepted"]) for w in writes],
                         [(6, False), (3, False), (7, False), (4, True)])

    def test_speed_search_with_reopened_ports_reaches_the_highest_allowed_speed(self):
        reached = None
        for index in (6, 5, 4):
            # Each try opens the port afresh at 19200, wakes the camera and asks.
            self.line.close()
            self.line = SerialHost(self.sim.path)
            self.host = Protocol(self.line)
            self.assertEqual(self.host.wake(), NAK, index)
            if self.host.set_speed(index) == ACK:
                self.line.set_baud(SPEEDS[index])
                self.assertEqual(self.host.read_register(18), 1)
                reached = index
                break
        self.assertEqual(reached, 5)
        # Closing the session: index 0 at the fast speed, then the port.
        self.assertEqual(self.host.set_speed(0), ACK)
        self.line.close()
        self.line = SerialHost(self.sim.path)
        self.host = Protocol(self.line)
        self.assertEqual(self.host.wake(), NAK)

    def test_host_listening_at_another_speed_hears_noise(self):
        self.go_fast(4)
        # 2 s (time scale 0.01) from the ACK to the ENQ: the host has long
        # switched its speed by then, however busy the machine.
        self.sim.fault("late-enq:200000")
        self.assertEqual(self.host.action(2), ACK)
        # The host listens at another speed when the ENQ comes: noise, not ENQ.
        self.line.set_baud(115200)
        switched = now_us()
        self.assertEqual(self.line.read(1), b"\x00")
        self.line.set_baud(57600)
        self.assertEqual(self.host.read_register(18), 1)
        noise = [e for e in self.sim.log()["log"] if e["dir"] == "tx" and e.get("garbled")]
        self.assertEqual([e["hex"] for e in noise], ["05"])
        self.assertGreater(noise[0]["t"], switched)

    def test_a_camera_left_fast_hears_nothing_at_19200(self):
        self.go_fast(5)
        self.line.set_baud(19200)
        self.send_garbled(b"\x00")
        self.send_garbled(b"\x00")  # wake bytes too: no line break brings it back
        self.send_garbled(read_register_packet(18))
        self.line.set_baud(115200)
        self.assertEqual(self.host.read_register(18), 1)


class Busy(SerialCase):
    # Real time: the host's requests must land inside the busy time however
    # busy the machine is, so it is long.
    config = {"busy_ms": {"2": 2000}, "picture_count": 2}
    scale = "1"

    def test_action_is_acknowledged_then_busy_then_enq(self):
        started = time.monotonic()
        self.sim.log(clear=True)
        self.assertEqual(self.host.action(2), ACK)
        self.assertEqual(self.host.read_register(18), 0, "busy")
        self.assertEqual(self.host.write_register(1, 3), DC1, "busy camera takes no writes")
        self.assertEqual(self.line.byte(), ENQ)
        self.assertGreaterEqual(time.monotonic() - started, 2.0)
        # The busy time as the camera logged it: from the action's arrival to the ENQ.
        log = self.sim.log()["log"]
        frame = action_packet(2).hex()
        rx, arrived = "", None
        for entry in log:
            if entry["dir"] == "rx" and arrived is None:
                rx += entry["hex"]
                if rx.endswith(frame):
                    arrived = entry["t"]
        enq = [e["t"] for e in log if e["dir"] == "tx" and e["hex"] == "05"]
        self.assertIsNotNone(arrived, log)
        self.assertEqual(len(enq), 1, log)
        self.assertGreaterEqual(enq[0] - arrived, 2000000)
        self.assertEqual(self.host.read_register(18), 1)
        self.assertEqual(self.host.read_register(10), 3)


class Actions(SerialCase):
    config = {"picture_count": 2}

    def test_every_action_does_its_work(self):
        def run(action, arg=0):
            self.assertEqual(self.host.action(action, arg), ACK, action)
            self.assertEqual(self.line.byte(), ENQ, action)

        self.assertEqual(self.host.action(3, 2), DC1, "store mode 2")
        self.assertEqual(self.host.action(10), DC1, "no action 10")
        run(5)
        self.assertTrue(self.sim.request({"op": "picture", "index": 0})["exists"])
        run(3, 1)
        self.assertEqual(self.host.read_register(10), 3)
        self.assertEqual(self.host.write_register(4, 1), ACK)
        run(9, 1)
        self.assertEqual(self.host.read_register(39), 1)
        run(14)
        record = self.host.download(43)
        decoded, stored, fmt = struct.unpack_from("<3I", record)
        self.assertEqual((fmt, decoded - 44), (0, 2 * (stored - 44)))
        run(0)
        self.assertEqual(self.host.read_register(10), 2)
        run(7)
        self.assertEqual(self.host.read_register(10), 2, "picture 1 is protected")
        self.assertEqual(self.host.write_register(4, 2), ACK)
        run(7)
        self.assertEqual(self.host.read_register(10), 1)
        run(8, 3)
        self.assertEqual(self.host.read_register(34), 3)
        run(6, 9)
        run(12, 4)
        run(1)
        self.assertEqual(self.host.read_register(10), 1, "erase all keeps protected pictures")
        run(16)
        self.assertEqual(self.host.read_register(10), 0)
        run(4)
        regs = self.sim.registers()
        self.assertEqual([a[0] for a in regs["actions_done"]], [5, 3, 9, 14, 0, 7, 7, 8, 6, 12, 1, 16, 4])


class FullCard(SerialCase):
    config = {"picture_count": 2, "capacity": 2}

    def test_a_full_card_refuses_to_take_a_picture(self):
        self.assertEqual(self.host.read_register(11), 0)
        self.assertEqual(self.host.action(2), DC1)
        self.assertEqual(self.host.action(1), ACK)
        self.assertEqual(self.line.byte(), ENQ)
        self.assertEqual(self.host.action(2), ACK)
        self.assertEqual(self.line.byte(), ENQ)
        self.assertEqual(self.host.read_register(10), 1)


class Blocks(SerialCase):
    config = {"pictures": [{"size": 70000}, {"size": 2048 * 3}, {"size": 0}], "thumbnail_size": 5000}

    def test_block_download_reassembles_to_the_pictures_sha256(self):
        self.go_fast(6)
        for index in (1, 2):
            self.assertEqual(self.host.write_register(4, index), ACK)
            blocks = []
            data = self.host.download(14, on_block=lambda seq, reply: blocks.append(reply[0]))
            report = self.sim.request({"op": "picture", "index": index})
            self.assertEqual(len(data), report["size"])
            self.assertEqual(hashlib.sha256(data).hexdigest(), report["sha256"])
            self.assertEqual(blocks[-1], 3)
            self.assertTrue(all(b == 2 for b in blocks[:-1]))
            self.assertEqual(len(blocks), (report["size"] + 2047) // 2048)
            thumb = self.host.download(15)
            self.assertEqual(hashlib.sha256(thumb).hexdigest(), report["thumbnail_sha256"])
            self.assertEqual(len(thumb), 5000)
        self.assertEqual(self.host.write_register(4, 3), ACK)
        self.assertEqual(self.host.read_register(12), 0)
        self.assertEqual(self.host.download(14), b"")

    def test_block_is_sent_again_after_nak_and_cancel_ends_the_transfer(self):
        self.assertEqual(self.host.write_register(4, 1), ACK)
        self.line.send(command(bytes([4, 14])))
        first = self.line.packet()
        self.line.send(bytes([NAK]))
        self.assertEqual(self.line.packet()[4], first[4])
        self.line.send(bytes([ACK]))
        second = self.line.packet()
        self.assertEqual(second[1], 1)
        self.assertEqual(self.sim.answer_to(self.line, bytes([CAN])), "", "CAN ends the transfer")
        self.assertEqual(self.sim.registers()["state"]["stats"]["cancels"], 1)
        self.assertEqual(self.host.read_register(18), 1)

    def test_upload_of_a_picture_then_write_loaded_data_stores_it(self):
        data = bytes((i * 7 + 3) & 0xFF for i in range(2048 * 2 + 100))
        self.assertEqual(self.host.write_register(32, 0x0FEC000E), ACK)
        self.assertEqual(self.host.upload(29, data), [ACK, ACK, ACK])
        self.assertEqual(self.host.action(11), ACK)
        self.assertEqual(self.line.byte(), ENQ)
        self.assertEqual(self.host.read_register(10), 4)
        report = self.sim.request({"op": "picture", "index": 4})
        self.assertEqual(report["sha256"], hashlib.sha256(data).hexdigest())

    def test_text_and_structure_uploads_are_read_back(self):
        self.assertEqual(self.host.upload(22, b"NEW NAME"), [ACK, ACK])
        self.assertEqual(self.host.download(22).rstrip(b"\0"), b"NEW NAME")
        self.assertEqual(self.host.upload(22, b"X" * 32)[0], DC1, "32 characters are too many")
        bias = struct.pack("<2I", 5, 7)
        self.assertEqual(self.host.upload(69, bias), [ACK, ACK])
        self.assertEqual(self.host.download(69), bias)
        self.host.upload(71, struct.pack("<2I", 25, 10))
        self.assertEqual(struct.unpack("<2I", self.host.download(71)), (25, 10))
        regs = self.sim.registers()
        self.assertEqual(regs["written_objects"]["69"]["hex"], bias.hex())

    def test_upload_checks_sequence_and_checksum_of_data_packets(self):
        data = bytes(range(256)) * 12
        self.line.send(command(bytes([3, 29]) + data[:2046]))
        self.assertEqual(self.line.byte(), ACK)
        rest = data[2046:]
        self.line.send(packet(3, 1, rest))
        self.assertEqual(self.line.byte(), NAK, "sequence must start at 0")
        self.line.send(packet(3, 0, rest, payload_check_wrong(rest)))
        self.assertEqual(self.line.byte(), NAK, "checksum")
        self.line.send(packet(3, 0, rest))
        self.assertEqual(self.line.byte(), ACK)
        written = self.sim.registers()["written_objects"]["29"]
        self.assertEqual(written["sha256"], hashlib.sha256(data).hexdigest())


def payload_check_wrong(payload):
    return (sum(payload) + 1) & 0xFFFF


class Timing(SerialCase):
    scale = "1"

    def test_log_records_each_arrival_with_its_time(self):
        # The frame goes out in three parts with a pause between them; each
        # part is sent once the camera has logged the one before, so each is
        # read (and logged) on its own.
        frame = write_register_packet(1, 4)
        parts = [frame[:1], frame[1:4], frame[4:]]
        self.sim.log(clear=True)
        sent, seen = [], []
        for number, part in enumerate(parts):
            if number:
                time.sleep(0.03)
            sent.append(now_us())
            self.line.send(part)
            want = b"".join(parts[:number + 1]).hex()
            wait_until(lambda want=want: "".join(e["hex"] for e in self.sim.log()["log"]
                                                 if e["dir"] == "rx") == want,
                       what="the camera to log part %d" % number)
            seen.append(now_us())
        self.assertEqual(self.line.byte(), ACK)
        after = now_us()
        log = self.sim.log()["log"]
        rx = [e for e in log if e["dir"] == "rx"]
        tx = [e for e in log if e["dir"] == "tx"]
        self.assertEqual([e["hex"] for e in rx], [part.hex() for part in parts])
        self.assertEqual([e["hex"] for e in tx], ["06"])
        # The same clock as ours, in microseconds: each arrival is stamped
        # between our sending it and our seeing it logged, the ACK after the
        # last arrival and no later than we read it.
        for number, entry in enumerate(rx):
            self.assertTrue(sent[number] <= entry["t"] <= seen[number], (number, sent, entry, seen))
        self.assertTrue(rx[-1]["t"] <= tx[0]["t"] <= after, (rx[-1], tx[0], after))
        # So the pauses show in the log.
        self.assertGreaterEqual(rx[1]["t"] - rx[0]["t"], 25000)
        self.assertGreaterEqual(rx[2]["t"] - rx[1]["t"], 25000)

    def test_output_is_paced_at_the_line_rate(self):
        self.go_fast(4)
        self.assertEqual(self.host.write_register(4, 1), ACK)
        self.sim.log(clear=True)
        started = time.monotonic()
        request = command(bytes([4, 14]))
        self.line.send(request)
        reply = self.line.packet()
        elapsed = time.monotonic() - started
        self.assertEqual(len(reply[2]), 2048)
        # 2054 bytes at 57600 baud take 0.357 s on the line: so long from the
        # request's arrival to the block's last write in the camera's log, and
        # at least so long here.
        log = self.sim.log()["log"]
        rx = [e for e in log if e["dir"] == "rx"]
        tx = [e for e in log if e["dir"] == "tx"]
        self.assertEqual("".join(e["hex"] for e in rx), request.hex())
        self.assertEqual("".join(e["hex"] for e in tx), reply[4].hex())
        self.assertGreaterEqual(tx[-1]["t"] - rx[-1]["t"], 330000)
        self.assertGreaterEqual(elapsed, 0.33)
        self.line.send(bytes([CAN]))


if __name__ == "__main__":
    unittest.main()
