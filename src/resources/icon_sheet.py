#!/usr/bin/env python3
"""Draws the button bitmaps of a built DLL side by side into a PNG, to look at them in review.

    icon_sheet.py [--scale N] DLL OUTPUT.png ID...

Reads the PE resource directory of DLL, takes the BITMAP resources ID... of language 1031,
checks that each is a 232-byte 16x16 4-bit bitmap and draws it scaled up N times (8 unless
given), magenta shown as the classic button face grey C0C0C0. Stops with a message and exit
code 1 when a bitmap is missing or malformed.
"""
import argparse
import struct
import sys
import zlib

RT_BITMAP = 2
LANGUAGE = 1031  # LANG_GERMAN, SUBLANG_GERMAN
RESOURCE_SIZE = 232
SIZE = 16
MAGENTA = (255, 0, 255)
BUTTON_FACE = (192, 192, 192)
GAP = 2  # icon pixels between two icons


class SheetError(Exception):
    pass


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise SheetError("not a PE file (no MZ header)")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise SheetError("not a PE file (no PE signature)")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + {0x10B: 96, 0x20B: 112}[magic]
        self.resource_rva, self.resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        for index in range(sections):
            at = optional + optional_size + index * 40
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise SheetError(f"RVA {rva:#x} lies in no section")

    def _entries(self, directory):
        """The (id, offset) entries of a resource directory; offsets relative to the root."""
        root = self.offset(self.resource_rva)
        named, numbered = struct.unpack_from("<HH", self.data, root + directory + 12)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, root + directory + 16 + index * 8)
            if not name & 0x80000000:
                yield name, target

    def resource(self, type_id, name_id, language):
        if not self.resource_rva:
            raise SheetError("the DLL has no resources")
        level = 0
        for wanted in (type_id, name_id, language):
            found = dict(self._entries(level))
            if wanted not in found:
                return None
            level = found[wanted] & 0x7FFFFFFF
        rva, size = struct.unpack_from("<II", self.data, self.offset(self.resource_rva) + level)
        at = self.offset(rva)
        return self.data[at:at + size]


def decode_bitmap(resource_id, data):
    """Rows (top first) of RGB tuples of a stored 16x16 4-bit bitmap."""
    if len(data) != RESOURCE_SIZE:
        raise SheetError(f"BITMAP {resource_id} has {len(data)} bytes, expected {RESOURCE_SIZE}")
    size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data)
    if (size, width, height, planes, bits, compression) != (40, SIZE, SIZE, 1, 4, 0):
        raise SheetError(f"BITMAP {resource_id} is not a bottom-up 16x16 4-bit BI_RGB bitmap")
    table = [(data[at + 2], data[at + 1], data[at]) for at in range(40, 104, 4)]
    rows = []
    for stored in range(SIZE):
        packed = data[104 + stored * 8:104 + stored * 8 + 8]
        row = []
        for byte in packed:
            row += [table[byte >> 4], table[byte & 0x0F]]
        rows.insert(0, [BUTTON_FACE if rgb == MAGENTA else rgb for rgb in row])
    return rows


def png(width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + bytes(value for rgb in row for value in rgb) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def sheet(icons, scale):
    """The icons in one row, GAP pixels apart, each pixel drawn as a scale x scale square."""
    rows = []
    for y in range(SIZE):
        line = []
        for index, icon in enumerate(icons):
            line += ([BUTTON_FACE] * GAP if index else []) + icon[y]
        rows += [[rgb for rgb in line for _ in range(scale)]] * scale
    return len(rows[0]), len(rows), rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scale", type=int, default=8)
    parser.add_argument("dll")
    parser.add_argument("output")
    parser.add_argument("ids", type=int, nargs="+")
    args = parser.parse_args()
    try:
        with open(args.dll, "rb") as f:
            image = PeImage(f.read())
        icons = []
        for resource_id in args.ids:
            data = image.resource(RT_BITMAP, resource_id, LANGUAGE)
            if data is None:
                raise SheetError(f"no BITMAP {resource_id} of language {LANGUAGE}")
            icons.append(decode_bitmap(resource_id, data))
    except (SheetError, OSError, struct.error, KeyError) as error:
        print(f"{args.dll}: error: {error}", file=sys.stderr)
        return 1
    width, height, rows = sheet(icons, args.scale)
    with open(args.output, "wb") as f:
        f.write(png(width, height, rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
