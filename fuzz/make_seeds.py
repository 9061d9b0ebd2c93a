#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target into fuzz/corpus/TARGET/.

Valid inputs of every kind the sample configuration makes (its three printer types: 4, 6 and
5 channels at their resolutions), and the hostile inputs the unit tests hold. Run it from the
repository root after changing a format; the files are committed.
"""
import os
import shutil
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def put(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


# RIP files: a 48-byte header of little-endian words, then one bit per pixel per plane.
def rip_header(xres, yres, bpl, height, width, planes, reserved=0):
    words = [reserved, xres, yres, bpl, height, width, 0, planes, 0, 0, 0, 0]
    return struct.pack("<12i", *words)


def rip(xres, yres, bpl, height, planes, lines=None, width=None):
    lines = height if lines is None else lines
    width = bpl * 8 - 3 if width is None else width
    body = bytearray()
    for y in range(lines):
        for p in range(planes):
            row = bytearray(bpl)
            # Blank margins on both sides, ink in the middle, different per plane and line.
            for x in range(1, bpl - 1):
                row[x] = (0x81 * (y + 1) + 0x11 * p + x) & 0xFF
            body += row
    return rip_header(xres, yres, bpl, height, width, planes) + bytes(body)


def rip_seeds():
    for name, planes, (xres, yres) in [
        ("tx4", 4, (720, 360)), ("tx4", 4, (720, 720)), ("tx4", 4, (360, 360)),
        ("tx6", 6, (600, 600)), ("tx6", 6, (600, 1200)), ("tx6", 6, (400, 600)),
        ("white5", 5, (720, 720)), ("white5", 5, (360, 720)),
    ]:
        put("fuzz_rip", f"{name}-{xres}x{yres}", rip(xres, yres, 6, 5, planes))
    put("fuzz_rip", "blank-lines", rip_header(720, 720, 4, 3, 32, 4) + bytes(4 * 4 * 3))
    put("fuzz_rip", "zero-height", rip_header(720, 720, 4, 0, 32, 4))
    # Hostile: short header, fields out of range, fewer lines than announced, a trailing part.
    put("fuzz_rip", "short-header", rip_header(720, 720, 4, 3, 32, 4)[:47])
    put("fuzz_rip", "no-planes", rip_header(720, 720, 4, 3, 32, 0))
    put("fuzz_rip", "too-many-planes", rip_header(720, 720, 4, 3, 32, 17))
    put("fuzz_rip", "zero-resolution", rip_header(0, 720, 4, 3, 32, 4))
    put("fuzz_rip", "negative-line", rip_header(720, 720, -4, 3, 32, 4))
    put("fuzz_rip", "line-too-wide", rip_header(720, 720, 1 << 30, 3, 32, 4))
    put("fuzz_rip", "width-beyond-line", rip_header(720, 720, 4, 3, 33, 4))
    put("fuzz_rip", "endless", rip_header(2880, 2880, 4, 0x7FFFFFFF, 32, 4))
    put("fuzz_rip", "truncated", rip(720, 720, 8, 40, 4, lines=2))
    put("fuzz_rip", "partial-line", rip(720, 720, 8, 2, 4) + b"\x01\x02\x03")


# Tasks.dat: a count, then 624-byte records (16 words, then the name, thumbnail and file path).
def task(state=187, planes=4, height=100, bpl=90, name="job", thumb="", path="/tmp/a.rip",
         passes=2, xres=720, yres=720):
    words = [state, planes, height, bpl, 0, 1, passes, 0, 1, 0, 0, xres, yres, 1, 1, 0]
    rec = bytearray(624)
    rec[0:64] = struct.pack("<16i", *words)
    rec[64:64 + len(name)] = name.encode()
    rec[104:104 + len(thumb)] = thumb.encode()
    rec[364:364 + len(path)] = path.encode()
    return bytes(rec)


def tasks_seeds():
    put("fuzz_tasks", "empty", struct.pack("<i", 0))
    put("fuzz_tasks", "one", struct.pack("<i", 1) + task())
    three = [task(name="a", thumb="Works/1.bmp", path="/data/a.rip"),
             task(state=189, planes=6, name="b", thumb="Works/2.bmp", path="/data/b.rip"),
             task(state=188, planes=5, name="c", path="/data/c.rip", passes=4)]
    put("fuzz_tasks", "three", struct.pack("<i", 3) + b"".join(three))
    put("fuzz_tasks", "long-strings",
        struct.pack("<i", 1) + task(name="n" * 39, thumb="t" * 259, path="p" * 259))
    # Hostile: short file, count beyond the data, negative count, unterminated strings.
    put("fuzz_tasks", "short", b"\x01\x00")
    put("fuzz_tasks", "count-beyond", struct.pack("<i", 5) + task())
    put("fuzz_tasks", "negative-count", struct.pack("<i", -1) + task())
    bad = bytearray(task())
    bad[64:104] = b"x" * 40
    put("fuzz_tasks", "unterminated-name", struct.pack("<i", 1) + bytes(bad))
    put("fuzz_tasks", "partial-record", struct.pack("<i", 2) + task() + task()[:300])


# Bitmaps: 14-byte file header, 40-byte information header, rows padded to 4 bytes.
def bmp(width, height, bpp=24, top_down=True, info=40, planes=1, compression=0, rows=None):
    row_bytes = (width * bpp // 8 + 3) // 4 * 4
    count = abs(height) if rows is None else rows
    pixels = bytes((x * 7 + y * 13) & 0xFF for y in range(count) for x in range(row_bytes))
    offset = 14 + info
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    dib = struct.pack("<IiiHHIIiiII", info, width, -height if top_down else height, planes, bpp,
                      compression, len(pixels), 2835, 2835, 0, 0)
    dib += bytes(info - 40)
    return header + dib + pixels


def bmp_seeds():
    put("fuzz_bmp", "thumb-24-topdown", bmp(5, 4))
    put("fuzz_bmp", "thumb-32-topdown", bmp(3, 3, bpp=32))
    put("fuzz_bmp", "bottom-up", bmp(4, 2, top_down=False))
    put("fuzz_bmp", "v5-header", bmp(2, 2, info=124))
    put("fuzz_bmp", "one-pixel", bmp(1, 1))
    # Hostile: one bit per pixel, compressed, two planes, missing rows, absurd sides.
    put("fuzz_bmp", "mono", bmp(8, 2, bpp=1))
    put("fuzz_bmp", "compressed", bmp(2, 2, compression=1))
    put("fuzz_bmp", "two-planes", bmp(2, 2, planes=2))
    put("fuzz_bmp", "rows-missing", bmp(4, 4, rows=2))
    put("fuzz_bmp", "huge-sides", bmp(16385, 16385, rows=0))
    put("fuzz_bmp", "no-rows", bmp(2, 1, rows=0))
    put("fuzz_bmp", "short", b"BM" + bytes(20))


# Replies: each a length byte (bytes - 1), then the bytes, as the fuzz target reads them.
def replies(*rs):
    out = bytearray()
    for r in rs:
        out.append(len(r) - 1)
        out += bytes(r)
    return bytes(out)


def reply_seeds():
    src = os.path.join(ROOT, "tests", "data", "device", "replies.txt")
    seen = []
    with open(src) as f:
        for line in f:
            if line.startswith("#") or "->" not in line:
                continue
            hexes = line.split("->")[0].split()
            try:
                seen.append([int(h, 16) for h in hexes])
            except ValueError:
                continue
    for i, r in enumerate(seen):
        if r:
            put("fuzz_reply", f"tested-{i:02d}", replies(r))
    put("fuzz_reply", "all-tested", replies(*[r for r in seen if r]))
    put("fuzz_reply", "unknown-codes", replies([0xEE], [0x01, 0x02], [0xFE, 1, 2, 3]))


def cmdlog_seeds():
    lines = [
        "Command: 80 ,len: 1, buf[0]: 80. buf[1]:0, buf[2]:0 ",
        "Command: 91 ,len: 2, buf[0]: 91. buf[1]:3, buf[2]:0 ",
        "Command: a2 ,len: 3, buf[0]: a2. buf[1]:39, buf[2]:30 ",
        "Command: a5 ,len: 4, buf[0]: a5. buf[1]:10, buf[2]:27 ",
        "Command: e0 ,len: 511, buf[0]: e0. buf[1]:1, buf[2]:2 ",
        "Command: 7 ,len: 1, buf[0]: 7. buf[1]:0, buf[2]:0 ",
        "Data Command: ff ",
        "Received Command: buf[0]: c0. buf[1]:0, buf[2]:0 , buf[3]:0",
        "Received Command: buf[0]: 5f. buf[1]:12, buf[2]:34 , buf[3]:56",
        "Received Command: buf[0]: ee. buf[1]:0, buf[2]:0 , buf[3]:0",
        "a line of no known form",
        "Command: ffffffff ,len: -2147483648, buf[0]: ffffffff. buf[1]:ffffffff, buf[2]:ffffffff ",
    ]
    for i, line in enumerate(lines):
        put("fuzz_cmdlog", f"line-{i:02d}", line)


def socket_seeds():
    def req(t, ep, payload=b"", length=None, timeout=1000):
        n = len(payload) if length is None else length
        return struct.pack("<BBII", t, ep, n, timeout) + payload

    def resp(err, value, payload=b"", length=None):
        n = len(payload) if length is None else length
        return struct.pack("<BII", err, value, n) + payload

    session = (req(1, 0) + req(2, 0) + req(3, 1, b"\x80") + req(4, 0x82, length=512) +
               req(5, 0, b"status") + req(6, 0) + req(7, 0))
    put("fuzz_socket", "requests", b"\x00" + session)
    put("fuzz_socket", "request-too-long", b"\x00" + req(3, 1, length=(1 << 29) + 1))
    put("fuzz_socket", "control-too-long", b"\x00" + req(5, 0, length=4097))
    put("fuzz_socket", "request-cut", b"\x00" + req(3, 1, length=100) + b"\x01\x02")
    put("fuzz_socket", "responses",
        b"\x01" + resp(0, 1) + resp(0, 0, b"\xc0") + resp(0, 0, b"\x01\x02\x82\x02") +
        resp(0, 0, b"ok"))
    put("fuzz_socket", "response-too-long", b"\x01" + resp(0, 0, length=(1 << 16) + 1))
    controls = ["key pause", "key up", "key nothing", "reply 5f 01 02 03", "reply zz",
                "reply", "sheet", "sheet status", "short 3", "short -5", "reset", "unplug",
                "replug", "mute", "unmute", "stall", "garble", "oversize", "status", "bogus"]
    put("fuzz_socket", "control-lines", "\x02" + "\n".join(controls))


def ini_seeds():
    sample = os.path.join(ROOT, "data", "sample", "tavolux.ini")
    cfg = os.path.join(ROOT, "tests", "data", "config")
    for target in ("fuzz_ini", "fuzz_ini_mem"):
        shutil.copy(sample, os.path.join(CORPUS, target, "sample.ini"))
        for name in sorted(os.listdir(cfg)):
            if name.endswith(".ini"):
                shutil.copy(os.path.join(cfg, name), os.path.join(CORPUS, target, name))
        put(target, "crlf.ini", "[SYSTEM]\r\nPrinter=0\r\n[A]\r\nx = 1 \r\n")
        put(target, "bom.ini", "\xef\xbb\xbf[SYSTEM]\nPrinter=1\n")
        put(target, "quoted.ini", "[SYSTEM]\nPrinter=\"2\"\nName=' x '\n")
        put(target, "unclosed.ini", "[SYSTEM\nPrinter=1\n[]\n=novalue\nkey\n")
        put(target, "long-value.ini", "[SYSTEM]\nPrinter=" + "9" * 600 + "\n")


# Glyph inputs: six placement bytes (x as a little-endian short, nozzle, group with the
# missing-group flag in bit 7, record, image width with the label-file flag in bit 7), then the
# file. Records carry a diagonal so that a byte landing in the wrong place shows.
def glyph_file(record_bytes, records):
    body = bytearray()
    for k in range(records):
        for i in range(record_bytes):
            body.append((k * 7 + i * 13) & 0xFF)
    return bytes(body)


def glyph_seeds():
    digits = glyph_file(300, 41)
    labels = glyph_file(1200, 28)
    put("fuzz_glyph", "digit-inside", struct.pack("<hbBbB", 10, 0, 0, 20, 30) + digits)
    put("fuzz_glyph", "digit-short-file", struct.pack("<hbBbB", 0, 0, 0, 40, 30) + digits[:-1])
    put("fuzz_glyph", "digit-left-of-image", struct.pack("<hbBbB", -45, 3, 1, 0, 12) + digits)
    put("fuzz_glyph", "digit-past-last-nozzle", struct.pack("<hbBbB", 60, 15, 0, 40, 9) + digits)
    put("fuzz_glyph", "label-missing-group",
        struct.pack("<hbBbB", 5, -5, 0x81, 27, 0x80 | 39) + labels)
    put("fuzz_glyph", "label-right-edge", struct.pack("<hbBbB", 300, 2, 0, 3, 0x80 | 38) + labels)
    put("fuzz_glyph", "empty-file", struct.pack("<hbBbB", 0, 0, 0, 0, 0))


if __name__ == "__main__":
    for d in ("fuzz_ini", "fuzz_ini_mem"):
        os.makedirs(os.path.join(CORPUS, d), exist_ok=True)
    rip_seeds()
    tasks_seeds()
    bmp_seeds()
    reply_seeds()
    cmdlog_seeds()
    socket_seeds()
    ini_seeds()
    glyph_seeds()
