#!/usr/bin/env python3
"""Turns a button icon's text map (*.icon) into the 4-bit BMP file the resource script includes.

    icon_bitmap.py --background-entry N INPUT.icon OUTPUT.bmp

An .icon file holds the colour table and the picture, '#' starts a comment line:

    colour  11 FF00FF .   background      <- entry, RRGGBB, the character painting it ('-': none)
    ...                                      (all 16 entries, each once)
    map                                   <- then 16 rows of 16 characters, top row first

The output is a 16x16 bottom-up BI_RGB bitmap with 16 colours: the 14-byte file header
(windres strips it), a 40-byte BITMAPINFOHEADER, 64 bytes of colour table and 128 bytes of
pixels. Entry N must be magenta (FF00FF), the only magenta of the table: it is the background
that the add-in maps to the button face colour. Any fault stops with "file:line: message".
"""
import argparse
import re
import struct
import sys

SIZE = 16
COLOURS = 16
MAGENTA = 0xFF00FF
ROW_BYTES = SIZE // 2  # two 4-bit pixels a byte; 8 bytes keep rows DWORD-aligned
INFO_HEADER_SIZE = 40
PIXEL_BYTES = ROW_BYTES * SIZE
FILE_HEADER_SIZE = 14

COLOUR_LINE = re.compile(r"colour\s+(\d+)\s+([0-9A-Fa-f]{6})\s+(\S)(?:\s+.*)?$")


class IconError(Exception):
    def __init__(self, path, line, message):
        super().__init__(f"{path}:{line}: error: {message}")


def parse_icon(path, text):
    """(table, rows, table_lines): 16 RRGGBB integers, 16 rows of 16 table entries, and the line
    of each entry's colour."""
    table = [None] * COLOURS
    table_lines = [0] * COLOURS
    legend = {}
    rows = []
    map_line = None
    for number, raw in enumerate(text.splitlines(), start=1):
        line = raw.rstrip()
        if map_line is not None:
            if not line:
                continue
            if len(rows) == SIZE:
                raise IconError(path, number, f"more than {SIZE} map rows")
            if len(line) != SIZE:
                raise IconError(path, number, f"map row has {len(line)} pixels, expected {SIZE}")
            for column, char in enumerate(line):
                if char not in legend:
                    raise IconError(path, number,
                                    f"column {column + 1}: character '{char}' is not in the legend")
            rows.append([legend[char] for char in line])
            continue
        stripped = line.strip()
        if not stripped or stripped.startswith("#"):
            continue
        if stripped == "map":
            map_line = number
            continue
        match = COLOUR_LINE.match(stripped)
        if not match:
            raise IconError(path, number, "expected 'colour ENTRY RRGGBB CHAR [name]' or 'map'")
        entry, rgb, char = int(match.group(1)), int(match.group(2), 16), match.group(3)
        if entry >= COLOURS:
            raise IconError(path, number, f"entry {entry} outside the table of {COLOURS}")
        if table[entry] is not None:
            raise IconError(path, number, f"entry {entry} given twice (line {table_lines[entry]})")
        table[entry], table_lines[entry] = rgb, number
        if char != "-":
            if char in legend:
                raise IconError(path, number, f"character '{char}' already paints entry {legend[char]}")
            legend[char] = entry
    end = len(text.splitlines())
    missing = [str(entry) for entry, rgb in enumerate(table) if rgb is None]
    if missing:
        raise IconError(path, end, f"colour table lacks entries {', '.join(missing)}")
    if map_line is None:
        raise IconError(path, end, "no 'map' line")
    if len(rows) != SIZE:
        raise IconError(path, end, f"map has {len(rows)} rows, expected {SIZE}")
    return table, rows, table_lines


def check_background(path, table, table_lines, rows, entry):
    if table[entry] != MAGENTA:
        raise IconError(path, table_lines[entry],
                        f"background entry {entry} is {table[entry]:06X}, expected FF00FF")
    for other, rgb in enumerate(table):
        if other != entry and rgb == MAGENTA:
            raise IconError(path, table_lines[other],
                            f"entry {other} is magenta too; only entry {entry} may be")
    if not any(entry in row for row in rows):
        raise IconError(path, table_lines[entry], f"the map never uses background entry {entry}")


def bitmap_file(table, rows):
    info = struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, SIZE, SIZE, 1, 4, 0, PIXEL_BYTES, 0, 0,
                       COLOURS, 0)  # BI_RGB; all 16 colours used, all of them important (0)
    colours = b"".join(struct.pack("<BBBB", rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0)
                       for rgb in table)
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up: the last map row is stored first
        for left, right in zip(row[0::2], row[1::2]):
            pixels.append(left << 4 | right)
    offset = FILE_HEADER_SIZE + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colours + bytes(pixels)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--background-entry", type=int, required=True, choices=range(COLOURS))
    parser.add_argument("input")
    parser.add_argument("output")
    args = parser.parse_args()
    try:
        with open(args.input, encoding="utf-8") as f:
            text = f.read()
        table, rows, table_lines = parse_icon(args.input, text)
        check_background(args.input, table, table_lines, rows, args.background_entry)
    except IconError as error:
        print(error, file=sys.stderr)
        return 1
    except (OSError, UnicodeDecodeError) as error:
        print(f"{args.input}: error: {error}", file=sys.stderr)
        return 1
    with open(args.output, "wb") as f:
        f.write(bitmap_file(table, rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
