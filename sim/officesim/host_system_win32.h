// What the simulated host does on Windows itself, outside the fake object model: the spooler's
// printers, the product's registry values, the loaded modules, the clock and the process's
// resources.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/win32.h"
#include "sim/office/fake_office.h"

namespace orvan::sim {

inline constexpr const char* kProductKey = "Software\\Orvan software GmbH\\Orvan pdf vatner";

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to);
// "0x8000FFFF"
std::string Hresult(HRESULT hr);

// Bytes as two hex digits each, separated by blanks: "31 00 32".
std::string HexBytes(std::string_view bytes);
// A registry value as its type, its length in bytes and its data: sz 2 "1\0" (a text escaped as
// message boxes' texts are, so a terminating zero shows as \0), dword 4 1, binary 3 "31 00 32".
std::string RegistryValue(unsigned long type, std::string_view data);
// Every value below the product key in HKEY_CURRENT_USER, as
// "<path below the product key> <name> = <RegistryValue>".
std::vector<std::string> ProductRegistry();
// A new installation of the host: the add-in's values for this program under its OfficeAddin
// keys are gone, as the command bars the run starts with are Office's first ones.
void ForgetHostValues(const char* program);

// The installed printers also in Windows' spooler, where the add-in reads a printer's port.
void InstallInSpooler(const std::vector<Printer>& printers);

// The folder of a file, lower case and ending in a backslash, as ModulesIn takes it.
std::wstring FolderOf(const std::wstring& path);
// The file names of the DLLs loaded in this process from one of the folders (full paths ending
// in a backslash), in any letter case.
std::set<std::string> ModulesIn(const std::set<std::wstring>& folders);

// What this process holds: GDI and USER objects, kernel handles, private bytes (in KB).
struct ProcessResources {
  std::int64_t gdi = 0;
  std::int64_t user = 0;
  std::int64_t handles = 0;
  std::int64_t private_kb = 0;
  std::int64_t bitmaps_read = 0;  // from the clipboard, by the host's PasteFace
};
ProcessResources ReadProcessResources();
// "gdi G user U handles H private-kb P bitmaps-read B"
std::string DescribeResources(const ProcessResources& now);
// The change from `before` to `now`: GDI and USER objects exactly ("gdi +0"), handles and private
// bytes "flat" within what the process's own work moves them by (a heap growing, a handle cached)
// and otherwise signed ("handles +40 private-kb +6144").
std::string DescribeResourceChange(const ProcessResources& before, const ProcessResources& now);

}  // namespace orvan::sim
