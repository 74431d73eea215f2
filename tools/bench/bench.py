#!/usr/bin/env python3
"""The benchmark's scenarios and its report.

  bench.py scenario HOST CASE RUNS     prints the scenario of one case (see CASES)
  bench.py report OUT.md RUNS DIR...   reads each DIR (one per build: transcripts and profile
                                       lines by host and case, info.txt) and writes OUT.md;
                                       prints the summary

A case's runs are start-ups and shut-downs of the host with the add-in and the no-op add-in
(OfficeSim.NoOpAddin) loaded side by side, or clicks. The add-in's own measurements come from
its profile lines (ORVAN_PDFVTADDINPROFILE): the whole time, by phase and by where it went; the
host's clock gives OnConnection and OnDisconnection as Office measures them, and its journal
(officesim --verbose) the host calls.
"""
import re
import statistics
import sys
from pathlib import Path

HOSTS = ("word", "excel", "powerpoint")
PROG_ID = "OrvanpdfVtAddIn"
NOOP = "OfficeSim.NoOpAddin"
# Case: what it measures. "first" runs one officesim process per start-up (each a new
# installation); the others one process with a start-up before the measured ones.
CASES = {
    "first": "first start: the bars are made",
    "kept": "start with the bars kept from the last session (repaired)",
    "kept-norepair": "start with the bars kept, ToolBarNotRepair set",
    "no-printer": "start without the PDF printer (no bars made)",
    "clicks": "Start and Config clicks",
}
PHASES = ("jobapi-check", "registry", "toolbar", "faces", "menu", "settings", "hooking", "rest")
WHERE = ("own", "host", "clipboard", "jobapi", "spooler")
DOCUMENTS = {
    "word": 'open "Bench.docx" folder "C:\\Bench" title "Bench"',
    "excel": 'open "Bench.xlsx" folder "C:\\Bench" title "Bench"',
    "powerpoint": 'open "Bench.pptx" folder "C:\\Bench" title "Bench" slides 1',
}
TARGETS = (  # what, case, measure, limit in ms
    ("OnConnection, first start", "first", "connect", 10.0),
    ("OnConnection, nothing to make", "kept-norepair", "connect", 5.0),
    ("OnDisconnection", "kept", "disconnect", 5.0),
    ("Start click, own overhead", "clicks", "Start click", 2.0),
    ("Config click, own overhead", "clicks", "Config click", 2.0),
)


def scenario(host, case, runs):
    lines = [f"# bench: {host}, {CASES[case]}", f"host {host}", f"addin-record {NOOP}"]
    if case == "first":
        return "\n".join(lines + ["start", "close", ""])
    if case == "kept-norepair":
        lines.append("registry OfficeAddin\\ToolBarNotRepair 1")
    if case == "no-printer":
        lines.append("jobapi printer missing")
    if case == "clicks":
        lines += [DOCUMENTS[host], "jobapi dialog accept", "start"]
        lines += ['click "Orvan pdf vatner Start"'] * runs
        lines += ['click "Orvan pdf vatner Config"'] * runs
        return "\n".join(lines + ["close", ""])
    lines += ["start", "close"]  # the start-up that leaves the bars (or not) for the next ones
    for _ in range(runs):
        lines += ["start", "close"]
    return "\n".join(lines + [""])


PROFILE = re.compile(r"^(OnConnection|OnDisconnection|Start click|Config click) ([\d.]+) ms"
                     r" \| phases (.*) \| own ([\d.]+) host ([\d.]+)/(\d+) clipboard ([\d.]+)/(\d+)"
                     r" jobapi ([\d.]+)/(\d+) spooler ([\d.]+)/(\d+)$")
TIMING = re.compile(r"^timing (\S+) (OnConnection|OnDisconnection) ([\d.]+) ms")


def read_profile(path):
    """Each event of the add-in as a dict: event, total, phases {name: ms}, where {name: ms},
    calls {name: n}."""
    events = []
    if not path.exists():
        return events
    for line in path.read_text(encoding="latin-1").splitlines():
        m = PROFILE.match(line.strip())
        if not m:
            continue
        words = m.group(3).split()
        phases = {words[i]: float(words[i + 1]) for i in range(0, len(words) - 1, 2)}
        where = dict(zip(WHERE, (float(m.group(i)) for i in (4, 5, 7, 9, 11))))
        calls = dict(zip(WHERE[1:], (int(m.group(i)) for i in (6, 8, 10, 12))))
        events.append({"event": m.group(1), "total": float(m.group(2)), "phases": phases,
                       "where": where, "calls": calls})
    return events


