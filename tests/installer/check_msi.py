"""Reads a built installer package with msiinfo and checks its tables: per machine, the version
and upgrade code, the major-upgrade rule, the files into the PDF printer's program folder, the
components' bitness, no self-registration, and the Registry table equal to the registration
table's export row by row.

    check_msi.py PACKAGE.msi REGISTRY.txt x86|x64 VERSION
"""
import subprocess
import sys

UPGRADE_CODE = "{261911B8-A15A-4944-B603-361C32315C45}"
SETUP_KEY = "Software\\Orvan software GmbH\\Orvan pdf vatner\\OfficeAddinSetup"


def table(msi, name):
    out = subprocess.run(["msiinfo", "export", msi, name], check=True, capture_output=True,
                         text=True).stdout
    lines = out.split("\r\n") if "\r\n" in out else out.split("\n")
    return [line.split("\t") for line in lines[3:] if line]  # after names, types, key line


def main():
    msi, listing, arch, version = sys.argv[1:5]
    problems = []

    def expect(what, got, wanted):
        if got != wanted:
            problems.append(f"{what}: {got!r}, expected {wanted!r}")

    tables = subprocess.run(["msiinfo", "tables", msi], check=True, capture_output=True,
                            text=True).stdout.split()
    properties = dict(row[:2] for row in table(msi, "Property"))
    expect("ProductVersion", properties.get("ProductVersion"), version)
    expect("UpgradeCode", properties.get("UpgradeCode"), UPGRADE_CODE)
    expect("ALLUSERS", properties.get("ALLUSERS"), "1")
    suminfo = subprocess.run(["msiinfo", "suminfo", msi], check=True, capture_output=True,
                             text=True).stdout
    template = "x64;1033" if arch == "x64" else "Intel;1033"
    if f"Template: {template}" not in suminfo:
        problems.append(f"platform: summary information lacks Template: {template}")

    expect("SecureCustomProperties", properties.get("SecureCustomProperties"),
           "INSTALLFOLDER;OLDERVERSIONBEINGUPGRADED;NEWERVERSIONDETECTED")
    # Every build of this version and older ones below the next third field are replaced.
    major, minor, build = version.split(".")[:3]
    below = f"{major}.{minor}.{int(build) + 1}"
    upgrade = sorted((row[1], row[2], row[4], row[6]) for row in table(msi, "Upgrade"))
    expect("Upgrade rows", upgrade,
           sorted([("0.0.0", below, "256", "OLDERVERSIONBEINGUPGRADED"),
                   (version, "", "2", "NEWERVERSIONDETECTED")]))
    expect("launch conditions", [row[0] for row in table(msi, "LaunchCondition")],
           ["NOT NEWERVERSIONDETECTED"])
    sequence = {row[0]: int(row[2]) for row in table(msi, "InstallExecuteSequence")}
    if not sequence.get("InstallValidate", 0) < sequence.get("RemoveExistingProducts", 0) < \
            sequence.get("InstallInitialize", 0):
        problems.append("RemoveExistingProducts is not between InstallValidate and "
                        "InstallInitialize")

    directories = {row[0]: (row[1], row[2]) for row in table(msi, "Directory")}
    program_files = "ProgramFiles64Folder" if arch == "x64" else "ProgramFilesFolder"
    expect("INSTALLFOLDER", directories.get("INSTALLFOLDER"), ("OrvanFolder", "Orvan pdf vatner"))
    expect("its parent", directories.get("OrvanFolder"), (program_files, "Orvan"))
    expect("files", sorted(row[2] for row in table(msi, "File")),
           ["OrvanpdfVtAddin.dll", "OrvanpdfVtAddinDoctor.exe"])
    for row in table(msi, "Component"):
        expect(f"component {row[0]} 64-bit", int(row[3]) & 256 != 0, arch == "x64")
    for none in ("SelfReg", "CustomAction"):
        if none in tables and table(msi, none):
            problems.append(f"the package has {none} rows")

    # wixl writes each key with a closing backslash, which Windows Installer ignores.
    registry = sorted((row[1], row[2].rstrip("\\"), row[3], row[4])
                      for row in table(msi, "Registry"))
    # Besides the table: the folder chosen at install, remembered and read back by AppSearch so
    # that removal and upgrades find the files.
    remembered = ("2", SETUP_KEY, "InstallFolder", "[INSTALLFOLDER]")
    if remembered not in registry:
        problems.append("the install folder is not remembered")
    registry = [row for row in registry if row != remembered]
    expect("AppSearch", [tuple(row[:2]) for row in table(msi, "AppSearch")],
           [("INSTALLFOLDER", "RememberedInstallFolder")])
    expect("RegLocator", [tuple(row[1:]) for row in table(msi, "RegLocator")],
           [("2", SETUP_KEY, "InstallFolder", "18" if arch == "x64" else "2")])
    if "AppSearch" not in sequence:
        problems.append("AppSearch does not run")
    with open(listing, encoding="utf-8") as f:
        wanted = sorted(tuple(line.rstrip("\n").split("\t")) for line in f if line.strip())
    for row in sorted(set(registry) ^ set(wanted)):
        problems.append(("only in the package: " if row in registry else "only in the table: ")
                        + "\t".join(row))
    expect("Registry rows", len(registry), len(wanted))

    for problem in problems:
        print(problem)
    print(f"{msi}: {len(registry)} registry rows, {'ok' if not problems else 'FAILED'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
