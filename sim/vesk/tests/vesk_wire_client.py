#!/usr/bin/env python3
"""Independent client of the simulator daemon, written from the socket frame
and camera frame tables: asks the control device for the count, sends INQUIRY
to every node, and reads, writes and reads back register 35 of camera 0
through the open / frame / close / length / read / status steps."""
import socket
import struct
import sys

REQUEST_MAGIC = 0x51534B56
REPLY_MAGIC = 0x52534B56


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise EOFError("connection closed")
        data += chunk
    return data


SEQUENCE = [0x1000]


def request(sock, kind, code, cdb, direction, data=b"", want=0, timeout=45000):
    cdb_length = len(cdb) if kind == 1 else 0
    length = len(data) if direction == 1 else want
    SEQUENCE[0] += 1
    header = struct.pack("<IHHIBBH16sIII", REQUEST_MAGIC, kind, 0, code, cdb_length, direction, 0,
                         bytes(cdb).ljust(16, b"\0"), length, timeout, SEQUENCE[0])
    assert len(header) == 44
    sock.sendall(header + data)
    magic, error, scsi, sense_length, reserved, sense, n, sequence = struct.unpack("<IIBBH32sII", recv_exact(sock, 52))
    if magic != REPLY_MAGIC:
        raise ValueError("bad reply magic")
    if sequence != SEQUENCE[0]:
        raise ValueError("reply to request %d, not %d" % (sequence, SEQUENCE[0]))
    return error, scsi, recv_exact(sock, n)


def cdb12(op, length):
    return bytes([op, 0, 0, 0, 0, 0]) + struct.pack(">I", length) + bytes(2)


def scsi(sock, op, direction, length, data=b""):
    error, status, body = request(sock, 1, 0, cdb12(op, length), direction, data, length)
    if error:
        raise ValueError("SCSI 0x%02X failed with %d" % (op, error))
    return body


def frame_header(total, word=0x9FFF):
    return struct.pack("<IHH", total, 2, word) + bytes(56)


def command(kind, number, params=b""):
    payload = bytes([kind, number]) + params
    body = b"\x1bC" + struct.pack("<H", len(payload)) + payload + struct.pack("<H", sum(payload) & 0xFFFF)
    return frame_header(64 + len(body)) + body


def status_frame(byte):
    return frame_header(65, 0x09FF) + bytes([byte])


OPEN_BLOCK = struct.pack("<IHH", 12, 1, 0x9FFF) + bytes(8)


def step_send(sock, frame):
    scsi(sock, 0xC0, 1, 16, OPEN_BLOCK)
    scsi(sock, 0xC1, 1, len(frame), frame)
    scsi(sock, 0xC3, 2, 14)


def step_reply(sock):
    scsi(sock, 0xC0, 1, 16, OPEN_BLOCK)
    answer = scsi(sock, 0xC4, 2, 16)
    length = struct.unpack_from("<I", answer, 12)[0]
    record = scsi(sock, 0xC2, 2, length)
    scsi(sock, 0xC3, 2, 14)
    if struct.unpack_from("<HH", record, 4) != (2, 0x9FFF):
        raise ValueError("bad record header")
    return record


def read_register(sock, reg):
    step_send(sock, command(1, reg))
    record = step_reply(sock)
    value = struct.unpack_from("<I", record, 68)[0]
    if struct.unpack_from("<H", record, 72)[0] != sum(record[68:72]):
        raise ValueError("bad register checksum")
    step_send(sock, status_frame(0x06))
    return value


def write_register(sock, reg, value):
    step_send(sock, command(0, reg, struct.pack("<I", value)))
    return step_reply(sock)[64]


def main(folder):
    control = socket.socket(socket.AF_UNIX)
    control.connect(folder + "/BrantelVesk")
    error, scsi_status, body = request(control, 2, 0x222004, b"", 2, want=8)
    count = struct.unpack_from("<I", body)[0]
    print("count=%d" % count)
    for i in range(count):
        node = socket.socket(socket.AF_UNIX)
        node.connect("%s/BrantelVesk%d" % (folder, i))
        error, scsi_status, body = request(node, 1, 0, bytes([0x12, 0, 0, 0, 36, 0]), 2, want=36)
        print("inquiry%d=%d:%s" % (i, error, body[16:32].decode("ascii", "replace") if body else ""))
    camera = socket.socket(socket.AF_UNIX)
    camera.connect(folder + "/BrantelVesk0")
    print("reg35=%d" % read_register(camera, 35))
    print("write35=%02X" % write_register(camera, 35, 6))
    print("reg35=%d" % read_register(camera, 35))


main(sys.argv[1])
