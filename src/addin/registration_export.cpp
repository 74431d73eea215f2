// Exports the registration table for the installer packages: a WiX fragment with one component
// that holds every key and value DllRegisterServer writes below HKEY_LOCAL_MACHINE, the DLL's
// path and folder as the package resolves them at install time, and a plain listing of the same
// rows for checking the built package. Runs on the build machine.
//
//   registration_export win32|win64 FRAGMENT.wxs LISTING.txt
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "addin/registration_table.h"

namespace {

namespace table = orvan::registration;

// How the package names the DLL's full path and its folder in formatted text, and the marks
// that stand for them in the table until the text is formatted.
constexpr std::string_view kModulePath = "[#OrvanpdfVtAddin.dll]";
constexpr std::string_view kModuleFolder = "[INSTALLFOLDER]";
constexpr char kModulePathMark = '\x01';
constexpr char kModuleFolderMark = '\x02';

// The table's text as Windows Installer's formatted text that gives it back: brackets escaped,
// the marks replaced by the install-time names.
std::string Formatted(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '[' || c == ']') {
      out += std::string("[\\") + c + "]";
    } else if (c == kModulePathMark) {
      out += kModulePath;
    } else if (c == kModuleFolderMark) {
      out += kModuleFolder;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Xml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A value as the MSI Registry table holds it: "#n" for a DWORD, the text otherwise.
std::string TableValue(const table::RegistryValue& value) {
  if (value.kind == table::RegistryValue::Kind::kNumber) return "#" + std::to_string(value.number);
  return Formatted(value.text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::string_view(argv[1]) != "win32" && std::string_view(argv[1]) != "win64")) {
    std::fprintf(stderr, "usage: registration_export win32|win64 FRAGMENT.wxs LISTING.txt\n");
    return 2;
  }
  const bool win64 = std::string_view(argv[1]) == "win64";
  const auto keys =
      table::Entries(win64 ? table::Bitness::k64 : table::Bitness::k32,
                     std::string(1, kModulePathMark), std::string(1, kModuleFolderMark));
  for (const table::RegistryKey& key : keys) {
    for (const table::RegistryValue& value : key.values) {
      // A leading '#' makes the Registry table read a number; no text of the table has one.
      if (value.kind == table::RegistryValue::Kind::kText && value.text.starts_with('#')) {
        std::fprintf(stderr, "registration_export: %s: a text starting with '#'\n",
                     key.path.c_str());
        return 1;
      }
    }
  }

  std::ofstream wxs(argv[2], std::ios::binary);
  std::ofstream listing(argv[3], std::ios::binary);
  wxs << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<!-- Generated from the add-in's registration table; do not edit. -->\n"
         "<Include>\n";
  for (const table::RegistryKey& key : keys) {
    wxs << "  <RegistryKey Root=\"HKLM\" Key=\"" << Xml(Formatted(key.path)) << "\">\n";
    for (const table::RegistryValue& value : key.values) {
      const bool number = value.kind == table::RegistryValue::Kind::kNumber;
      wxs << "    <RegistryValue";
      if (!value.name.empty()) wxs << " Name=\"" << Xml(Formatted(value.name)) << "\"";
      wxs << " Type=\"" << (number ? "integer" : "string") << "\" Value=\""
          << Xml(number ? std::to_string(value.number) : Formatted(value.text)) << "\"/>\n";
      // Root 2 is HKEY_LOCAL_MACHINE in the Registry table.
      listing << "2\t" << Formatted(key.path) << "\t" << Formatted(value.name) << "\t"
              << TableValue(value) << "\n";
    }
    wxs << "  </RegistryKey>\n";
  }
  wxs << "</Include>\n";
  wxs.close();
  listing.close();
  if (!wxs || !listing) {
    std::fprintf(stderr, "registration_export: cannot write %s or %s\n", argv[2], argv[3]);
    return 1;
  }
  return 0;
}
