#!/usr/bin/env python3
"""Sends remote-control datagrams, written here from the published XXTEA
algorithm apart from the program's own code.

usage: send_datagrams.py TARGET ITEM...
  TARGET  unix:NAME (abstract datagram socket) or udp:HOST:PORT
  ITEM    text:HEX          nonce (its index) + the text + 1..4 zero bytes,
                            enciphered under the built-in key
          uk:KEYHEX:HEX     the same under the key mixed with MD5(user key)
          raw:HEX           the bytes as they are (HEX may be empty)
          zeros:COUNT       COUNT zero bytes
Each item is one datagram, sent in the order given.
"""
import hashlib
import socket
import struct
import sys

BUILT_IN_KEY = [0x90AE8C7C, 0xB9AC8730, 0x19064D8B, 0x0D0605E9]
DELTA = 0x9E3779B9
MASK = 0xFFFFFFFF


def encipher(words, key):
    n = len(words)
    if n < 2:
        return words
    v = list(words)
    rounds = 6 + 52 // n
    total = 0
    z = v[n - 1]
    for _ in range(rounds):
        total = (total + DELTA) & MASK
        e = (total >> 2) & 3
        for p in range(n):
            y = v[(p + 1) % n]
            mx = ((((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((total ^ y) + (key[(p & 3) ^ e] ^ z))) & MASK
            v[p] = (v[p] + mx) & MASK
            z = v[p]
    return v


def datagram(nonce, text, key):
    plain = struct.pack("<I", nonce) + text + b"\0" * (4 - len(text) % 4)
    words = list(struct.unpack("<%dI" % (len(plain) // 4), plain))
    return struct.pack("<%dI" % len(words), *encipher(words, key))


def mixed_key(user_key):
    digest = struct.unpack("<4I", hashlib.md5(user_key).digest())
    return [BUILT_IN_KEY[i] ^ digest[i] for i in range(4)]


def main():
    target = sys.argv[1]
    payloads = []
    for index, item in enumerate(sys.argv[2:]):
        kind, _, rest = item.partition(":")
        if kind == "text":
            payloads.append(datagram(index, bytes.fromhex(rest), BUILT_IN_KEY))
        elif kind == "uk":
            user_key, _, text = rest.partition(":")
            payloads.append(datagram(index, bytes.fromhex(text), mixed_key(bytes.fromhex(user_key))))
        elif kind == "raw":
            payloads.append(bytes.fromhex(rest))
        elif kind == "zeros":
            payloads.append(bytes(int(rest)))
        else:
            sys.exit("unknown item " + item)
    if target.startswith("unix:"):
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        address = "\0" + target[5:]
    elif target.startswith("udp:"):
        host, _, port = target[4:].rpartition(":")
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        address = (host, int(port))
    else:
        sys.exit("unknown target " + target)
    for payload in payloads:
        sock.sendto(payload, address)
    print(len(payloads))


if __name__ == "__main__":
    main()
