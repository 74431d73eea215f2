#!/usr/bin/env python3
"""Reads back the pictures word_picture.scenario draws and finds the add-in's faces in them.

    word_picture.check.py PICTURES_DIR ICONS_DIR

A face is the icon's map (ICONS_DIR/*.icon) drawn twice as large; its background (the magenta
entry, shown in the button face colour of the moment) matches any colour. Each picture must
show Start and Config on the toolbar (side by side when it lies across, one above the other
when it stands on the left) and in the open menu (one above the other), and nothing else.
"""
import re
import struct
import sys
import zlib
from pathlib import Path

SCALE = 2


def read_png(path):
    """(width, height, rows): rows of bytes, three a pixel."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path}: not a PNG file"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        assert zlib.crc32(kind + body) == crc, f"{path}: chunk {kind} has a wrong CRC"
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2), f"{path}: not 8-bit RGB"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = 3 * width
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = previous[i], previous[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def read_icon(path):
    """The icon drawn twice as large: rows of (r, g, b) or None where the background shows."""
    table, rows = {}, []
    for line in path.read_text().splitlines():
        found = re.match(r"colour\s+\d+\s+([0-9A-Fa-f]{6})\s+(\S)", line)
        if found and found.group(2) != "-":
            table[found.group(2)] = bytes.fromhex(found.group(1))
        elif re.fullmatch(r"[^\s#]{16}", line) and line != "map":
            rows.append([None if table[ch] == b"\xff\x00\xff" else table[ch] for ch in line])
    assert len(rows) == 16, f"{path}: {len(rows)} rows"
    return [[px for px in row for _ in range(SCALE)] for row in rows for _ in range(SCALE)]


def find(rows, face):
    """Top-left corners where the face is drawn."""
    # Found by the longest run without background in one of its rows, then checked whole.
    key_row, key_x, key = 0, 0, b""
    for y, row in enumerate(face):
        x = 0
        while x < len(row):
            end = x
            while end < len(row) and row[end] is not None:
                end += 1
            if end - x > len(key) // 3:
                key_row, key_x, key = y, x, b"".join(row[x:end])
            x = end + 1
    spots = []
    for y in range(len(rows) - len(face) + 1):
        at = rows[y + key_row].find(key)
        while at >= 0:
            if at % 3 == 0:
                left = at // 3 - key_x
                if left >= 0 and all(px is None or rows[y + fy][3 * (left + fx):3 * (left + fx) + 3] == px
                                     for fy, frow in enumerate(face) for fx, px in enumerate(frow)):
                    spots.append((left, y))
            at = rows[y + key_row].find(key, at + 1)
    return spots


def main():
    pictures, icons = Path(sys.argv[1]), Path(sys.argv[2])
    start, config = read_icon(icons / "pdf.icon"), read_icon(icons / "pdf_menu.icon")
    # Per picture: how the toolbar's two faces lie (None: no toolbar) and the box they lie in.
    expected = {
        "top.png": ("across", lambda x, y: x < 200 and 60 < y < 300),
        "floating.png": ("across", lambda x, y: x >= 300 and y >= 250),
        "left.png": ("down", lambda x, y: x < 60),
        "hidden.png": (None, None),
    }
    failures = []
    for name, (toolbar, where) in expected.items():
        width, height, rows = read_png(pictures / name)
        starts, configs = find(rows, start), find(rows, config)
        pairs = [(s, c) for s in starts for c in configs
                 if (s[1] == c[1] and c[0] > s[0]) or (s[0] == c[0] and c[1] > s[1])]
        menus = [p for p in pairs if p[0][0] == p[1][0] and not (toolbar and where(*p[0]))]
        bars = [p for p in pairs if p not in menus]
        want = 2 if toolbar else 1
        report = f"{name} ({width}x{height}): Start at {starts}, Config at {configs}"
        if len(starts) != want or len(configs) != want or len(menus) != 1:
            failures.append(f"{report}: expected {want} of each, one pair in the open menu")
        elif toolbar:
            s, c = bars[0] if len(bars) == 1 else ((0, 0), (0, 0))
            lies = "across" if s[1] == c[1] else "down"
            if len(bars) != 1 or lies != toolbar or not where(*s):
                failures.append(f"{report}: the toolbar's faces are not {toolbar} in their place")
        print(report)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
