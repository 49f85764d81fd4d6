"""Packets and single bytes on the camera line, and the two framers that cut
incoming traffic into them: a byte-stream framer for the serial line and a
message framer for the USB stand-in (one message = one bulk transfer).

Packet: lead byte (0x1B command, 2 more data follows, 3 last data), letter or
sequence byte, payload length (u16 LE), payload, checksum (u16 LE, the 16-bit
sum of the payload bytes, 0xFFFF on an unchecked packet)."""

import struct

WAKE = 0x00
ENQ = 0x05
ACK = 0x06
DC1 = 0x11
NAK = 0x15
CAN = 0x18
ESC = 0x1B
SESSION_END = 0xFF

TYPE_MORE = 2
TYPE_LAST = 3

LETTER_C = 0x43
LETTER_S = 0x53

UNCHECKED = 0xFFFF

OP_WRITE_REG = 0
OP_READ_REG = 1
OP_ACTION = 2
OP_WRITE_OBJ = 3
OP_READ_OBJ = 4
OP_WRITE_OBJ_LARGE = 5
OP_READ_OBJ_LARGE = 6

BLOCK_SMALL = 2048
BLOCK_LARGE = 32768

# The largest payload any packet of this protocol can carry; an announced
# length above it is refused without waiting for the bytes.
MAX_PAYLOAD = BLOCK_LARGE

SPEED_TABLE = (19200, 9600, 19200, 38400, 57600, 115200, 230400)
DEFAULT_BAUD = 19200

CONTROL_NAMES = {WAKE: "WAKE", ENQ: "ENQ", ACK: "ACK", DC1: "DC1", NAK: "NAK",
                 CAN: "CAN", SESSION_END: "END"}


def checksum(payload):
    return sum(payload) & 0xFFFF


def build_packet(lead, second, payload, check=None):
    """A whole packet; check=None computes the checksum."""
    payload = bytes(payload)
    if check is None:
        check = checksum(payload)
    return struct.pack("<BBH", lead, second, len(payload)) + payload + struct.pack("<H", check & 0xFFFF)


def data_packet(last, sequence, payload, unchecked=False):
    return build_packet(TYPE_LAST if last else TYPE_MORE, sequence & 0xFF, payload,
                        UNCHECKED if unchecked else None)


def register_reply(value, sequence=0):
    return data_packet(True, sequence, struct.pack("<I", value & 0xFFFFFFFF))


class Packet:
    """One parsed packet as it came in."""

    __slots__ = ("lead", "second", "payload", "check", "raw")

    def __init__(self, lead, second, payload, check, raw):
        self.lead = lead
        self.second = second
        self.payload = payload
        self.check = check
        self.raw = raw

    @property
    def is_command(self):
        return self.lead == ESC

    @property
    def is_data(self):
        return self.lead in (TYPE_MORE, TYPE_LAST)

    @property
    def sum_matches(self):
        return checksum(self.payload) == self.check

    @property
    def unchecked(self):
        return self.check == UNCHECKED

    def describe(self):
        if self.is_command:
            letter = chr(self.second) if 32 <= self.second < 127 else "?"
            return "CMD %s len=%d" % (letter, len(self.payload))
        return "DATA type=%d seq=%d len=%d" % (self.lead, self.second, len(self.payload))


# Events the framers hand to the protocol engine.
EV_BYTE = "byte"             # a single control byte (value)
EV_PACKET = "packet"         # a whole packet (Packet)
EV_MALFORMED = "malformed"   # a unit that is no packet (raw bytes)
EV_DESCRIPTOR = "descriptor"  # USB: device-descriptor request (wLength)
EV_VENDOR = "vendor"         # USB: other control request, no answer


class StreamFramer:
    """Cuts the serial byte stream into control bytes and packets.

    A packet that stops arriving for `partial_timeout` seconds is dropped; an
    announced length above MAX_PAYLOAD is answered once the line has been quiet
    for `quiet` seconds (everything up to then is thrown away)."""

    def __init__(self, partial_timeout=1.0, quiet=0.02):
        self.partial_timeout = partial_timeout
        self.quiet = quiet
        self.reset()

    def reset(self):
        self._buf = bytearray()
        self._need = 0
        self._discarding = False
        self._last = 0.0

    @property
    def busy(self):
        return bool(self._buf) or self._discarding

    def feed(self, data, now):
        events = []
        self._last = now
        i = 0
        n = len(data)
        while i < n:
            if self._discarding:
                return events
            if not self._buf:
                b = data[i]
                i += 1
                if b in (ESC, TYPE_MORE, TYPE_LAST):
                    self._buf.append(b)
                    self._need = 4
                else:
                    events.append((EV_BYTE, b))
                continue
            take = min(self._need - len(self._buf), n - i)
            self._buf += data[i:i + take]
            i += take
            if len(self._buf) < self._need:
                continue
            if self._need == 4:
                length = self._buf[2] | (self._buf[3] << 8)
                if length > MAX_PAYLOAD:
                    self._discarding = True
                    self._buf = bytearray()
                    continue
                self._need = 4 + length + 2
                continue
            raw = bytes(self._buf)
            self._buf = bytearray()
            events.append((EV_PACKET, parse_whole(raw)))
        return events

    def poll(self, now):
        """Time-based events: the end of a discard, a dropped partial packet."""
        if self._discarding and now - self._last >= self.quiet:
            self._discarding = False
            return [(EV_MALFORMED, b"")]
        if self._buf and now - self._last >= self.partial_timeout:
            raw = bytes(self._buf)
            self._buf = bytearray()
            return [("incomplete", raw)]
        return []

    def next_deadline(self):
        if self._discarding:
            return self._last + self.quiet
        if self._buf:
            return self._last + self.partial_timeout
        return None


def parse_whole(raw):
    lead, second, length = struct.unpack_from("<BBH", raw, 0)
    payload = bytes(raw[4:4 + length])
    check = struct.unpack_from("<H", raw, 4 + length)[0]
    return Packet(lead, second, payload, check, bytes(raw))


def parse_message(msg):
    """One USB message into one event."""
    msg = bytes(msg)
    if len(msg) == 1:
        return (EV_BYTE, msg[0])
    if len(msg) == 8 and msg[0] in (0x40, 0x80, 0xC0):
        request_type, request, value, _index, wlength = struct.unpack("<BBHHH", msg)
        if request_type == 0x80 and request == 0x06 and (value >> 8) == 0x01:
            return (EV_DESCRIPTOR, wlength)
        if request_type in (0x40, 0xC0):
            return (EV_VENDOR, msg)
    if len(msg) >= 6 and msg[0] in (ESC, TYPE_MORE, TYPE_LAST):
        length = msg[2] | (msg[3] << 8)
        if length + 6 == len(msg) and length <= MAX_PAYLOAD:
            return (EV_PACKET, parse_whole(msg))
    return (EV_MALFORMED, msg)
