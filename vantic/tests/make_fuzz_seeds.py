#!/usr/bin/env python3
"""Writes the seed inputs of vantic_link_fuzzer and vantic_conversation_fuzzer:
a choice byte, then the camera's replies (each a little-endian 16-bit length
and its bytes), one to each packet or control byte the library sends. The
packets are framed here, apart from the library's code."""
import os
import struct
import sys

ACK, ENQ, NAK, CAN, ESC, END = 0x06, 0x05, 0x15, 0x18, 0x1B, 0xFF


def packet(lead, second, payload):
    return bytes([lead, second]) + struct.pack('<H', len(payload)) + payload + struct.pack('<H', sum(payload) & 0xFFFF)


def register(value):
    return packet(3, 0, struct.pack('<I', value))


def pattern(n, seed):
    return bytes((i * 31 + seed) & 0xFF for i in range(n))


def seed(choice, replies, cut=0):
    out = bytes([choice]) + b''.join(struct.pack('<H', len(r)) + r for r in replies)
    return out[:len(out) - cut]


def open_session(usb):
    # wake-up (serial), speed write, ready read and its ACK
    return ([] if usb else [bytes([NAK])]) + [bytes([ACK]), register(1), b'']


def conversation(usb, fault=None):
    replies = open_session(usb)
    replies += [register(0xCAFE0102), b'']  # register read
    replies += [bytes([ACK])]  # register write
    replies += [bytes([ACK, ENQ])]  # action, done at once
    replies += [register(1), b'']  # ready check after the action
    replies += [packet(2, 0, pattern(100, 1)), packet(3, 1, pattern(50, 2)), b'']  # download
    replies += [bytes([ACK]), bytes([ACK])]  # object write: command and last packet
    replies += [packet(3, 0, pattern(40, 3)), b'']  # structure read
    replies += [] if usb else [bytes([ACK])]  # closing speed write
    if fault:
        replies = fault(replies)
    return replies


def at(index, extra):
    return lambda replies: replies[:index] + extra + replies[index:]


def main(folder):
    link = {
        # choice: exchange + 5 * port kind + 20 * register
        'register_serial': seed(20, [register(0x01020304), b'']),
        'register_usb': seed(25, [register(0x01020304), b'']),
        'nak_then_good': seed(20, [bytes([NAK]), register(7), b'']),
        'blocks_serial': seed(1, [packet(2, 0, pattern(64, 0)), packet(3, 1, pattern(16, 9)), b'']),
        'blocks_usb_small': seed(6, [packet(2, 0, pattern(64, 4)), packet(3, 1, pattern(16, 5)), b'']),
        'esc_resend': seed(1, [packet(ESC, ord('C'), b''), packet(3, 0, pattern(20, 6)), b'']),
        'can_mid_blocks': seed(1, [packet(2, 0, pattern(30, 7)), bytes([CAN]), packet(3, 1, pattern(8, 8)), b'']),
        'can_write_register': seed(2, [bytes([CAN]), bytes([ACK])]),
        'truncated_block': seed(1, [packet(2, 0, pattern(64, 0)), packet(3, 1, pattern(40, 2))], cut=20),
        'resend_then_end': seed(1, [packet(ESC, ord('C'), b''), bytes([END])]),
        'object_write_nak': seed(4, [bytes([ACK]), bytes([NAK]), bytes([ACK]), bytes([ACK])]),
        'action': seed(3, [bytes([NAK]), bytes([ACK])]),
    }
    speed5 = 4 << 2
    conversations = {
        'serial': seed(speed5, conversation(False)),
        'usb_small_blocks': seed(1, conversation(True)),
        'usb_large_blocks': seed(2, conversation(True)),
        'usb_unchecked': seed(3, conversation(True)),
        'nak_then_good': seed(speed5, conversation(False, at(4, [bytes([NAK])]))),
        'esc_resend': seed(speed5, conversation(False, at(10, [packet(ESC, ord('C'), b'')]))),
        'can_register_write': seed(speed5, conversation(False, at(6, [bytes([CAN])]))),
        'session_end_then_reopen': seed(speed5, conversation(False, at(6, [bytes([END])] + open_session(False)))),
        'truncated_download': seed(speed5, conversation(False)[:11], cut=30),
        # the speed switch answered with garbage: the open fails, the next operation opens again
        'garbled_speed_answer': seed(1, [b'A'] * 4 + conversation(True)),
        'garbled_speed_answer_serial': seed(speed5, [bytes([NAK])] + [b'A'] * 4 + conversation(False)),
    }
    for name, (sub, seeds) in {'link': ('vantic_link', link), 'conv': ('vantic_conversation', conversations)}.items():
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
        for base, data in seeds.items():
            with open(os.path.join(folder, sub, base), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus'))
