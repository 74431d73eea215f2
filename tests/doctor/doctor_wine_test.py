#!/usr/bin/env python3
"""The doctor under Wine against states officesim leaves: healthy, soft-disabled (unticked in
the COM Add-ins dialog), hard-disabled (a start that never ended, as officesim's next start finds
it, and an entry as Office writes it), a 64-bit registration for a 32-bit host. A broken state
gives exit 1 and its ERROR line; after --fix a rerun shows it well."""
import argparse
import os
import subprocess
import sys

parser = argparse.ArgumentParser()
for name in ("wine", "doctor", "officesim", "addin", "work"):
    parser.add_argument("--" + name, required=True)
args = parser.parse_args()
os.makedirs(args.work, exist_ok=True)
PROG_ID = "OrvanpdfVtAddIn.dsrPdfVtAddinWord"
RESILIENCY = "HKCU\\Software\\Microsoft\\Office\\16.0\\Word\\Resiliency\\"
APP_PATH = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WINWORD.EXE"


def windows(path):
    return "Z:" + path.replace("/", "\\")


def wine(*command):
    return subprocess.run([args.wine, *command], capture_output=True, encoding="utf-8",
                          errors="replace", timeout=300)


def officesim(*steps):
    path = os.path.join(args.work, "state.scenario")
    with open(path, "w") as f:
        f.write("host word\n" + "".join(step + "\n" for step in steps))
    run = wine(args.officesim, windows(path))
    if run.returncode != 0:
        sys.exit(f"officesim exited with {run.returncode}\n{run.stdout}{run.stderr}")


def doctor(code, *lines, fix=False):
    run = wine(args.doctor, "--host", "word", *(["--fix"] if fix else []))
    found = run.stdout.splitlines()
    missing = [l for l in lines if not any(f.startswith(l) for f in found)]
    if run.returncode != code or missing:
        sys.exit(f"doctor{' --fix' if fix else ''}: exit {run.returncode}, expected {code}; "
                 f"missing {missing}\n{run.stdout}{run.stderr}")


wine("reg", "delete", "HKCU\\Software\\Microsoft\\Office", "/f")
if wine("regsvr32", "/s", windows(args.addin)).returncode != 0:
    sys.exit("regsvr32 could not register the add-in")
try:
    officesim("start", "close")  # installs the hosts and the printers
    doctor(0, "OK      Host program C:\\Program Files\\Microsoft Office\\root\\Office16\\"
              "WINWORD.EXE, 64-bit", "OK      LoadBehavior 3", "OK      PDF printer",
           "OK      A job on \"Orvan pdf vatner\" opens: the add-in's start-up check",
           "OK      Captions in ",
           "OK      Toolbar stored as visible")

    officesim("start", "user hide-toolbar", "user addins-dialog disconnect " + PROG_ID, "close")
    doctor(1, "ERROR   LoadBehavior 2: soft-disabled", "WARNING The toolbar was hidden by the user")
    doctor(0, "OK      Fixed: LoadBehavior set to 3", fix=True)
    doctor(0, "OK      LoadBehavior 3")

    wine("reg", "add", RESILIENCY + "StartupItems", "/v", PROG_ID, "/d", "", "/f")
    doctor(0, "WARNING Word ended while the add-in was starting")
    officesim("start", "close")
    office_entry = (bytes(12) + windows(args.addin).lower().encode("utf-16-le")).hex()
    wine("reg", "add", RESILIENCY + "DisabledItems", "/v", "5c1a", "/t", "REG_BINARY", "/d",
         office_entry, "/f")
    doctor(1, "ERROR   Hard-disabled: Office lists the add-in under Disabled Items "
              f"(HKEY_CURRENT_USER\\{RESILIENCY[5:]}DisabledItems, value \"{PROG_ID}\")",
           "ERROR   Hard-disabled: Office lists the add-in under Disabled Items "
              f"(HKEY_CURRENT_USER\\{RESILIENCY[5:]}DisabledItems, value \"5c1a\")")
    doctor(0, "OK      Fixed: entry removed", fix=True)
    doctor(0, "OK      Not disabled by Office")

    # A 32-bit Word: App Paths names a file with a 32-bit PE header (i386).
    host32 = os.path.join(args.work, "WINWORD.EXE")
    with open(host32, "wb") as f:
        f.write(b"MZ" + bytes(0x3A) + (0x40).to_bytes(4, "little") + b"PE\0\0\x4c\x01" + bytes(64))
    wine("reg", "add", APP_PATH, "/ve", "/d", windows(host32), "/f")
    doctor(1, "ERROR   This registration is for 64-bit Office, but Word is 32-bit",
           "ERROR   Add-in DLL " + windows(args.addin) + " is 64-bit, but Word is 32-bit")
finally:
    wine(args.officesim, "--install")  # the hosts' App Paths as they were
    wine("regsvr32", "/u", "/s", windows(args.addin))
    wine("reg", "delete", "HKCU\\Software\\Microsoft\\Office", "/f")
    wine("reg", "delete", "HKCU\\Software\\Orvan software GmbH", "/f")
print("doctor under Wine: all states as expected")
