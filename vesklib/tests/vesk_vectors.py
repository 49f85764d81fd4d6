#!/usr/bin/env python3
"""Golden vectors for the camera link, written from the command and frame
tables without looking at the library's code: the CDB, direction, data length
and time-out of each SCSI command, the bytes of each frame kind, the block
split of data writes and the command order of each transaction.

Output, one vector a line:
  cmd <name> <cdb hex> <direction: none|out|in> <length> <time-out ms> <data out hex or ->
  frame <name> <hex>
  blocks <source length> <size:type,...>
  txn <name> <opcode,...>
"""
import struct
import sys

TIMEOUT_MS = 45000


def le16(v):
    return struct.pack('<H', v & 0xFFFF)


def le32(v):
    return struct.pack('<I', v & 0xFFFFFFFF)


def frame_header(total, mark=0x9FFF):
    return le32(total) + le16(2) + le16(mark) + bytes(56)


def checksum(data):
    return sum(data) & 0xFFFF


def command_frame(body):
    tail = bytes([0x1B, ord('C')]) + le16(len(body)) + body + le16(checksum(body))
    return frame_header(64 + len(tail)) + tail


def register_write(reg, value):
    return command_frame(bytes([0, reg]) + le32(value))


def register_read(reg):
    return command_frame(bytes([1, reg]))


def action(number, parameter):
    return command_frame(bytes([2, number, parameter]))


def data_read(reg):
    return command_frame(bytes([6, reg]))


def data_write_first(reg, data):
    return command_frame(bytes([5, reg]) + data)


def data_write_further(kind, sequence, data):
    tail = bytes([kind, sequence]) + le16(len(data)) + data + le16(checksum(data))
    return frame_header(64 + len(tail)) + tail


def status_frame(status):
    return frame_header(65, mark=0x09FF)[:64] + bytes([status])


def cdb12(opcode, length_field=None, byte9=None):
    cdb = bytearray(12)
    cdb[0] = opcode
    if length_field is not None:
        cdb[6:10] = struct.pack('>I', length_field)
    if byte9 is not None:
        cdb[9] = byte9
    return bytes(cdb)


def emit_cmd(out, name, cdb, direction, length, timeout, data=None):
    out.append('cmd %s %s %s %d %d %s' % (name, cdb.hex(), direction, length, timeout,
                                          data.hex() if data is not None else '-'))


def write_blocks(length):
    # Every block carries 32767 bytes but the last, which carries what
    # remains, possibly nothing; a source that fills its blocks exactly still
    # ends with an empty last block.
    sizes = []
    remaining = length
    while True:
        if remaining >= 32767:
            sizes.append(32767)
            remaining -= 32767
        else:
            sizes.append(remaining)
            break
    types = []
    for i in range(len(sizes)):
        if i == 0:
            types.append(1)
        elif i == len(sizes) - 1:
            types.append(3)
        else:
            types.append(2)
    return list(zip(sizes, types))


def main():
    out = []
    open_block = le32(12) + le16(1) + le16(0x9FFF) + bytes(8)
    emit_cmd(out, 'open', cdb12(0xC0, byte9=16), 'out', 16, TIMEOUT_MS, open_block)
    emit_cmd(out, 'open_extra2', cdb12(0xC0, byte9=16), 'out', 16, TIMEOUT_MS + 2000, open_block)
    emit_cmd(out, 'open_extra15', cdb12(0xC0, byte9=16), 'out', 16, TIMEOUT_MS + 15000, open_block)
    f = register_read(7)
    emit_cmd(out, 'send_register_read_7', cdb12(0xC1, len(f)), 'out', len(f), TIMEOUT_MS, f)
    f = status_frame(0x06)
    emit_cmd(out, 'send_status_ack', cdb12(0xC1, byte9=65), 'out', 65, TIMEOUT_MS, f)
    f = data_write_first(22, b'x' * 32767)
    emit_cmd(out, 'send_big_first_block', cdb12(0xC1, len(f)), 'out', len(f), TIMEOUT_MS, f)
    emit_cmd(out, 'reply_length', cdb12(0xC4, byte9=16), 'in', 16, TIMEOUT_MS)
    emit_cmd(out, 'read_reply_74', cdb12(0xC2, 74), 'in', 74, TIMEOUT_MS)
    emit_cmd(out, 'read_reply_32835', cdb12(0xC2, 32835), 'in', 32835, TIMEOUT_MS)
    emit_cmd(out, 'close_step', cdb12(0xC3, byte9=14), 'in', 14, TIMEOUT_MS)
    emit_cmd(out, 'inquiry', bytes([0x12, 0, 0, 0, 36, 0]), 'in', 36, TIMEOUT_MS)

    frames = [
        ('register_write_7_11223344', register_write(7, 0x11223344)),
        ('register_write_2_ffffffff', register_write(2, 0xFFFFFFFF)),
        ('register_read_85', register_read(85)),
        ('action_2_0', action(2, 0)),
        ('action_8_2', action(8, 2)),
        ('data_read_14', data_read(14)),
        ('data_write_first_22_hello', data_write_first(22, b'HELLO')),
        ('data_write_first_87_empty', data_write_first(87, b'')),
        ('data_write_further_2_0_abc', data_write_further(2, 0, b'abc')),
        ('data_write_further_3_1_empty', data_write_further(3, 1, b'')),
        ('data_write_further_3_5_ff', data_write_further(3, 5, bytes([0xFF] * 300))),
        ('status_06', status_frame(0x06)),
        ('status_15', status_frame(0x15)),
        ('open_block', open_block),
    ]
    for name, data in frames:
        out.append('frame %s %s' % (name, data.hex()))

    for length in (0, 1, 32766, 32767, 32768, 65533, 65534, 65535, 98301, 98302):
        out.append('blocks %d %s' % (length, ','.join('%d:%d' % b for b in write_blocks(length))))

    O, F, C, L, R = 'c0', 'c1', 'c3', 'c4', 'c2'
    S = 'c1'
    out.append('txn read_register ' + ','.join([O, F, C, O, L, R, C, O, S, C]))
    out.append('txn write_register_ack ' + ','.join([O, F, C, O, L, R, C]))
    out.append('txn write_register_nak_nak_ack ' + ','.join([O, F, C, O, L, R, C] * 3))
    out.append('txn run_action ' + ','.join([O, F, C, O, L, R, C, O, L, R, C]))
    out.append('txn run_action_dc1_ack ' + ','.join([O, F, C, O, L, R, C, O, L, R, C, O, L, R, C]))
    # Two data blocks: after each, the step is closed and acknowledged.
    out.append('txn read_data_two_blocks ' + ','.join([O, F, C, O, L, R, C, O, S, C, O, L, R, C, O, S, C]))
    # 32767 bytes: the full first block, then the empty last block.
    out.append('txn write_data_32767 ' + ','.join([O, F, C, O, L, R, C] * 2))
    sys.stdout.write('\n'.join(out) + '\n')


if __name__ == '__main__':
    main()
