#!/usr/bin/env python3
"""scripts/soak's helper.

  soak_report.py scenario N          the soak scenario with N cycles, on stdout
  soak_report.py report N TRANSCRIPT per block of cycles: median OnConnection ms and resources;
                                     exit 1 unless the last block is flat against the first
"""
import re
import statistics
import sys

PROG_ID = "OrvanpdfVtAddIn.dsrPdfVtAddinWord"
# Flat: the last block's median OnConnection within +50 % or +20 ms of the first's; handles
# within +16 and private memory within +2 MB of the first block's end.
TIME_FACTOR, TIME_SLACK_MS = 1.5, 20
HANDLE_SLACK, PRIVATE_SLACK_KB = 16, 2048
# What officesim itself keeps of each transcript line in memory beside its text (16 bytes of where
# it is; len() counts the line feed, which is not kept), taken off the private memory so that the
# growth left is the add-in's and the host's.
LINE_COST = 15
# What Wine keeps of each bitmap read from the clipboard (the data it rebuilt the bitmap from,
# 1 KB for a 16x16 face, never freed; Windows keeps nothing): the
# host reads each face the add-in pastes. Measured in a small program that sets and reads a
# bitmap in a loop, and in a heap trace of this soak (four 1024-byte blocks a cycle, nothing else).
BITMAP_READ_KB = 1


def scenario(cycles):
    lines = [
        "# scripts/soak: off and on in the COM Add-ins dialog and a print, %d times, one host."
        % cycles,
        "host word",
        "jobapi printer-name none",
        'printer "HP LaserJet 4" port "LPT1:" active',
        'printer "Orvan pdf vatner" port "Ne00:"',
        'open "Bericht.docx" folder "C:\\Berichte" title "Quartalsbericht"',
        "start",
        "show resources",
    ]
    for _ in range(cycles):
        lines += [
            "user addins-dialog disconnect " + PROG_ID,
            "user addins-dialog connect " + PROG_ID,
            'click "Orvan pdf vatner Start"',
            "show resources",
        ]
    lines.append("close")
    return "\n".join(lines) + "\n"


def block_size(cycles):
    return 100 if cycles >= 200 else max(1, cycles // 2)


def report(cycles, path):
    timings, shown = [], []  # OnConnection ms per cycle; (resources, transcript cost) per show
    cost = 0
    timing = re.compile(r"timing " + re.escape(PROG_ID) + r" OnConnection ([\d.]+) ms")
    res = re.compile(r"resources gdi (-?\d+) user (-?\d+) handles (-?\d+) private-kb (-?\d+)"
                     r" bitmaps-read (\d+)")
    with open(path, encoding="utf-8", errors="replace") as transcript:
        for line in transcript:
            cost += len(line) + LINE_COST
            if m := timing.search(line):
                timings.append(float(m.group(1)))
            elif m := res.search(line):
                numbers = tuple(int(g) for g in m.groups())
                shown.append((numbers[:4], cost // 1024 + numbers[4] * BITMAP_READ_KB))
    # The first OnConnection is the host's start, the first show before any cycle, the last
    # resources line the close's.
    timings, shown = timings[1:], shown[1 : cycles + 1]
    if len(timings) != cycles or len(shown) != cycles:
        print("soak: expected %d cycles, the transcript has %d connections and %d resource lines"
              % (cycles, len(timings), len(shown)))
        return 2
    size = block_size(cycles)
    blocks = []
    # net: private memory less the transcript's lines and Wine's copies of the bitmaps read
    print("cycles       OnConnection-median  gdi  user  handles  private-kb    net-kb")
    for first in range(0, cycles - cycles % size or cycles, size):
        last = min(first + size, cycles) - 1
        median = statistics.median(timings[first:last + 1])
        (gdi, user, handles, private_kb), kept_kb = shown[last]
        net_kb = private_kb - kept_kb
        blocks.append((median, gdi, user, handles, net_kb))
        print("%5d-%-5d  %8.1f ms          %4d  %4d  %7d  %10d  %8d"
              % (first + 1, last + 1, median, gdi, user, handles, private_kb, net_kb))
    (m0, g0, u0, h0, p0), (m1, g1, u1, h1, p1) = blocks[0], blocks[-1]
    checks = [
        ("OnConnection median", "%.1f -> %.1f ms" % (m0, m1),
         m1 <= max(m0 * TIME_FACTOR, m0 + TIME_SLACK_MS)),
        ("GDI objects", "%d -> %d" % (g0, g1), g1 <= g0),
        ("USER objects", "%d -> %d" % (u0, u1), u1 <= u0),
        ("handles", "%d -> %d" % (h0, h1), h1 <= h0 + HANDLE_SLACK),
        ("private KB (net)", "%d -> %d" % (p0, p1), p1 <= p0 + PRIVATE_SLACK_KB),
    ]
    flat = True
    for name, change, ok in checks:
        print("%-20s %-22s %s" % (name, change, "flat" if ok else "GROWS"))
        flat = flat and ok
    print("soak: first %d cycles against last %d: %s" % (size, size, "flat" if flat else "NOT flat"))
    return 0 if flat else 1


def main(args):
    if len(args) == 2 and args[0] == "scenario":
        sys.stdout.write(scenario(int(args[1])))
        return 0
    if len(args) == 3 and args[0] == "report":
        return report(int(args[1]), args[2])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
