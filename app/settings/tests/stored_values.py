#!/usr/bin/env python3
"""Prints the values one key holds in a hive file, read straight from the text.

Usage: stored_values.py HIVE_FILE KEY_PATH

For each value of the key (path compared with ASCII letters folded), in file
order, one line: name, a tab, the type in decimal, a tab, the data in hex.
Written from the hive format's description only; exits 1 when the key is
missing.
"""
import sys


def unescape_component(text):
    out = bytearray()
    i = 0
    while i < len(text):
        if text[i] == 0x25:  # %XX
            out.append(int(text[i + 1:i + 3], 16))
            i += 3
        else:
            out.append(text[i])
            i += 1
    return bytes(out)


def unquote(line, pos):
    assert line[pos] == 0x22
    pos += 1
    out = bytearray()
    while line[pos] != 0x22:
        if line[pos] == 0x5C:
            if line[pos + 1] == ord("x"):
                out.append(int(line[pos + 2:pos + 4], 16))
                pos += 4
            else:
                out.append(line[pos + 1])
                pos += 2
        else:
            out.append(line[pos])
            pos += 1
    return bytes(out), pos + 1


def data_of(text):
    text = text.split(b";")[0].strip() if not text.startswith(b'"') else text
    if text.startswith(b'"'):
        raw, _ = unquote(text, 0)
        return 1, raw + b"\0"
    if text.startswith(b"dword:"):
        return 4, int(text[6:14], 16).to_bytes(4, "little")
    if text.startswith(b"hex:"):
        body = text[4:]
        return 3, bytes(int(b, 16) for b in body.split(b",")) if body else b""
    if text.startswith(b"hex("):
        close = text.index(b")")
        body = text[close + 2:]
        return int(text[4:close], 16), bytes(int(b, 16) for b in body.split(b",")) if body else b""
    raise ValueError(text)


def main():
    hive, wanted = sys.argv[1], sys.argv[2].encode().upper()
    found = False
    current = None
    with open(hive, "rb") as f:
        for line in f.read().split(b"\n"):
            line = line.strip(b" \t\r")
            if not line or line.startswith(b";") or line.startswith(b"TARSELREG"):
                continue
            if line.startswith(b"["):
                current = unescape_component(line[1:line.rindex(b"]")]).upper()
                found = found or current == wanted
                continue
            if current != wanted:
                continue
            name, pos = unquote(line, 0)
            assert line[pos] == ord("=")
            kind, data = data_of(line[pos + 1:])
            print("%s\t%d\t%s" % (name.decode("latin-1"), kind, data.hex()))
    return 0 if found else 1


if __name__ == "__main__":
    sys.exit(main())
