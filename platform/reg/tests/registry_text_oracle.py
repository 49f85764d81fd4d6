#!/usr/bin/env python3
"""Independent reader of the registry's hive text format, for the tests.

Usage: registry_text_oracle.py FILE

Reads FILE as the format is described (header line, "[path]" key lines with
%XX escapes, "name"=data value lines with \\ \" \\xNN escapes; data "text",
dword:XXXXXXXX, hex:bb,.., hex(N):bb,..), checks that it is exactly what the
writer is described to produce (every line canonical, keys in pre-order with
sub-keys sorted by their upper-cased names, ancestors present, no duplicates)
and prints the tree:
    K <hex of the key path, components joined by a backslash>
    V <hex of the value name> <type in decimal> <hex of the data>
the root first, then every key in file order, each followed by its values.
Exits 1 with a message on the first line that breaks the format.
"""
import sys

HEX = b"0123456789abcdefABCDEF"


def fail(lineno, why):
    print("line %d: %s" % (lineno, why), file=sys.stderr)
    sys.exit(1)


def unquote(line, pos, lineno):
    """Reads a quoted text starting at line[pos] == '"'; returns (bytes, next pos)."""
    if line[pos:pos + 1] != b'"':
        fail(lineno, "expected a quote")
    pos += 1
    out = bytearray()
    while pos < len(line):
        c = line[pos]
        if c == 0x22:
            return bytes(out), pos + 1
        if c == 0x5C:
            nxt = line[pos + 1:pos + 2]
            if nxt in (b"\\", b'"'):
                out += nxt
                pos += 2
            elif nxt == b"x":
                digits = line[pos + 2:pos + 4]
                if len(digits) != 2 or any(d not in HEX for d in digits):
                    fail(lineno, "bad \\x escape")
                out.append(int(digits, 16))
                pos += 4
            else:
                fail(lineno, "unknown escape")
        else:
            if c < 0x20 or c == 0x7F:
                fail(lineno, "control byte")
            out.append(c)
            pos += 1
    fail(lineno, "missing closing quote")


def hex_list(text, lineno):
    if text == b"":
        return b""
    parts = text.split(b",")
    out = bytearray()
    for p in parts:
        if len(p) != 2 or any(d not in HEX for d in p):
            fail(lineno, "bad hex byte %r" % p)
        out.append(int(p, 16))
    return bytes(out)


def quote(raw):
    out = bytearray(b'"')
    for b in raw:
        if b in (0x5C, 0x22):
            out += b"\\" + bytes([b])
        elif 0x20 <= b <= 0x7E:
            out.append(b)
        else:
            out += b"\\x%02x" % b
    return bytes(out + b'"')


def component(raw):
    out = bytearray()
    for b in raw:
        if b == 0x25 or not (0x20 <= b <= 0x7E):
            out += b"%%%02X" % b
        else:
            out.append(b)
    return bytes(out)


def canonical_value(name, typ, data):
    """The line the writer is described to produce for this value."""
    head = quote(name) + b"="
    if typ == 1 and data.endswith(b"\0"):
        return head + quote(data[:-1])
    if typ == 4 and len(data) == 4:
        return head + b"dword:%08x" % int.from_bytes(data, "little")
    body = b",".join(b"%02x" % b for b in data)
    if typ == 3:
        return head + b"hex:" + body
    return head + b"hex(%x):" % typ + body


def parse_key(inner, lineno):
    if inner == b"":
        return ()
    names = []
    for part in inner.split(b"\\"):
        out = bytearray()
        i = 0
        while i < len(part):
            if part[i] == 0x25:
                digits = part[i + 1:i + 3]
                if len(digits) != 2 or any(d not in HEX for d in digits):
                    fail(lineno, "bad %XX")
                out.append(int(digits, 16))
                i += 3
            else:
                if part[i] < 0x20 or part[i] == 0x7F:
                    fail(lineno, "control byte in key")
                out.append(part[i])
                i += 1
        if not out or len(out) > 255:
            fail(lineno, "bad key component length")
        names.append(bytes(out))
    return tuple(names)


def parse_data(rest, lineno):
    if rest.startswith(b'"'):
        text, end = unquote(rest, 0, lineno)
        if end != len(rest):
            fail(lineno, "text after the value")
        return 1, text + b"\0"
    if rest.startswith(b"dword:"):
        digits = rest[6:]
        if len(digits) != 8 or any(d not in HEX for d in digits):
            fail(lineno, "dword needs 8 hex digits")
        return 4, int(digits, 16).to_bytes(4, "little")
    if rest.startswith(b"hex:"):
        return 3, hex_list(rest[4:], lineno)
    if rest.startswith(b"hex("):
        close = rest.find(b"):")
        digits = rest[4:close] if close > 0 else b""
        if not 1 <= len(digits) <= 8 or any(d not in HEX for d in digits):
            fail(lineno, "bad hex(N)")
        return int(digits, 16), hex_list(rest[close + 2:], lineno)
    fail(lineno, "unknown data")


def main():
    data = open(sys.argv[1], "rb").read()
    if not data.endswith(b"\n"):
        fail(0, "the file does not end with a line end")
    lines = data[:-1].split(b"\n")
    if lines[0] != b"TARSELREG 1":
        fail(1, "bad header")
    keys = {(): []}          # folded path -> [(name, type, data)]
    shown = {(): b""}        # folded path -> the path as written, decoded
    order = [()]
    current = None
    for lineno, line in enumerate(lines[1:], 2):
        if line == b"":
            continue
        if line.startswith(b"["):
            if not line.endswith(b"]"):
                fail(lineno, "unclosed key line")
            names = parse_key(line[1:-1], lineno)
            if b"[" + b"\\".join(component(n) for n in names) + b"]" != line:
                fail(lineno, "key line is not canonical")
            folded = tuple(n.upper() for n in names)
            if folded in keys and folded != ():
                fail(lineno, "key written twice")
            if folded and folded[:-1] not in keys:
                fail(lineno, "parent key not written before")
            if order[-1] != () and folded <= order[-1]:
                fail(lineno, "keys out of order")
            if folded != ():
                keys[folded] = []
                shown[folded] = b"\\".join(names)
                order.append(folded)
            current = folded
            continue
        if current is None:
            fail(lineno, "value before any key")
        name, pos = unquote(line, 0, lineno)
        if line[pos:pos + 1] != b"=":
            fail(lineno, "expected =")
        typ, value = parse_data(line[pos + 1:], lineno)
        if canonical_value(name, typ, value) != line:
            fail(lineno, "value line is not canonical")
        if any(n.upper() == name.upper() for n, _, _ in keys[current]):
            fail(lineno, "value written twice")
        keys[current].append((name, typ, value))
    for path in order:
        print("K " + shown[path].hex())
        for name, typ, value in keys[path]:
            print("V %s %d %s" % (name.hex(), typ, value.hex()))


if __name__ == "__main__":
    main()
