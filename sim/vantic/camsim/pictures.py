"""Picture, thumbnail and audio data the simulated camera stores.

Pictures are baseline JPEGs made here: a small synthetic image encoded with a
plain baseline encoder (flat Huffman tables defined in the file), an APP1 Exif
block, and COM segments that pad the file to the configured size. Audio is a
44-byte WAV header followed by 4-bit codes of the camera's step-adaptive
scheme (format 0) or by plain unsigned 8-bit samples (format 1)."""

import math
import operator
import random
import struct

# ---------------------------------------------------------------------------
# Baseline JPEG encoder

_ZIGZAG = []
for _s in range(15):
    _cells = [(r, _s - r) for r in range(max(0, _s - 7), min(_s, 7) + 1)]
    if _s % 2 == 0:
        _cells.reverse()
    _ZIGZAG.extend(_cells)
del _s, _cells

_COS = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)] for u in range(8)]
_CU = [1 / math.sqrt(2)] + [1.0] * 7

# Quantisation tables in natural order: coarser with frequency.
_QUANT_LUMA = [[4 + 2 * (r + c) for c in range(8)] for r in range(8)]
_QUANT_CHROMA = [[6 + 3 * (r + c) for c in range(8)] for r in range(8)]

# Flat Huffman tables: every DC category at 4 bits, every baseline AC symbol at 8 bits.
_DC_SYMBOLS = list(range(12))
_AC_SYMBOLS = [0x00, 0xF0] + [(run << 4) | size for run in range(16) for size in range(1, 11)]


def _flat_table(symbols, length):
    counts = [0] * 16
    counts[length - 1] = len(symbols)
    codes = {sym: (i, length) for i, sym in enumerate(symbols)}
    return counts, symbols, codes


_DC_TABLE = _flat_table(_DC_SYMBOLS, 4)
_AC_TABLE = _flat_table(_AC_SYMBOLS, 8)


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        self.acc = (self.acc << length) | (value & ((1 << length) - 1))
        self.n += length
        while self.n >= 8:
            self.n -= 8
            byte = (self.acc >> self.n) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)
        self.acc &= (1 << self.n) - 1

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)


def _category(value):
    magnitude = abs(value)
    size = magnitude.bit_length()
    bits = value if value >= 0 else value + (1 << size) - 1
    return size, bits


# The 1-D transform with its scale: the 2-D one is DCT · block · DCTᵀ.
_DCT = [[0.5 * _CU[u] * _COS[u][x] for x in range(8)] for u in range(8)]


def _fdct(block):
    """out[v][u] = 1/4 C(u) C(v) sum over x, y of block[y][x] cos(..u..x) cos(..v..y)."""
    rows = [[sum(map(operator.mul, basis, line)) for basis in _DCT] for line in block]
    columns = list(zip(*rows))
    return [[sum(map(operator.mul, basis, columns[u])) for u in range(8)] for basis in _DCT]


_ZIGZAG_FLAT = [r * 8 + c for r, c in _ZIGZAG]


def _encode_block(block, quant_zz, previous_dc, writer):
    """quant_zz: the quantiser in zig-zag order."""
    flat = [value for row in _fdct(block) for value in row]
    zz = [int(round(flat[i] / q)) for i, q in zip(_ZIGZAG_FLAT, quant_zz)]
    zz = [1023 if v > 1023 else (-1023 if v < -1023 else v) for v in zz]
    dc = zz[0]
    size, bits = _category(dc - previous_dc)
    code, length = _DC_TABLE[2][size]
    writer.put(code, length)
    if size:
        writer.put(bits, size)
    run = 0
    for value in zz[1:]:
        if value == 0:
            run += 1
            continue
        while run > 15:
            code, length = _AC_TABLE[2][0xF0]
            writer.put(code, length)
            run -= 16
        size, bits = _category(value)
        code, length = _AC_TABLE[2][(run << 4) | size]
        writer.put(code, length)
        writer.put(bits, size)
        run = 0
    if run:
        code, length = _AC_TABLE[2][0x00]
        writer.put(code, length)
    return dc


def _segment(marker, body):
    return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body


