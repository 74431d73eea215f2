#!/usr/bin/env python3
"""The fault sweep of one Windows build: plays tools/faults/base.scenario in officesim once clean
per host, then once per host member and job API export the clean run reached and per failure
mode (always; once after N for each N below the number of calls), and checks every run for what
must hold whatever fails: no crash or hang, the add-in connecting and disconnecting with S_OK,
every job freed, only the add-in's own message boxes, the user's clipboard put back, no error
reaching the host except where the commands let it, the active printer as the print command's
failure handling leaves it, and the add-in's DLLs unloaded after each close.

Runs inside a Wine session (scripts/faults starts it: WINEPREFIX and DISPLAY set)."""

import argparse
import os
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

PROJECT = Path(__file__).resolve().parents[2]
PDF_PRINTER = "Orvan pdf vatner"

HOSTS = {
    "word": ("WINWORD.EXE", "ActiveDocument",
             '"Bericht.docx" folder "C:\\Berichte" title "Bericht" author "Jörg Weiß" '
             'subject "Q1" keywords "Umsatz"'),
    "excel": ("EXCEL.EXE", "ActiveWorkbook",
              '"Umsatz.xlsx" folder "C:\\Zahlen" title "Umsätze" author "Jörg Weiß" '
              'subject "Q1" keywords "Umsatz"'),
    "powerpoint": ("POWERPNT.EXE", "ActivePresentation",
                   '"Folien.pptx" folder "C:\\Vortrag" title "Rückblick" author "Anna Schäfer" '
                   'subject "Q1" keywords "2026" slides 3'),
}

# The titles the add-in gives its boxes (src/support/message_box.h, src/commandbars/menu.h) and
# the job API operations its failure boxes are titled with (src/jobapi/vatner_api.cpp), also as
# "Fehler in <operation>" when the error number cannot be read.
OPERATIONS = ["OrvanPdfVtJobCreate", "OrvanPdfVtJobFree", "OrvanPdfVtJobSetPropertyVal",
              "OrvanPdfVtJobGetPropertyVal", "OrvanPdfVtJobInitDevModeProperty",
              "OrvanPdfVtJobShowDevModeProperty", "OrvanPdfVtJobSaveDevModeProperty"]
TITLES = {"Orvan pdf Vatner COM Add-In", "Orvan pdf vatner Add-In", "Orvan pdf vatner"}
TITLES |= set(OPERATIONS) | {"Fehler in " + o for o in OPERATIONS}

# As the base scenario sets it (Windows offers the text as Unicode text too).
CLIPBOARD = 'picture "8x8 #123456" text "Notiz" unicode "Notiz"'
HOST_ERROR = (-2147467259, "Method failed (fault sweep)")
JOB_ERROR = (1234, "Fault sweep failure")
START_TAGS = {"Orvan pdf vatner Start", "Orvan pdf vatner StartMenu"}
CONFIG_TAGS = {"Orvan pdf vatner Config", "Orvan pdf vatner ConfigMenu"}
TOOLBAR_VISIBLE = 'CommandBar("Orvan pdf vatner Toolbar").Visible'


def unquote(text):
    """The first double-quoted word of text, with doubled quotes undone."""
    match = re.match(r'"((?:[^"]|"")*)"', text)
    return match.group(1).replace('""', '"') if match else text


def call_key(line):
    """The failure key of a journal line, as the fake objects look failures up: the object's
    name and the member ("Object.Member"), or the object alone for its default member."""
    depth, quoted, end = 0, False, len(line)
    for i, c in enumerate(line):  # a write: "Object.Member(args) = value"
        if c == '"':
            quoted = not quoted
        elif not quoted and c == "(":
            depth += 1
        elif not quoted and c == ")":
            depth -= 1
        elif not quoted and depth == 0 and line.startswith(" = ", i):
            end = i
            break
    text = line[:end]
    if text.endswith(")"):  # the arguments
        depth, quoted = 0, False
        for i in range(len(text) - 1, -1, -1):
            c = text[i]
            if c == '"':
                quoted = not quoted
            elif not quoted and c == ")":
                depth += 1
            elif not quoted and c == "(":
                depth -= 1
                if depth == 0:
                    text = text[:i]
                    break
    return text


def export_of(line):
    return line.split("(", 1)[0]


def scenario_quote(text):
    return '"' + text.replace('"', '""') + '"'