def read_transcript(path):
    """(host timings [(prog_id, event, ms)], host calls per step [(step text, calls)])."""
    timings, steps = [], []
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("step "):
            steps.append([line.split(" ", 2)[2] if line.count(" ") >= 2 else line, 0])
        elif line.startswith("call ") and steps:
            steps[-1][1] += 1
        elif m := TIMING.match(line):
            timings.append((m.group(1), m.group(2), float(m.group(3))))
    return timings, steps


def drop_first(items, key):
    """The items without the first of each key."""
    seen, kept = set(), []
    for item in items:
        if key(item) in seen:
            kept.append(item)
        seen.add(key(item))
    return kept


def spread(values):
    """'median (min-max)' of milliseconds, or '-'."""
    if not values:
        return "-"
    return f"{statistics.median(values):.1f} ({min(values):.1f}-{max(values):.1f})"


def median(values):
    return statistics.median(values) if values else float("nan")


class Case:
    """The measurements of one build, host and case."""

    def __init__(self, folder, host, case, runs):
        self.events, self.timings, self.steps = [], [], []
        files = sorted(folder.glob(f"{host}-{case}*.transcript"))
        for transcript in files:
            timings, steps = read_transcript(transcript)
            events = read_profile(transcript.with_suffix(".profile"))
            if case not in ("first", "clicks"):  # the start-up before the measured ones
                timings = drop_first(timings, lambda t: (t[0], t[1]))
                events = drop_first(events, lambda e: e["event"])
                steps = drop_first(steps, lambda st: st[0].split()[0])
            self.timings += timings
            self.events += events
            self.steps += steps
        self.case = case

    def host_ms(self, prog_id, event):
        return [ms for p, e, ms in self.timings if p.startswith(prog_id) and e == event]

    def ours(self, event):
        return [e for e in self.events if e["event"] == event]

    def calls(self, step_word):
        return [n for text, n in self.steps if text.startswith(step_word)]


def read_floor(folder):
    """The floor program's medians by operation, in milliseconds."""
    floor = {}
    path = Path(folder) / "floor.txt"
    for line in (path.read_text().splitlines() if path.exists() else []):
        words = line.split()
        if len(words) == 5 and words[0] == "floor":
            floor[words[1]] = float(words[2])
    return floor


def floor_of(c, floor_ms, measure):
    """What the case's medians cost at least under this system: the no-op add-in's load (for a
    start-up), loading the job API library, the host calls counted by the journal and the add-in's
    clipboard (each at the cheapest clipboard operation), job API and spooler calls at their cost
    in the floor program, one opener window when it changed the clipboard; None when the floor
    program did not run."""
    needed = ("host-call", "host-call-object", "jobapi-call", "spooler-open-printer",
              "clipboard-empty", "clipboard-put-bitmap", "clipboard-read-bitmap",
              "window-create-destroy", "jobapi-load-free")
    if any(k not in floor_ms for k in needed):
        return None
    floor = dict(floor_ms)
    floor["host-call"] = (floor_ms["host-call"] + floor_ms["host-call-object"]) / 2
    def calls(events, where):
        return median([e["calls"][where] for e in events]) if events else 0

    def system(events):  # the job API library's and the spooler's calls
        return (calls(events, "jobapi") * floor["jobapi-call"]
                + calls(events, "spooler") * floor["spooler-open-printer"])

    if measure == "connect":
        events = c.ours("OnConnection")
        clip = calls(events, "clipboard")
        # The profile does not tell reads from changes: each at the cheapest, a bound from below.
        per_clip = min(floor["clipboard-empty"], floor["clipboard-put-bitmap"],
                       floor["clipboard-read-bitmap"])
        return (median(c.host_ms(NOOP, "OnConnection")) + floor["jobapi-load-free"]
                + median(c.calls("start")) * floor["host-call"] + clip * per_clip
                + (floor["window-create-destroy"] if clip > 2 else 0.0) + system(events))
    if measure == "disconnect":
        return median(c.calls("close")) * floor["host-call"] + system(c.ours("OnDisconnection"))
    events = c.ours(measure)
    return calls(events, "host") * floor["host-call"] + system(events) if events else None


