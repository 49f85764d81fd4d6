#!/usr/bin/env python3
"""Independent model of the remote-control datagram, for the tests.

Written from the format's description, not from the C++ code:
  datagram = LE u32 nonce + message text + (4 - len % 4) zero bytes,
  enciphered whole as LE 32-bit words with XXTEA (delta 0x9E3779B9,
  6 + 52 // n cycles, key word (p & 3) ^ e with e = (sum >> 2) & 3),
  key = four built-in words, XORed with the LE words of MD5(user key).

Commands (text arguments are "-" for none, else "x" followed by hex bytes):
  build NONCE CAPTURE RC CAMERA RI CPFF USERKEY
      prints the datagram of the sender library (items RI, RC, CPFF,
      CAPTURE, CAM) as hex
  decipher HEX USERKEY
      prints "nonce=<8 hex> text=<hex> padding=<count>" for a datagram that
      deciphers to a zero-padded text, else "undecodable"
  xxtea enc|dec KEYHEX WORDHEX...
      prints the words enciphered or deciphered under the key (32 hex digits)
  batch
      reads one command per line from standard input, arguments separated by
      blanks, and prints one line for each
"""
import hashlib
import struct
import sys

DELTA = 0x9E3779B9
MASK = 0xFFFFFFFF
BUILT_IN_KEY = [0x90AE8C7C, 0xB9AC8730, 0x19064D8B, 0x0D0605E9]


def mx(y, z, total, p, e, key):
    left = ((z >> 5) ^ ((y << 2) & MASK)) + ((y >> 3) ^ ((z << 4) & MASK))
    right = (total ^ y) + (key[(p & 3) ^ e] ^ z)
    return ((left & MASK) ^ (right & MASK)) & MASK


def encipher(words, key):
    v = list(words)
    n = len(v)
    total = 0
    z = v[n - 1]
    for _ in range(6 + 52 // n):
        total = (total + DELTA) & MASK
        e = (total >> 2) & 3
        for p in range(n):
            y = v[(p + 1) % n]
            v[p] = (v[p] + mx(y, z, total, p, e, key)) & MASK
            z = v[p]
    return v


def decipher(words, key):
    v = list(words)
    n = len(v)
    rounds = 6 + 52 // n
    total = (rounds * DELTA) & MASK
    y = v[0]
    for _ in range(rounds):
        e = (total >> 2) & 3
        for p in range(n - 1, -1, -1):
            z = v[(p - 1) % n]
            v[p] = (v[p] - mx(y, z, total, p, e, key)) & MASK
            y = v[p]
        total = (total - DELTA) & MASK
    return v


def key_for(user_key):
    key = list(BUILT_IN_KEY)
    if user_key is not None:
        digest = struct.unpack("<4I", hashlib.md5(user_key).digest())
        key = [k ^ d for k, d in zip(key, digest)]
    return key


def text_arg(arg):
    if arg == "-":
        return None
    if not arg.startswith("x"):
        raise SystemExit("bad text argument: " + arg)
    return bytes.fromhex(arg[1:])


def library_text(capture, rc, camera, ri, cpff):
    items = []
    if ri is not None:
        items.append(b"RI" + (b"=" + ri if ri else b""))
    if rc:
        items.append(b"RC")
    if cpff is not None:
        items.append(b"CPFF" + (b"=" + cpff if cpff else b""))
    if capture:
        items.append(b"CAPTURE")
    if camera:
        items.append(b"CAM=" + camera)
    return b"MSL?" + b"&".join(items)


def build(nonce, text, key):
    plain = struct.pack("<I", nonce) + text + b"\0" * (4 - len(text) % 4)
    words = struct.unpack("<%dI" % (len(plain) // 4), plain)
    return struct.pack("<%dI" % len(words), *encipher(words, key))


def main(argv):
    if len(argv) == 9 and argv[1] == "build":
        nonce = int(argv[2], 0)
        text = library_text(argv[3] != "0", argv[4] != "0", text_arg(argv[5]), text_arg(argv[6]),
                            text_arg(argv[7]))
        print(build(nonce, text, key_for(text_arg(argv[8]))).hex())
        return 0
    if len(argv) == 4 and argv[1] == "decipher":
        data = bytes.fromhex(argv[2])
        if len(data) < 8 or len(data) % 4:
            print("undecodable")
            return 0
        words = struct.unpack("<%dI" % (len(data) // 4), data)
        plain = struct.pack("<%dI" % len(words), *decipher(words, key_for(text_arg(argv[3]))))
        body = plain[4:]
        text = body.rstrip(b"\0")
        padding = len(body) - len(text)
        if b"\0" in text or not 1 <= padding <= 4 or (len(text) + padding) % 4:
            print("undecodable")
            return 0
        print("nonce=%08x text=%s padding=%d" % (struct.unpack("<I", plain[:4])[0], text.hex(), padding))
        return 0
    if len(argv) >= 5 and argv[1] == "xxtea" and argv[2] in ("enc", "dec"):
        key = list(struct.unpack(">4I", bytes.fromhex(argv[3])))
        words = [int(w, 16) for w in argv[4:]]
        out = encipher(words, key) if argv[2] == "enc" else decipher(words, key)
        print(" ".join("%08x" % w for w in out))
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    if sys.argv[1:] == ["batch"]:
        for line in sys.stdin:
            if main([sys.argv[0]] + line.split()) != 0:
                sys.exit(2)
        sys.exit(0)
    sys.exit(main(sys.argv))