@dataclass
class Step:
    text: str
    lines: list = field(default_factory=list)  # (kind, text) written during the step

    def of(self, kind):
        return [t for k, t in self.lines if k == kind]


@dataclass
class Fault:
    kind: str  # "host" or "jobapi"
    key: str  # Object.Member or export name
    after: int
    remaining: int  # 1 once, -1 always

    @property
    def mode(self):
        if self.remaining < 0:
            return "always"
        return "once" if self.after == 0 else f"once after {self.after}"

    def step(self):
        repetition = "always" if self.remaining < 0 else "once"
        later = f" after {self.after}" if self.after else ""
        if self.kind == "host":
            return (f"fail {scenario_quote(self.key)} number {HOST_ERROR[0]} description "
                    f"{scenario_quote(HOST_ERROR[1])} {repetition}{later}")
        return (f"jobapi fail {self.key} number {JOB_ERROR[0]} text "
                f"{scenario_quote(JOB_ERROR[1])} {repetition}{later}")

    def fails(self, occurrence):
        """Whether the key's n-th call (from 0) in the run fails."""
        return occurrence >= self.after and (self.remaining < 0 or
                                             occurrence < self.after + self.remaining)


def parse_transcript(text):
    steps, header = [], None
    for line in text.splitlines():
        if header is None:
            header = line
            continue
        kind, _, rest = line.partition(" ")
        if kind == "step":
            # "FILE:LINE STEP", or "(end of scenario) close"
            steps.append(Step(rest if rest.startswith("(") else rest.split(" ", 1)[-1]))
        elif steps:
            steps[-1].lines.append((kind, rest))
    return header, steps


