"""A tiny host for the self-tests, written from the protocol's rules and not
from the simulator's code: it starts the simulator, talks to it over the
pseudo-terminal or the packet socket, and steers it through the control
channel."""

import json
import os
import select
import socket
import struct
import subprocess
import sys
import termios
import time
import tty

HERE = os.path.dirname(os.path.abspath(__file__))
SIM = os.path.join(os.path.dirname(HERE), "vantic_sim.py")
# The simulator needs the standard library only: without the site module the
# interpreter starts in a fraction of the time.
SIM_COMMAND = [sys.executable, "-S", SIM]

ESC, ENQ, ACK, DC1, NAK, CAN, END = 0x1B, 0x05, 0x06, 0x11, 0x15, 0x18, 0xFF
BAUDS = {9600: termios.B9600, 19200: termios.B19200, 38400: termios.B38400,
         57600: termios.B57600, 115200: termios.B115200, 230400: termios.B230400}
SPEEDS = [19200, 9600, 19200, 38400, 57600, 115200, 230400]

# How long the host waits for an answer that must come. Generous: the tests run
# beside other test programs on a loaded machine, and an answer that comes
# costs no more than it takes; only a missing one waits this long.
ANSWER_TIMEOUT = 10.0


def now_us():
    """The host's clock, the one the simulator's log uses."""
    return time.monotonic_ns() // 1000


def wait_until(probe, timeout=ANSWER_TIMEOUT, what="a condition"):
    """Calls probe() until it gives a true value and returns that value."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(0.005)


def payload_sum(payload):
    return sum(payload) & 0xFFFF


def packet(lead, second, payload, check=None):
    payload = bytes(payload)
    if check is None:
        check = payload_sum(payload)
    return bytes([lead, second]) + struct.pack("<H", len(payload)) + payload + struct.pack("<H", check)


def command(payload, letter=b"C"):
    return packet(ESC, letter[0], payload)


def write_register_packet(reg, value, letter=b"C"):
    return command(bytes([0, reg]) + struct.pack("<I", value), letter)


def read_register_packet(reg):
    return command(bytes([1, reg]))


def action_packet(action, arg=0):
    return command(bytes([2, action, arg]))


class Sim:
    """The simulator as a child process with its control channel."""

    def __init__(self, *args, serial=True, usb_path=None, config=None, tmpdir=None, scale="0.01"):
        self.argv = list(SIM_COMMAND)
        self.argv += ["--serial"] if serial else ["--usb", usb_path]
        if config is not None:
            path = os.path.join(tmpdir, "config.json")
            with open(path, "w", encoding="utf-8") as handle:
                json.dump(config, handle)
            self.argv += ["--config", path]
        if scale is not None:
            self.argv += ["--time-scale", scale]
        self.argv += list(args)
        env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
        self.proc = subprocess.Popen(self.argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=env)
        banner = self._readline(60.0)
        if not banner:
            err = self.proc.stderr.read().decode(errors="replace") if self.proc.poll() is not None else ""
            self.proc.kill()
            self.proc.wait()
            raise RuntimeError("simulator did not start: %s" % err)
        self.kind, self.path = banner.decode().strip().split(" ", 1)

    def _readline(self, timeout):
        end = time.monotonic() + timeout
        line = b""
        fd = self.proc.stdout.fileno()
        while not line.endswith(b"\n"):
            left = end - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([fd], [], [], left)
            if not ready:
                return None
            chunk = os.read(fd, 1)
            if not chunk:
                return line or None
            line += chunk
        return line

    def request(self, obj, timeout=20.0):
        self.proc.stdin.write((json.dumps(obj) + "\n").encode())
        self.proc.stdin.flush()
        line = self._readline(timeout)
        if line is None:
            raise RuntimeError("no answer to %r" % (obj,))
        return json.loads(line)

    def fault(self, text):
        answer = self.request({"op": "fault", "fault": text})
        assert answer["ok"], answer
        return answer

    def log(self, clear=False):
        return self.request({"op": "log", "clear": clear})

    def registers(self):
        return self.request({"op": "registers"})

    def exchange(self, line, data, timeout=ANSWER_TIMEOUT):
        """Clears the log, sends `data` on `line` and waits until the
        simulator has read all of it; returns the log's entries since. The
        simulator answers what it read before it takes the next request, so
        by then whatever it sends in answer is in the log (or, on the serial
        line, in its paced output queue)."""
        self.log(clear=True)
        line.send(data)
        want = bytes(data).hex()

        def read():
            entries = self.log()["log"]
            if "".join(e["hex"] for e in entries if e["dir"] == "rx").endswith(want):
                return entries
            return None
        return wait_until(read, timeout, "the simulator to read %s" % want)

    def answer_to(self, line, data, timeout=ANSWER_TIMEOUT):
        """Everything the simulator sent in answer to `data`, as hex ("" for
        nothing): once it has read `data` and its output queue is empty."""
        self.exchange(line, data, timeout)
        wait_until(lambda: self.registers()["link"].get("queued", 0) == 0, timeout,
                   "the simulator's output queue to empty")
        return "".join(e["hex"] for e in self.log()["log"] if e["dir"] == "tx")

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        if self.proc.poll() is None:
            try:
                self.proc.wait(30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()
        return self.proc.returncode


class SerialHost:
    """The host's end of the serial line: raw 8-N-1 at the chosen baud."""

    def __init__(self, path, baud=19200):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)
        self.set_baud(baud)

    def set_baud(self, baud):
        attrs = termios.tcgetattr(self.fd)
        attrs[4] = attrs[5] = BAUDS[baud]
        termios.tcsetattr(self.fd, termios.TCSANOW, attrs)

    def send(self, data):
        os.write(self.fd, data)

    def send_split(self, data, pause=0.002):
        """First byte, pause, bytes 1..3, pause, the rest."""
        os.write(self.fd, data[:1])
        time.sleep(pause)
        os.write(self.fd, data[1:4])
        time.sleep(pause)
        os.write(self.fd, data[4:])

    def read(self, count, timeout=ANSWER_TIMEOUT):
        out = b""
        end = time.monotonic() + timeout
        while len(out) < count:
            left = end - time.monotonic()
            if left <= 0:
                break
            ready, _, _ = select.select([self.fd], [], [], left)
            if not ready:
                break
            chunk = os.read(self.fd, count - len(out))
            if not chunk:
                break
            out += chunk
        return out

    def byte(self, timeout=ANSWER_TIMEOUT):
        data = self.read(1, timeout)
        return data[0] if data else None

    def packet(self, timeout=ANSWER_TIMEOUT):
        """(lead, second, payload, checksum field, raw) or the bytes that came."""
        head = self.read(4, timeout)
        if len(head) < 4:
            return head
        length = head[2] | (head[3] << 8)
        rest = self.read(length + 2, timeout + length / 1000.0)
        raw = head + rest
        if len(rest) < length + 2:
            return raw
        return head[0], head[1], raw[4:4 + length], struct.unpack("<H", raw[-2:])[0], raw

    def drain(self, quiet=0.05):
        out = b""
        while True:
            chunk = self.read(4096, quiet)
            if not chunk:
                return out
            out += chunk

    def close(self):
        os.close(self.fd)