def report(out, runs, folders):
    runs = int(runs)
    sections = []
    summary = []
    targets = []
    unmeasured = []  # builds this machine could not run: their sizes alone
    for folder in map(Path, folders):
        info = dict(line.split(": ", 1) for line in (folder / "info.txt").read_text().splitlines()
                    if ": " in line)
        build = info.get("build", folder.name)
        info["folder"] = str(folder)
        if "skipped" in info:
            unmeasured.append((build, info))
            continue
        sections.append((build, info, {(h, c): Case(folder, h, c, runs) for h in HOSTS
                                       for c in CASES}))
    first_info = sections[0][1] if sections else {}
    md = ["# Benchmarks", "",
          f"Measured by `scripts/bench` on {first_info.get('date', '?')}: {first_info.get('machine', '?')},"
          f" {first_info.get('wine', '?')}, officesim with the stand-in job API library in memory"
          f" (`--jobapi-in-memory`). {runs} start-ups and shut-downs per case (each start-up a new"
          " host process, as Office starts), and as many clicks; medians, with the lowest and highest"
          " in brackets, in milliseconds.", "",
          "OnConnection and OnDisconnection by the host's clock are what Office measures (it allows"
          " 1000 and 500 ms); the add-in's own clock (its profile lines) splits the same time by"
          " phase, exclusive of the phases inside (faces inside toolbar and menu), and by where it"
          " went: the add-in's own code, calls of the host's objects, the clipboard, the job API"
          " library. Host calls are counted from the host's journal.", ""]
    md += ["## Start-up and shut-down", "",
           "| build | host | case | OnConnection (host) | add-in's own | no-op add-in | OnDisconnection (host) | host calls at start |",
           "|---|---|---|---|---|---|---|---|"]
    for build, info, cases in sections:
        for (host, case), c in cases.items():
            if case == "clicks":
                continue
            md.append(f"| {build} | {host} | {CASES[case]} | {spread(c.host_ms(PROG_ID, 'OnConnection'))}"
                      f" | {spread([e['total'] for e in c.ours('OnConnection')])}"
                      f" | {spread(c.host_ms(NOOP, 'OnConnection'))}"
                      f" | {spread(c.host_ms(PROG_ID, 'OnDisconnection'))}"
                      f" | {median(c.calls('start')):.0f} |")
    md += ["", "## Where OnConnection's time goes (medians)", "",
           "| build | host | case | " + " | ".join(PHASES) + " | " + " | ".join(WHERE) + " |",
           "|---|---|---|" + "---|" * (len(PHASES) + len(WHERE))]
    for build, info, cases in sections:
        for (host, case), c in cases.items():
            events = c.ours("OnConnection")
            if not events:
                continue
            cells = [f"{median([e['phases'].get(p, 0.0) for e in events]):.2f}" for p in PHASES]
            for w in WHERE:
                ms = median([e["where"][w] for e in events])
                cells.append(f"{ms:.2f}" + (f" ({median([e['calls'][w] for e in events]):.0f})"
                                            if w != "own" else ""))
            md.append(f"| {build} | {host} | {case} | " + " | ".join(cells) + " |")
    md += ["", "## Clicks", "",
           "The click's own overhead is its whole time without the host's `PrintOut` (phase print)"
           " and without the property dialog (phase dialog).", "",
           "| build | host | click | whole | print | dialog | own overhead | host | job API | spooler | own code | host calls |",
           "|---|---|---|---|---|---|---|---|---|---|---|---|"]
    overheads = {}
    for build, info, cases in sections:
        for host in HOSTS:
            c = cases[(host, "clicks")]
            for click in ("Start click", "Config click"):
                events = c.ours(click)
                if not events:
                    continue
                own = [e["total"] - e["phases"].get("print", 0) - e["phases"].get("dialog", 0)
                       for e in events]
                overheads[(build, host, click)] = own
                word = click.split()[0]
                calls = [n for text, n in c.steps if text.startswith(f'click "Orvan pdf vatner {word}"')]
                md.append(f"| {build} | {host} | {click} | {spread([e['total'] for e in events])}"
                          f" | {spread([e['phases'].get('print', 0) for e in events])}"
                          f" | {spread([e['phases'].get('dialog', 0) for e in events])}"
                          f" | {spread(own)}"
                          f" | {median([e['where']['host'] for e in events]):.2f}"
                          f" | {median([e['where']['jobapi'] for e in events]):.2f}"
                          f" | {median([e['where']['spooler'] for e in events]):.2f}"
                          f" | {median([e['where']['own'] for e in events]):.2f}"
                          f" | {median(calls):.0f} |")
    md += ["", "## Targets", "",
           "Medians under Wine on this machine, the slowest host of each build, and the floor of"
           " that host's case (see below): what the no-op add-in's load, loading the job API"
           " library, the host calls and the clipboard operations the case makes cost by"
           " themselves.", "",
           "| target | limit | " + " | ".join(b for b, _, _ in sections) + " |",
           "|---|---|" + "---|" * len(sections)]
    for what, case, measure, limit in TARGETS:
        cells = []
        for build, info, cases in sections:
            worst, worst_floor = 0.0, None
            for host in HOSTS:
                c = cases[(host, case)]
                if measure == "connect":
                    values = c.host_ms(PROG_ID, "OnConnection")
                elif measure == "disconnect":
                    values = c.host_ms(PROG_ID, "OnDisconnection")
                else:
                    values = overheads.get((build, host, measure), [])
                if values and median(values) >= worst:
                    worst = median(values)
                    worst_floor = floor_of(c, read_floor(info["folder"]), measure)
            floor_text = f", floor {worst_floor:.1f} ms" if worst_floor is not None else ""
            cells.append(f"{worst:.1f} ms {'met' if worst <= limit else 'NOT met'}{floor_text}")
            summary.append(f"{build}: {what}: worst host median {worst:.1f} ms (target {limit:g} ms)"
                           f" {'met' if worst <= limit else 'NOT met'}{floor_text}")
        md.append(f"| {what} | {limit:g} ms | " + " | ".join(cells) + " |")
    md += ["", "## The floor under Wine", "",
           "What the operations cost by themselves in a small program (`orvan_bench_floor.exe`),"
           " without the add-in: an add-in that pastes four faces opens the clipboard for each"
           " face twice (emptying it, putting the bitmap), the host reads it once per face, and"
           " the job API library is loaded once per start-up. A host call is a read of the"
           " simulated Word's `ActivePrinter` (a text) or `CommandBars` (an object) through"
           " IDispatch, the object model's own cost without officesim's transcript (the mean of a"
           " hundred); the floors above take the mean of the two per host call.", "",
           "| build | operation | median | lowest-highest |", "|---|---|---|---|"]
    for build, info, cases in sections:
        floor = Path(info["folder"]) / "floor.txt"
        for line in (floor.read_text().splitlines() if floor.exists() else []):
            words = line.split()
            if len(words) == 5 and words[0] == "floor":
                md.append(f"| {build} | {words[1]} | {float(words[2]):.3f} ms"
                          f" | {float(words[3]):.3f}-{float(words[4]):.3f} ms |")
    for build, info in unmeasured:
        md += ["", f"Not measured here: {build} ({info['skipped']})."]
    md += ["", "## DLL sizes", "", "| build | OrvanpdfVtAddin.dll | limit |", "|---|---|---|"]
    for build, info in [(b, i) for b, i, _ in sections] + unmeasured:
        size = int(info.get("addin-bytes", "0"))
        md.append(f"| {build} | {size} bytes | 1048576 bytes: {'within' if size <= 1 << 20 else 'ABOVE'} |")
        summary.append(f"{build}: OrvanpdfVtAddin.dll {size} bytes"
                       f" ({'within' if size <= 1 << 20 else 'ABOVE'} 1 MiB)")
    md += ["", f"Command: `{first_info.get('command', 'scripts/bench')}`", ""]
    Path(out).write_text("\n".join(md))
    print("\n".join(summary))
    return 0


def main(argv):
    if len(argv) >= 4 and argv[0] == "scenario" and argv[1] in HOSTS and argv[2] in CASES:
        sys.stdout.write(scenario(argv[1], argv[2], int(argv[3])))
        return 0
    if len(argv) >= 4 and argv[0] == "report":
        return report(argv[1], argv[2], argv[3:])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
