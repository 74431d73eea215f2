#!/usr/bin/env python3
"""The icon map converter: the bitmap it writes, and the faults it stops at with file and line.

    icon_bitmap_test.py CONVERTER ICON   (ICON: a valid map whose magenta entry is 11)
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

CONVERTER, ICON = sys.argv[1], sys.argv[2]


def convert(text, background_entry=11):
    """(exit code, stderr, output bytes) of converting text written to a temporary .icon file."""
    with tempfile.TemporaryDirectory() as folder:
        source, target = os.path.join(folder, "t.icon"), os.path.join(folder, "t.bmp")
        with open(source, "w", encoding="utf-8") as f:
            f.write(text)
        run = subprocess.run([sys.executable, CONVERTER, "--background-entry",
                              str(background_entry), source, target],
                             capture_output=True, text=True)
        if not os.path.exists(target):
            return run.returncode, run.stderr, None
        with open(target, "rb") as f:
            return run.returncode, run.stderr, f.read()


class IconBitmapTest(unittest.TestCase):
    def setUp(self):
        with open(ICON, encoding="utf-8") as f:
            self.lines = f.read().splitlines()
        self.map_at = self.lines.index("map") + 1  # index of the first map row
        self.colour_at = {int(line.split()[1]): i for i, line in enumerate(self.lines)
                          if line.startswith("colour")}

    def text(self, replace=None, drop=None):
        lines = list(self.lines)
        for index, line in (replace or {}).items():
            lines[index] = line
        if drop is not None:
            del lines[drop]
        return "\n".join(lines) + "\n"

    def test_writes_a_bottom_up_4_bit_bitmap(self):
        code, errors, bmp = convert(self.text())
        self.assertEqual((code, errors), (0, ""))
        self.assertEqual(len(bmp), 14 + 232)
        self.assertEqual(struct.unpack_from("<2sIHHI", bmp), (b"BM", 246, 0, 0, 14 + 40 + 64))
        self.assertEqual(struct.unpack_from("<IiiHHIIiiII", bmp, 14),
                         (40, 16, 16, 1, 4, 0, 128, 0, 0, 16, 0))
        self.assertEqual(bmp[14 + 40 + 11 * 4:14 + 40 + 12 * 4], b"\xff\x00\xff\x00")
        # Top-left pixel of the map: first (high) nibble of the last stored row.
        top_left = self.text(replace={self.map_at: "K" + self.lines[self.map_at][1:]})
        bottom_right = self.text(replace={self.map_at + 15: self.lines[self.map_at + 15][:15] + "W"})
        self.assertEqual(convert(top_left)[2][-8] >> 4, 0)
        self.assertEqual(convert(bottom_right)[2][14 + 40 + 64 + 7] & 0x0F, 1)

    def test_faults_name_file_and_line(self):
        row, black = self.map_at + 3, self.colour_at[0]
        twelve, one = (self.lines[self.colour_at[entry]].split()[2:4] for entry in (12, 1))
        cases = [  # name, text, background entry, faulty line (1-based), message
            ("unknown character", self.text(replace={row: "?" + self.lines[row][1:]}), 11,
             row + 1, "column 1: character '?' is not in the legend"),
            ("short row", self.text(replace={row: self.lines[row][:15]}), 11,
             row + 1, "map row has 15 pixels, expected 16"),
            ("long row", self.text(replace={row: self.lines[row] + "."}), 11,
             row + 1, "map row has 17 pixels, expected 16"),
            ("15 rows", self.text(drop=row), 11, len(self.lines) - 1, "map has 15 rows"),
            ("17 rows", self.text(replace={row: self.lines[row] + "\n" + self.lines[row]}), 11,
             len(self.lines) + 1, "more than 16 map rows"),
            ("background not magenta", self.text(), 12,
             self.colour_at[12] + 1, f"background entry 12 is {twelve[0]}, expected FF00FF"),
            ("second magenta", self.text(replace={black: "colour  0 FF00FF K  black"}), 11,
             black + 1, "entry 0 is magenta too"),
            ("entry missing", self.text(drop=self.colour_at[12]), 11, len(self.lines) - 1,
             "colour table lacks entries 12"),
            ("entry twice", self.text(replace={black: "colour  1 000000 K  black"}), 11,
             self.colour_at[1] + 1, "entry 1 given twice"),
            ("character twice", self.text(replace={black: f"colour  0 000000 {one[1]}"}), 11,
             self.colour_at[1] + 1, f"character '{one[1]}' already paints entry 0"),
        ]
        for name, text, entry, line, message in cases:
            with self.subTest(name):
                code, errors, bmp = convert(text, entry)
                self.assertEqual(code, 1)
                self.assertIsNone(bmp)
                self.assertRegex(errors, rf"t\.icon:{line}: error: {re.escape(message)}")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