class UsbHost:
    """The host's end of the USB stand-in: one message per bulk transfer."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        self.sock.connect(path)

    def send(self, data):
        self.sock.send(data)

    send_split = send

    def message(self, timeout=ANSWER_TIMEOUT):
        ready, _, _ = select.select([self.sock], [], [], timeout)
        if not ready:
            return None
        return self.sock.recv(1 << 17)

    def byte(self, timeout=ANSWER_TIMEOUT):
        msg = self.message(timeout)
        if msg is None:
            return None
        assert len(msg) == 1, msg.hex()
        return msg[0]

    def packet(self, timeout=ANSWER_TIMEOUT):
        msg = self.message(timeout)
        if msg is None:
            return b""
        if len(msg) < 6:
            return msg
        length = msg[2] | (msg[3] << 8)
        if length + 6 != len(msg):
            return msg
        return msg[0], msg[1], msg[4:4 + length], struct.unpack("<H", msg[-2:])[0], msg

    def descriptor(self):
        self.sock.send(bytes([0x80, 0x06, 0x00, 0x01, 0x00, 0x00, 0x12, 0x00]))
        return self.message()

    def drain(self, quiet=0.05):
        out = b""
        while True:
            msg = self.message(quiet)
            if msg is None:
                return out
            out += msg

    def close(self):
        self.sock.close()


class Protocol:
    """The exchanges, from the host's side, on either line."""

    def __init__(self, line):
        self.line = line

    def wake(self):
        self.line.send(b"\x00")
        return self.line.byte()

    def write_register(self, reg, value, letter=b"C"):
        self.line.send_split(write_register_packet(reg, value, letter))
        return self.line.byte()

    def set_speed(self, index):
        return self.write_register(17, index, b"S")

    def read_register(self, reg, ack=True):
        self.line.send_split(read_register_packet(reg))
        reply = self.line.packet()
        if isinstance(reply, tuple):
            lead, seq, payload, check, raw = reply
            assert len(raw) == 10, raw.hex()
            assert (lead, seq, len(payload)) == (3, 0, 4), raw.hex()
            assert check == payload_sum(payload), raw.hex()
            if ack:
                self.line.send(bytes([ACK]))
            return struct.unpack("<I", payload)[0]
        return reply

    def action(self, action, arg=0):
        self.line.send_split(action_packet(action, arg))
        return self.line.byte()

    def download(self, reg, large=False, on_block=None):
        """Reads an object; checks types, sequence numbers and checksums."""
        self.line.send_split(command(bytes([6 if large else 4, reg])))
        data = bytearray()
        seq = 0
        while True:
            reply = self.line.packet()
            assert isinstance(reply, tuple), "block %d: %r" % (seq, reply[:16])
            lead, second, payload, check, raw = reply
            if on_block:
                on_block(seq, reply)
            assert lead in (2, 3), raw[:8].hex()
            assert second == seq & 0xFF, (second, seq)
            assert len(payload) <= (32768 if large else 2048)
            if large:
                assert check == 0xFFFF
            else:
                assert check == payload_sum(payload)
            data += payload
            seq += 1
            self.line.send(bytes([ACK]))
            if lead == 3:
                return bytes(data)

    def upload(self, reg, data, large=False):
        """Writes an object: command packet with the first bytes, then data
        packets numbered from 0, the last of type 3. Returns the reply bytes."""
        block = 32768 if large else 2048
        first = data[:block - 2]
        rest = data[len(first):]
        replies = []
        self.line.send_split(command(bytes([5 if large else 3, reg]) + first))
        replies.append(self.line.byte())
        seq = 0
        while True:
            chunk, rest = rest[:block], rest[block:]
            lead = 3 if not rest else 2
            self.line.send_split(packet(lead, seq, chunk, 0xFFFF if large else None))
            replies.append(self.line.byte())
            seq += 1
            if lead == 3:
                return replies
