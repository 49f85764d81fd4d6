"""The control channel, the configuration file and the command line."""

import contextlib
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest

from host import ACK, SIM, SIM_COMMAND, SPEEDS, Protocol, SerialHost, Sim, read_register_packet

sys.path.insert(0, os.path.dirname(SIM))
sys.dont_write_bytecode = True

import vantic_sim  # noqa: E402
from camsim.camera import Camera  # noqa: E402


class ControlChannel(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.log_path = os.path.join(self.tmp.name, "bus.log")
        self.sim = Sim("--log", self.log_path, config={"picture_count": 2, "texts": {"27": "AB123"},
                                                       "registers": {"16": 55, "2": 1000}},
                       tmpdir=self.tmp.name)
        self.line = SerialHost(self.sim.path)
        self.host = Protocol(self.line)

    def tearDown(self):
        self.line.close()
        self.sim.close()
        self.tmp.cleanup()

    def test_registers_dump_and_set_register(self):
        regs = self.sim.registers()
        self.assertTrue(regs["ok"])
        self.assertEqual(regs["registers"]["16"], 55)
        self.assertEqual(regs["registers"]["10"], 2)
        self.assertNotIn("14", regs["registers"], "objects are not registers")
        self.assertEqual(regs["texts"]["27"], "AB123")
        self.assertGreaterEqual(regs["registers"]["2"], 1000)
        self.assertEqual(self.sim.request({"op": "set-register", "reg": 10, "value": 5})["value"], 5)
        self.assertEqual(self.host.read_register(10), 5)
        self.assertEqual(self.host.write_register(4, 5), ACK)
        self.sim.request({"op": "set-register", "reg": 12, "value": 0x7FFFFFFF})
        self.assertEqual(self.host.read_register(12), 0x7FFFFFFF, "a camera that reports a size it does not have")
        self.sim.request({"op": "set-register", "reg": 16, "value": 0xFFFFFFFF})
        self.assertEqual(self.host.read_register(16), 0xFFFFFFFF)
        # Moving the camera's line speed from here: the host at 19200 is no longer heard.
        self.sim.request({"op": "set-register", "reg": 17, "value": 3})
        # The camera must have read the bytes before the host changes its speed.
        self.assertEqual(self.sim.answer_to(self.line, read_register_packet(18)), "")
        rx = [e for e in self.sim.log()["log"] if e["dir"] == "rx"]
        self.assertTrue(rx and all(e.get("garbled") for e in rx), rx)
        self.line.set_baud(SPEEDS[3])
        self.assertEqual(self.host.read_register(18), 1)
        for bad in ({"op": "set-register", "reg": 110, "value": 1}, {"op": "set-register", "reg": 1},
                    {"op": "set-register", "reg": 1, "value": -1}, {"op": "set-register", "reg": "1", "value": 1}):
            self.assertFalse(self.sim.request(bad)["ok"], bad)

    def test_picture_answers_and_unknown_requests(self):
        first = self.sim.request({"op": "picture", "index": 1})
        self.assertTrue(first["exists"])
        self.assertEqual(len(first["sha256"]), 64)
        self.assertEqual(first["name"], "PICT0001.JPG")
        self.assertFalse(self.sim.request({"op": "picture", "index": 3})["exists"])
        self.assertFalse(self.sim.request({"op": "picture", "index": 0})["exists"], "no preview yet")
        for raw in (b"not json\n", b"[1,2]\n", b'{"op":"dance"}\n', b'{"op":5}\n'):
            self.sim.proc.stdin.write(raw)
            self.sim.proc.stdin.flush()
            answer = json.loads(self.sim._readline(5))
            self.assertFalse(answer["ok"])
            self.assertIn("error", answer)
        self.assertTrue(self.sim.registers()["ok"], "still answering")

    def test_log_records_both_directions_and_clears(self):
        self.sim.log(clear=True)
        self.assertEqual(self.host.wake(), 0x15)
        log = self.sim.log(clear=True)
        self.assertEqual([(e["dir"], e["hex"]) for e in log["log"]], [("rx", "00"), ("tx", "15")])
        self.assertLessEqual(log["log"][0]["t"], log["log"][1]["t"])
        self.assertEqual(self.sim.log()["log"], [])
        with open(self.log_path, encoding="utf-8") as handle:
            lines = handle.read().splitlines()
        self.assertTrue(any(line.split()[1:3] == ["rx", "00"] for line in lines))
        self.assertTrue(any(line.split()[1:3] == ["tx", "15"] for line in lines))

    def test_quit_answers_and_exits_zero(self):
        self.assertTrue(self.sim.request({"op": "quit"})["ok"])
        self.assertEqual(self.sim.proc.wait(30), 0)


class CommandLine(unittest.TestCase):
    def run_sim(self, *args, stdin=subprocess.DEVNULL):
        return subprocess.run(SIM_COMMAND + list(args), stdin=stdin, capture_output=True, timeout=30)

    def test_eof_on_stdin_ends_with_status_zero(self):
        run = self.run_sim("--serial")
        self.assertEqual(run.returncode, 0)
        self.assertTrue(run.stdout.startswith(b"SERIAL /dev/"))

    def test_bad_configs_are_refused_with_a_reason(self):
        cases = {
            "unknown key": {"colour": 1},
            "bad register": {"registers": {"200": 1}},
            "registers not an object": {"registers": [1]},
            "bad prefix": {"thumbnail_prefix": "zz"},
            "bad audio": {"pictures": [{"audio": {"format": 3}}]},
            "bad number": {"picture_size": "big"},
            "huge picture": {"picture_size": 1 << 40},
            "no such folder": {"pictures": [{"folder": 2}]},
            "bad usb id": {"usb": {"vendor_id": 0x10000}},
        }
        for name, config in cases.items():
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    Camera(config)
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "c.json")
            with open(path, "w", encoding="utf-8") as handle:
                json.dump(cases["bad register"], handle)
            run = self.run_sim("--serial", "--config", path)
            self.assertEqual(run.returncode, 2)
            self.assertIn(b"config", run.stderr)
            self.assertEqual(run.stdout, b"")
            self.assertEqual(self.run_sim("--serial", "--config", os.path.join(tmp, "missing")).returncode, 2)

    def test_bad_arguments_exit_two(self):
        for args in ([], ["--serial", "--usb", "/tmp/x"], ["--serial", "--max-speed", "7"],
                     ["--serial", "--refuse-speed", "x"], ["--serial", "--time-scale", "-1"]):
            with self.subTest(args=args):
                with self.assertRaises(SystemExit) as stop, contextlib.redirect_stderr(io.StringIO()):
                    vantic_sim.parse_args(args)
                self.assertEqual(stop.exception.code, 2)
        self.assertEqual(self.run_sim("--max-speed", "9").returncode, 2)

    def test_help_lists_every_fault_kind(self):
        run = self.run_sim("--help")
        self.assertEqual(run.returncode, 0)
        for kind in ("nak", "dc1", "silence", "session-end", "bad-checksum", "wrong-sequence",
                     "oversize-length", "late-enq", "no-enq", "not-ready", "resend", "short", "drop", "ff-enq"):
            self.assertIn(kind.encode(), run.stdout)


if __name__ == "__main__":
    unittest.main()