class Sweep:
    def __init__(self, args):
        self.args = args
        self.preset = args.preset
        self.build = PROJECT / "build" / self.preset
        self.out = PROJECT / "build" / "faults" / self.preset
        self.out.mkdir(parents=True, exist_ok=True)
        self.wine_run = str(PROJECT / "scripts" / "wine-run")
        self.template = (PROJECT / "tools" / "faults" / "base.scenario").read_text(encoding="utf-8")
        self.results = []  # per host: dict of figures
        self.violations = []  # (host, fault or None, what)
        self.unreached = []

    # --- Wine
    def wine(self, *command, timeout=120):
        return subprocess.run([self.wine_run, *command], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode

    def windows_path(self, path):
        return "Z:" + str(path).replace("/", "\\")

    def register(self):
        addin = self.windows_path(self.build / "tests" / "installed" / "OrvanpdfVtAddin.dll")
        if self.wine("regsvr32", "/s", addin) != 0:
            sys.exit(f"faults: regsvr32 could not register {addin}")

    def clean_registry(self):
        # What a run leaves: Office's add-in records and resiliency notes, the add-in's values.
        for key in (r"HKCU\Software\Microsoft\Office", r"HKCU\Software\Orvan software GmbH"):
            self.wine("reg", "delete", key, "/f")

    def prepare(self):
        officesim = self.windows_path(self.build / "sim" / "officesim.exe")
        if self.wine(officesim, "--install") != 0:
            sys.exit(f"faults: {officesim} --install failed")
        self.clean_registry()
        self.register()

    def finish(self):
        addin = self.windows_path(self.build / "tests" / "installed" / "OrvanpdfVtAddin.dll")
        self.wine("regsvr32", "/u", "/s", addin)
        self.clean_registry()

    # --- one run
    def scenario(self, host, fault):
        lines = []
        for line in self.template.splitlines():
            if line.startswith("excel:"):
                if host != "excel":
                    continue
                line = line[len("excel:"):].strip()
            if line == "# FAULT":
                if fault is None:
                    continue
                line = fault.step()
            lines.append(line.replace("HOST", host, 1) if line.startswith("host ") else
                         line.replace("DOCUMENT", HOSTS[host][2], 1)
                         if line.startswith("open ") else line)
        return "\n".join(lines) + "\n"

    def play(self, host, fault, name):
        """Runs officesim on the scenario; (exit code or "hang", transcript text, seconds)."""
        scenario = self.out / f"{name}.scenario"
        transcript = self.out / f"{name}.transcript"
        scenario.write_text(self.scenario(host, fault), encoding="utf-8")
        # officesim.exe runs the host program, a new process for each start of the host.
        program = self.windows_path(self.build / "sim" / "officesim.exe")
        started = time.monotonic()
        with open(transcript, "wb") as output:
            process = subprocess.Popen(
                [self.wine_run, program, "--verbose", "--free-unused",
                 self.windows_path(scenario)],
                stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.DEVNULL,
                start_new_session=True)
            try:
                code = process.wait(timeout=self.args.timeout)
            except subprocess.TimeoutExpired:
                code = "hang"
                self.wine("taskkill", "/F", "/IM", HOSTS[host][0], timeout=60)
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                process.wait()
        return code, transcript.read_text(encoding="utf-8", errors="replace"), \
            time.monotonic() - started

    # --- checks
    def check(self, host, fault, code, text):
        """The violations of one run, as texts."""
        found = []
        if code == "hang":
            return [f"hang: officesim did not end within {self.args.timeout} s"]
        header, steps = parse_transcript(text)
        if code not in (0, 1, 2) or header is None or not header.startswith("officesim transcript"):
            return [f"crash: officesim ended with {code} and "
                    f"{'no transcript' if header is None else 'a transcript'}"]
        starts = sum(1 for s in steps if s.text in ("start", "restart"))
        loads = [t for s in steps for t in s.of("load")]
        for line in loads:
            if not line.endswith(" connected"):
                found.append(f"OnConnection: {line}")
        if len(loads) != starts:
            found.append(f"{starts} starts but {len(loads)} add-ins connected")
        for line in (t for s in steps for t in s.of("addin-error")):
            found.append(f"error reached the host: {line}")
        marked = self.failing_calls(fault, steps)
        for s, calls in zip(steps, marked):
            failed = [line for line, bad in calls if bad]
            for line in s.of("unload"):
                # Shut-down stores the toolbar's visibility before its handler: a failing read
                # of it reaches the host, as OnDisconnection has no handler of its own.
                visibility = bool(failed) and call_key(failed[0]) == TOOLBAR_VISIBLE and \
                    " = " not in failed[0]
                if not line.endswith(" disconnected") and not visibility:
                    found.append(f"OnDisconnection: {line}")
        closes = sum(1 for s in steps if s.text in ("close", "restart", "(end of scenario) close"))
        modules = [t for s in steps for t in s.of("module")]
        for line in modules:
            if not line.endswith(" unloaded"):
                found.append(f"after close: {line}")
        addin_seen = sum(1 for m in modules if m.startswith('"OrvanpdfVtAddin.dll"'))
        if addin_seen != closes:
            found.append(f"{closes} closes but the add-in's DLL looked for after {addin_seen}")
        for s in steps:
            for line in s.of("error"):
                found.append(f"step could not run: {line}")
        found += self.check_jobs(steps)
        for s in steps:
            for line in s.of("msgbox"):
                title = unquote(line)
                if title not in TITLES:
                    found.append(f"message box titled {title!r} in {s.text!r}: {line}")
                if line.endswith(' ""'):
                    found.append(f"message box without text in {s.text!r}: {line}")
            for line in s.of("clipboard"):
                if line != CLIPBOARD:
                    found.append(f"clipboard after {s.text!r}: {line} (the user's was {CLIPBOARD})")
        found += self.check_calls(host, steps, marked)
        return found

    @staticmethod
    def failing_calls(fault, steps):
        """Per step, its host calls with whether each was the failing one."""
        occurrences = {}
        marked = []
        for s in steps:
            calls = []
            for line in s.of("call"):
                key = call_key(line)
                n = occurrences.get(key, 0)
                occurrences[key] = n + 1
                calls.append((line, fault is not None and fault.kind == "host" and
                              key == fault.key and fault.fails(n)))
            marked.append(calls)
        return marked

    def check_jobs(self, steps):
        created, freed = [], set()
        for s in steps:
            for line in s.of("jobapi"):
                match = re.match(r"OrvanPdfVtJobCreate\(.*\) = 1 handle=(-?\d+)", line)
                if match:
                    created.append(int(match.group(1)))
                match = re.match(r"OrvanPdfVtJobFree\((-?\d+)\)", line)
                if match:
                    freed.add(int(match.group(1)))
        return [f"job {job} created but never freed" for job in created if job not in freed]

    def check_calls(self, host, steps, marked):
        """Errors that reach the host and the printer after Start, judged by which calls failed."""
        found = []
        printer_before = None
        for index, s in enumerate(steps):
            calls = marked[index]
            failed = [line for line, bad in calls if bad]
            job_failures = [t for t in s.of("jobapi") if " = 0" in t]
            clicked = unquote(s.text[len("click "):]) if s.text.startswith("click ") else None
            for error in s.of("event-error"):
                first = call_key(failed[0]) if failed else None
                read = failed and " = " not in failed[0]
                expected = f'{HOST_ERROR[0]} "{HOST_ERROR[1]}"'
                allowed = error == expected and read and (
                    (clicked in CONFIG_TAGS and first == "Application." + HOSTS[host][1]) or
                    (clicked in START_TAGS and host == "powerpoint" and
                     first == "Application.ActivePrinter"))
                if not allowed:
                    found.append(f"error reached the host in {s.text!r}: {error}"
                                 f" (first failing call: {failed[0] if failed else 'none'})")
            if s.text == "show printer" and s.of("printer"):
                printer_before = unquote(s.of("printer")[0])
            if clicked in START_TAGS and not s.of("click-skipped") and printer_before:
                after = next((unquote(t) for later in steps[index + 1:index + 2]
                              for t in later.of("printer")), None)
                if after is not None:
                    found += self.check_printer(host, s.text, calls, s.of("jobapi"),
                                                printer_before, after)
        return found

    def check_printer(self, host, where, calls, jobs, before, after):
        """Start switches to the PDF printer, prepares a job (so the switch was confirmed) and
        switches back; it stops in between only at a failure (Word and PowerPoint at any, Excel
        only where the job cannot be prepared or the switch cannot be confirmed), and then
        leaves the PDF printer active."""
        if PDF_PRINTER in before:  # nothing else to go back to
            if PDF_PRINTER not in after:
                return [f"{where}: printer {after!r} afterwards, was the PDF printer"]
            return []
        failed = [call_key(line) for line, bad in calls if bad]
        job_failures = [t for t in jobs if " = 0" in t]
        if after != before and PDF_PRINTER not in after:
            return [f"{where}: printer {after!r} afterwards, was {before!r}"]
        if not any(t.startswith("OrvanPdfVtJobCreate(") for t in jobs):
            # Stopped before a job: at the switch or before it.
            if after != before and not failed:
                return [f"{where}: the PDF printer left active without a failure"]
            return []
        sets = []  # (printer, succeeded) of each switch, in order
        pending = None
        for line, bad in calls:
            key = call_key(line)
            if host == "word" and key.endswith(".Printer") and " = " in line:
                pending = None if bad else unquote(line.split(" = ", 1)[1])
            elif host == "word" and key.endswith(".Execute") and pending is not None:
                sets.append((pending, not bad))
            elif host != "word" and key.endswith(".ActivePrinter") and " = " in line:
                sets.append((unquote(line.split(" = ", 1)[1]), not bad))
        back = [ok for printer, ok in sets if PDF_PRINTER not in printer]
        if back and back[-1]:
            if after != before:
                return [f"{where}: printer {after!r} after switching back, was {before!r}"]
            return []
        if PDF_PRINTER not in after:
            return [f"{where}: printer {after!r} after a failed or skipped switch back"]
        if back:
            return []  # the switch back itself failed
        if not failed and not job_failures:
            return [f"{where}: the PDF printer left active without a failure"]
        if host == "excel" and not job_failures and not set(failed) & {
                "Application.ActivePrinter", "Application.ActiveWorkbook"}:
            return [f"{where}: Excel stopped at {failed[0]}, which it carries on past"]
        return []

    # --- the sweep
    def faults_of(self, steps):
        host_calls, exports = {}, {}
        for s in steps:
            for line in s.of("call"):
                key = call_key(line)
                host_calls[key] = host_calls.get(key, 0) + 1
            for line in s.of("jobapi"):
                exports[export_of(line)] = exports.get(export_of(line), 0) + 1
        faults = []
        for kind, counts in (("host", host_calls), ("jobapi", exports)):
            for key, k in counts.items():
                faults.append(Fault(kind, key, 0, -1))
                if self.args.always_only:
                    continue
                afters = set(range(min(k, self.args.cap))) | {k - 1}
                faults += [Fault(kind, key, n, 1) for n in sorted(afters)]
        return faults, host_calls, exports

    def reached(self, fault, steps):
        """Whether the fault played: officesim counts the host's, the job API's log shows its
        own (the call after the successful ones returning 0)."""
        if fault.kind == "host":
            played = [t for s in steps for t in s.of("fault") if unquote(t) == fault.key]
            return bool(played) and not played[0].endswith(" played 0")
        calls = [t for s in steps for t in s.of("jobapi") if export_of(t) == fault.key]
        return len(calls) > fault.after and " = 0" in calls[fault.after]

    def run_host(self, host):
        started = time.monotonic()
        print(f"--- {self.preset} {host}: clean run", flush=True)
        code, text, _ = self.play(host, None, f"{host}-clean")
        problems = self.check(host, None, code, text)
        _, steps = parse_transcript(text)
        if problems or not steps:
            for p in problems or ["no transcript"]:
                self.violations.append((host, None, p))
            print(f"faults: the clean {host} run already fails: {problems}", flush=True)
            self.results.append(dict(host=host, runs=1, members=0, exports=0, calls=0,
                                     violations=len(problems), unreached=0,
                                     seconds=time.monotonic() - started))
            return
        faults, host_calls, exports = self.faults_of(steps)
        if self.args.limit:
            faults = faults[:self.args.limit]
        print(f"--- {self.preset} {host}: {len(host_calls)} members ({sum(host_calls.values())} "
              f"calls), {len(exports)} exports ({sum(exports.values())} calls): "
              f"{len(faults)} runs", flush=True)
        violations = unreached = 0
        for number, fault in enumerate(faults, 1):
            code, text, seconds = self.play(host, fault, f"{host}-run")
            problems = self.check(host, fault, code, text)
            if not problems and code not in ("hang",):
                _, run_steps = parse_transcript(text)
                if not self.reached(fault, run_steps):
                    unreached += 1
                    self.unreached.append((host, fault))
            if problems:
                violations += 1
                kept = self.out / f"{host}-violation-{violations}.transcript"
                kept.write_text(text, encoding="utf-8")
                (self.out / f"{host}-violation-{violations}.scenario").write_text(
                    self.scenario(host, fault), encoding="utf-8")
                for p in problems:
                    self.violations.append((host, fault, p))
                print(f"  VIOLATION {fault.kind} {fault.key} {fault.mode}: "
                      f"{'; '.join(problems)} (transcript {kept.relative_to(PROJECT)})",
                      flush=True)
            if code == "hang" or any(p.startswith(("crash", "OnConnection")) for p in problems):
                self.clean_registry()
                self.register()  # a soft-disabled add-in is listed again
            if number % 25 == 0 or number == len(faults):
                elapsed = time.monotonic() - started
                print(f"  {number}/{len(faults)} runs, {violations} with violations, "
                      f"{elapsed:.0f} s", flush=True)
        self.results.append(dict(host=host, runs=len(faults) + 1, members=len(host_calls),
                                 exports=len(exports),
                                 calls=sum(host_calls.values()) + sum(exports.values()),
                                 violations=violations, unreached=unreached,
                                 seconds=time.monotonic() - started))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--preset", required=True, choices=["win64", "win32"])
    parser.add_argument("--hosts", default="word,excel,powerpoint")
    parser.add_argument("--always-only", action="store_true", help="only the 'always' mode")
    parser.add_argument("--cap", type=int, default=1000,
                        help="'once after N' for N below the cap (and the last call)")
    parser.add_argument("--timeout", type=int, default=60, help="seconds a run may take")
    parser.add_argument("--limit", type=int, default=0, help="at most this many runs per host")
    parser.add_argument("--report", required=True, help="the file this build's table goes to")
    args = parser.parse_args()
    sweep = Sweep(args)
    sweep.prepare()
    try:
        for host in args.hosts.split(","):
            sweep.run_host(host)
    finally:
        sweep.finish()
    lines = []
    for r in sweep.results:
        lines.append(f"{args.preset:6} {r['host']:10} {r['runs']:5} {r['members']:7} "
                     f"{r['exports']:7} {r['calls']:6} {r['violations']:10} {r['unreached']:9} "
                     f"{r['seconds'] / 60:6.1f}")
    for host, fault, what in sweep.violations:
        where = "clean run" if fault is None else f"{fault.kind} {fault.key} {fault.mode}"
        lines.append(f"VIOLATION {args.preset} {host}: {where}: {what}")
    for host, fault in sweep.unreached:
        lines.append(f"NOT REACHED {args.preset} {host}: {fault.kind} {fault.key} {fault.mode}")
    Path(args.report).write_text("\n".join(lines) + "\n", encoding="utf-8")
    return 1 if sweep.violations else 0


if __name__ == "__main__":
    sys.exit(main())