def _pixels(width, height, seed):
    """A deterministic colour pattern per seed: (Y, Cb, Cr) planes."""
    rng = random.Random(seed)
    a, b, c = rng.randrange(256), rng.randrange(1, 7), rng.randrange(1, 7)
    planes = ([], [], [])
    for y in range(height):
        rows = ([], [], [])
        for x in range(width):
            red = (a + x * b * 4) & 0xFF
            green = (a // 2 + y * c * 4) & 0xFF
            blue = ((x ^ y) * 8 + a) & 0xFF
            rows[0].append(0.299 * red + 0.587 * green + 0.114 * blue)
            rows[1].append(128 - 0.168736 * red - 0.331264 * green + 0.5 * blue)
            rows[2].append(128 + 0.5 * red - 0.418688 * green - 0.081312 * blue)
        for plane, row in zip(planes, rows):
            plane.append(row)
    return planes


def _tables_and_frame(width, height):
    """DQT, SOF0 (three components, no subsampling) and DHT."""
    out = bytearray()
    for table_id, quant in ((0, _QUANT_LUMA), (1, _QUANT_CHROMA)):
        out += _segment(0xDB, bytes([table_id]) + bytes(quant[r][c] for r, c in _ZIGZAG))
    out += _segment(0xC0, struct.pack(">BHHB", 8, height, width, 3)
                    + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    for table_class, table_id, table in ((0, 0, _DC_TABLE), (1, 0, _AC_TABLE),
                                         (0, 1, _DC_TABLE), (1, 1, _AC_TABLE)):
        out += _segment(0xC4, bytes([(table_class << 4) | table_id]) + bytes(table[0]) + bytes(table[1]))
    return bytes(out)


def encode_jpeg_body(width, height, seed):
    """DQT, SOF0, DHT, SOS, scan and EOI of a width x height picture."""
    planes = _pixels(width, height, seed)
    out = bytearray(_tables_and_frame(width, height))
    out += _segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    writer = _BitWriter()
    previous = [0, 0, 0]
    quants = [[quant[r][c] for r, c in _ZIGZAG] for quant in (_QUANT_LUMA, _QUANT_CHROMA, _QUANT_CHROMA)]
    # Level-shifted planes padded to whole blocks by repeating the last row and column.
    padded_w, padded_h = (width + 7) // 8 * 8, (height + 7) // 8 * 8
    shifted = []
    for plane in planes:
        rows = [[v - 128.0 for v in row] + [row[-1] - 128.0] * (padded_w - width) for row in plane]
        rows += [rows[-1]] * (padded_h - height)
        shifted.append(rows)
    for by in range(0, padded_h, 8):
        for bx in range(0, padded_w, 8):
            for comp in range(3):
                block = [row[bx:bx + 8] for row in shifted[comp][by:by + 8]]
                previous[comp] = _encode_block(block, quants[comp], previous[comp], writer)
    writer.flush()
    out += writer.out
    out += b"\xff\xd9"
    return bytes(out)


# ---------------------------------------------------------------------------
# Exif

_ASCII, _SHORT, _LONG, _RATIONAL, _UNDEFINED, _SRATIONAL = 2, 3, 4, 5, 7, 10
_TYPE_SIZE = {_ASCII: 1, _SHORT: 2, _LONG: 4, _RATIONAL: 8, _UNDEFINED: 1, _SRATIONAL: 8}


def _ifd(entries, base, next_offset=0):
    """A little-endian IFD at offset `base` of the TIFF block, values after it."""
    entries = sorted(entries, key=lambda e: e[0])
    head = struct.pack("<H", len(entries))
    data_offset = base + 2 + 12 * len(entries) + 4
    data = bytearray()
    for tag, kind, count, value in entries:
        head += struct.pack("<HHI", tag, kind, count)
        if len(value) <= 4:
            head += value.ljust(4, b"\0")
        else:
            head += struct.pack("<I", data_offset + len(data))
            data += value
    head += struct.pack("<I", next_offset)
    return head + bytes(data)


def _ascii(text):
    raw = text.encode("ascii", "replace") + b"\0"
    return (_ASCII, len(raw), raw)


def _description(info, length):
    text = ("Tarsel test picture %d " % info.get("index", 0)).ljust(length - 1, ".")
    return text[:length - 1]


def _exif_entries(info, stamp):
    return [
        (0x829A, _RATIONAL, 1, struct.pack("<II", max(1, info.get("exposure_us", 8000)), 1000000)),
        (0x829D, _RATIONAL, 1, struct.pack("<II", info.get("f_number_x10", 28), 10)),
        (0x8822, _SHORT, 1, struct.pack("<H", info.get("program", 2))),
        (0x8827, _SHORT, 1, struct.pack("<H", info.get("iso", 100))),
        (0x9000, _UNDEFINED, 4, b"0220"),
        (0x9003,) + _ascii(stamp),
        (0x9004,) + _ascii(stamp),
        (0x9204, _SRATIONAL, 1, struct.pack("<ii", info.get("bias_x10", 0), 10)),
        (0x9207, _SHORT, 1, struct.pack("<H", info.get("metering", 2))),
        (0x9208, _SHORT, 1, struct.pack("<H", info.get("light_source", 0))),
        (0x9209, _SHORT, 1, struct.pack("<H", info.get("flash", 0))),
        (0x920A, _RATIONAL, 1, struct.pack("<II", info.get("focal_x10", 80), 10)),
        (0xA002, _LONG, 1, struct.pack("<I", info.get("width", 64))),
        (0xA003, _LONG, 1, struct.pack("<I", info.get("height", 48))),
    ]


def _camera_entries(info, stamp, description_length):
    return [
        (0x010E,) + _ascii(_description(info, description_length)),
        (0x010F,) + _ascii(info.get("make", "Simulated Camera")),
        (0x0110,) + _ascii(info.get("model", "SIM-1")),
        (0x0112, _SHORT, 1, struct.pack("<H", 1)),
        (0x011A, _RATIONAL, 1, struct.pack("<II", 72, 1)),
        (0x011B, _RATIONAL, 1, struct.pack("<II", 72, 1)),
        (0x0128, _SHORT, 1, struct.pack("<H", 2)),
        (0x0131,) + _ascii(info.get("software", "1.00")),
        (0x0132,) + _ascii(stamp),
    ]


def _tiff_header(info, description_length=8, image_entries=()):
    """"II*", the first IFD (camera texts, `image_entries`, the Exif pointer)
    and the Exif IFD. An image entry whose value is None is the strip offset:
    it is filled with the header's own length, where the strip then follows."""
    stamp = info.get("datetime", "2024:01:01 12:00:00")
    ifd0 = _camera_entries(info, stamp, description_length) + list(image_entries)
    ifd0 = [e if e[3] is not None else e[:3] + (b"\0\0\0\0",) for e in ifd0]
    strip = [i for i, e in enumerate(ifd0) if e[0] == 0x0111]
    ifd0.append((0x8769, _LONG, 1, b"\0\0\0\0"))
    exif = _exif_entries(info, stamp)
    # Offsets stay 4-byte values, so a second pass with them filled in keeps every length.
    first = _ifd(ifd0, 8)
    exif_offset = 8 + len(first)
    ifd0[-1] = (0x8769, _LONG, 1, struct.pack("<I", exif_offset))
    end = exif_offset + len(_ifd(exif, exif_offset))
    for index in strip:
        ifd0[index] = ifd0[index][:3] + (struct.pack("<I", end),)
    return b"II*\0" + struct.pack("<I", 8) + _ifd(ifd0, 8) + _ifd(exif, exif_offset)


def exif_block(info, description_length=8):
    """The APP1 segment. `description_length` (>= 5) sets the size of the
    ImageDescription text so the file size can be tuned byte by byte."""
    return _segment(0xE1, b"Exif\0\0" + _tiff_header(info, description_length))


def _block_colour(bx, by, seed):
    """The (Y, Cb, Cr) of block (bx, by) of a mosaic; rows of blocks repeat every 8."""
    rng = random.Random(seed)
    a, b, c = rng.randrange(256), rng.randrange(1, 7), rng.randrange(1, 7)
    red = (a + bx * b * 16) & 0xFF
    green = (a // 2 + by * c * 32) & 0xFF
    blue = (((bx ^ by) & 7) * 32 + a) & 0xFF
    return red, green, blue


def _ycbcr(red, green, blue):
    return (0.299 * red + 0.587 * green + 0.114 * blue,
            128 - 0.168736 * red - 0.331264 * green + 0.5 * blue,
            128 + 0.5 * red - 0.418688 * green - 0.081312 * blue)


def _mosaic_row(columns, by, seed):
    """One restart interval: a row of flat blocks (DC only), predictors from 0."""
    writer = _BitWriter()
    previous = [0, 0, 0]
    quants = (_QUANT_LUMA[0][0], _QUANT_CHROMA[0][0], _QUANT_CHROMA[0][0])
    eob_code, eob_length = _AC_TABLE[2][0x00]
    for bx in range(columns):
        for comp, value in enumerate(_ycbcr(*_block_colour(bx, by, seed))):
            # A flat block's only coefficient: 8 times its level-shifted value.
            dc = int(round(8 * (value - 128.0) / quants[comp]))
            size, bits = _category(dc - previous[comp])
            code, length = _DC_TABLE[2][size]
            writer.put(code, length)
            if size:
                writer.put(bits, size)
            writer.put(eob_code, eob_length)
            previous[comp] = dc
    writer.flush()
    return bytes(writer.out)


def encode_mosaic_body(width, height, seed):
    """DQT, SOF0, DHT, DRI, SOS, scan and EOI of a mosaic of 8x8 flat blocks:
    one restart interval per row of blocks, so a picture of any size costs the
    encoding of at most eight rows."""
    columns, rows = (width + 7) // 8, (height + 7) // 8
    out = bytearray(_tables_and_frame(width, height))
    out += _segment(0xDD, struct.pack(">H", columns))
    out += _segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    encoded = {}
    for by in range(rows):
        if by % 8 not in encoded:
            encoded[by % 8] = _mosaic_row(columns, by, seed)
        out += encoded[by % 8]
        if by + 1 < rows:
            out += bytes([0xFF, 0xD0 + by % 8])
    out += b"\xff\xd9"
    return bytes(out)


def make_tiff(size, info, seed):
    """An uncompressed RGB TIFF of the mosaic, with the camera's Exif IFD, of
    exactly `size` bytes (unreferenced bytes after the strip), or of its natural
    size when that is larger."""
    width, height = info.get("width", 64), info.get("height", 48)
    strip_size = width * height * 3
    image = [
        (0x0100, _LONG, 1, struct.pack("<I", width)),
        (0x0101, _LONG, 1, struct.pack("<I", height)),
        (0x0102, _SHORT, 3, struct.pack("<HHH", 8, 8, 8)),
        (0x0103, _SHORT, 1, struct.pack("<H", 1)),
        (0x0106, _SHORT, 1, struct.pack("<H", 2)),
        (0x0111, _LONG, 1, None),
        (0x0115, _SHORT, 1, struct.pack("<H", 3)),
        (0x0116, _LONG, 1, struct.pack("<I", height)),
        (0x0117, _LONG, 1, struct.pack("<I", strip_size)),
        (0x011C, _SHORT, 1, struct.pack("<H", 1)),
    ]
    out = bytearray(_tiff_header(info, image_entries=image))
    lines = {}
    for by in range((height + 7) // 8):
        if by % 8 not in lines:
            pixels = b"".join(bytes(_block_colour(bx, by, seed)) * 8 for bx in range((width + 7) // 8))
            lines[by % 8] = pixels[:width * 3]
        out += lines[by % 8] * min(8, height - by * 8)
    if size > len(out):
        out += random.Random(seed).randbytes(size - len(out))
    return bytes(out)


def _com_segments(count, seed):
    """COM segments totalling exactly `count` bytes (count 0 or >= 4)."""
    rng = random.Random(seed)
    out = bytearray()
    while count > 0:
        take = min(count, 65537)
        rest = count - take
        if 0 < rest < 4:
            take -= 4
        out += _segment(0xFE, rng.randbytes(take - 4))
        count -= take
    return bytes(out)


def make_jpeg(size, info, seed, with_exif=True):
    """A JPEG of exactly `size` bytes, or of its natural size when that is larger;
    with `info["mosaic"]` the picture is a mosaic of flat blocks (fast at any size)."""
    encode = encode_mosaic_body if info.get("mosaic") else encode_jpeg_body
    body = encode(info.get("width", 64), info.get("height", 48), seed)
    if not with_exif:
        base = b"\xff\xd8" + body
        if size <= len(base):
            return base
        pad = size - len(base)
        if pad < 4:
            # Fill bytes: any marker may be preceded by extra 0xFF bytes.
            return b"\xff\xd8" + b"\xff" * pad + body
        return b"\xff\xd8" + _com_segments(pad, seed) + body
    app1 = exif_block(info)
    natural = 2 + len(app1) + len(body)
    if size <= natural:
        return b"\xff\xd8" + app1 + body
    pad = size - natural
    if pad < 4:
        app1 = exif_block(info, 8 + pad)
        return b"\xff\xd8" + app1 + body
    return b"\xff\xd8" + app1 + _com_segments(pad, seed) + body


# ---------------------------------------------------------------------------
# Audio

AUDIO_HEADER_SIZE = 44
AUDIO_RATE = 8000


def wav_header(samples, rate=AUDIO_RATE):
    return (b"RIFF" + struct.pack("<I", 36 + samples) + b"WAVE"
            + b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate, 1, 8)
            + b"data" + struct.pack("<I", samples))


def _code_effect(code, s):
    """(signed delta, next step before clamping) of one 4-bit code at step s."""
    negative = code >= 8
    magnitude = 16 - code if negative else code
    if magnitude == 0:
        delta, new_step = 0, (3 * s) >> 2
    elif magnitude == 1:
        delta, new_step = s, (3 * s) >> 2
    elif magnitude in (2, 3, 4):
        delta, new_step = magnitude * s, s
    elif magnitude == 5:
        delta, new_step = 5 * s + (s >> 1), s + (s >> 2)
    elif magnitude == 6:
        delta, new_step = (15 * s) >> 1, 2 * s
    elif magnitude == 7:
        delta = 9 * s + (s >> 1) if negative else 10 * s + (s >> 1)
        new_step = 2 * s + (s >> 1)
    else:
        delta, new_step = 12 * s + (s >> 1), 5 * s
    return (-delta if negative else delta), max(1, min(48, new_step))


# Steps stay within 1..48, so every (step, code) pair is known in advance.
_EFFECTS = [None] + [[_code_effect(code, step) for code in range(16)] for step in range(1, 49)]


def _nibble_step(code, step, sample):
    """One code of the step-adaptive scheme: (new step, new sample, output byte)."""
    delta, new_step = _EFFECTS[step][code]
    sample = max(-512, min(511, sample + delta))
    return new_step, sample, ((sample >> 2) + 128) & 0xFF


def decode_audio(codes):
    """The samples that 4-bit codes (high nibble first) expand to."""
    step, sample = 2, 0
    out = bytearray()
    for byte in codes:
        for code in (byte >> 4, byte & 0x0F):
            step, sample, value = _nibble_step(code, step, sample)
            out.append(value)
    return bytes(out)


def encode_audio(targets):
    """Greedy 4-bit coding of signed samples (-512..511); len(targets) even."""
    step, sample = 2, 0
    codes = []
    for target in targets:
        best = None
        for code, (delta, new_step) in enumerate(_EFFECTS[step]):
            new_sample = max(-512, min(511, sample + delta))
            error = abs(new_sample - target)
            if best is None or error < best[0]:
                best = (error, code, new_step, new_sample)
        _, code, step, sample = best
        codes.append(code)
    if len(codes) % 2:
        codes.append(0)
    return bytes((codes[i] << 4) | codes[i + 1] for i in range(0, len(codes), 2))


def make_audio(samples, compressed, seed):
    """(stored bytes, decoded bytes) of a tone of `samples` samples (even)."""
    samples -= samples % 2
    rng = random.Random(seed)
    frequency = 300 + rng.randrange(700)
    targets = [int(400 * math.sin(2 * math.pi * frequency * i / AUDIO_RATE)) for i in range(samples)]
    header = wav_header(samples)
    if compressed:
        codes = encode_audio(targets)
        return header + codes, header + decode_audio(codes)
    pcm = bytes(((t >> 2) + 128) & 0xFF for t in targets)
    return header + pcm, header + pcm
