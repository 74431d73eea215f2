// The doctor's checks of the add-in's registration for a host: the host program and its
// bitness, the add-in records and classes in each registry location, LoadBehavior and the
// add-ins Office disabled.
#include <string>
#include <vector>

#include "doctor/examination.h"
#include "support/utf8.h"

namespace orvan::doctor::internal {
namespace {

constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr const char* kOfficeKey = "Software\\Microsoft\\Office";
constexpr std::uint32_t kLoadAtStartup = table::kLoadAtStartup;

std::string ViewText(View view) {
  return view == View::k64 ? ", 64-bit view" : ", 32-bit view";
}

// What to install for a host of the given bitness.
std::string PackageFor(Bits host) {
  return host == Bits::k64 ? "the 64-bit package (OrvanpdfVtAddin-x64.msi) and its doctor"
                           : "the 32-bit package (OrvanpdfVtAddin-x86.msi) and its doctor";
}

// Whether a resiliency value names the add-in: by its name (as officesim writes them) or by
// the ProgID or a DLL path in its data, in UTF-16LE at either byte alignment or in ANSI (as
// Office writes them). Letter case is ignored.
bool NamesAddin(const RegistryData& value, const std::string& prog_id,
                const std::vector<std::string>& dll_paths) {
  if (utf8::TextEquals(value.name, prog_id)) return true;
  std::string latin1;
  for (const std::uint8_t byte : value.bytes)
    utf8::Append(&latin1, byte);
  for (const std::string& data :
       {FromUtf16(value.bytes, 0, false), FromUtf16(value.bytes, 1, false), latin1}) {
    if (utf8::TextContains(data, prog_id)) return true;
    for (const std::string& path : dll_paths)
      if (!path.empty() && utf8::TextContains(data, path)) return true;
  }
  return false;
}

std::string Unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  return text;
}

}  // namespace

std::optional<HostProgram> Examination::FindProgram(const table::OfficeHost& host) {
  const std::string key = kAppPaths + std::string(host.executable);
  std::string missing;
  for (const Location& location : locations_) {
    if (location.root != Root::kLocalMachine) continue;
    const auto value = system_.ReadValue(location.root, location.view, key, "");
    if (!value) continue;
    const std::string path = Unquoted(ValueText(*value));
    if (path.empty()) continue;
    if (!system_.FileExists(path)) {
      missing = path;
      continue;
    }
    const std::optional<Bits> bits = system_.ProgramBits(path);
    if (!bits) {
      Add(Level::kWarning, "Host program " + path + " (App Paths) is no Windows program: " +
                               "its bitness is not known, so bitness is not checked");
    } else {
      Add(Level::kOk, "Host program " + path + ", " + BitsText(*bits) + " (found through " +
                          "App Paths" + (system_.HasTwoViews() ? ViewText(location.view) : "") +
                          ")");
    }
    return HostProgram{path, bits};
  }
  if (!missing.empty()) {
    Add(Level::kWarning, "Host program not found: App Paths names " + missing +
                             ", which does not exist; bitness is not checked");
  } else {
    Add(Level::kWarning, std::string("Host program not found: no App Paths entry for ") +
                             std::string(host.executable) +
                             " (is it installed?); bitness is not checked");
  }
  return std::nullopt;
}

Registration Examination::ReadRegistration(const Location& location,
                                           const table::ComClass& designer) {
  Registration registration{&location, location.view, std::nullopt, std::nullopt};
  const std::string server = table::ClassKey(designer) + "\\InprocServer32";
  std::vector<View> views = {location.view};
  if (location.root == Root::kCurrentUser && system_.HasTwoViews()) views.push_back(View::k32);
  for (const View view : views) {
    if (const auto value = system_.ReadValue(location.root, view, server, "")) {
      registration.class_view = view;
      registration.dll = Unquoted(ValueText(*value));
      registration.dll_exists = system_.FileExists(*registration.dll);
      if (registration.dll_exists) registration.dll_bits = system_.ProgramBits(*registration.dll);
      break;
    }
  }
  return registration;
}

void Examination::Describe(const Registration& r, const table::ComClass& designer,
                           const table::OfficeHost& host, std::optional<Bits> host_bits,
                           bool any_usable) {
  const Location& location = *r.location;
  const std::string record = table::OfficeAddinRecordKey(designer);
  Add(Level::kOk, std::string("Registered in ") + location.name + ": " + record);
  const Level mismatch = any_usable ? Level::kWarning : Level::kError;
  const std::string host_name(host.key);
  if (host_bits && location.root == Root::kLocalMachine && system_.HasTwoViews() &&
      (location.view == View::k64) != (*host_bits == Bits::k64)) {
    Add(mismatch, std::string("This registration is for ") +
                      (location.view == View::k64 ? "64" : "32") + "-bit Office, but " + host_name +
                      " is " + BitsText(*host_bits) + " and does not read it; " + "use " +
                      PackageFor(*host_bits));
  }
  if (!r.dll) {
    Add(Level::kError, "Class " + std::string(designer.clsid) + " is not registered in " +
                           location.name + ": Office finds the record but cannot create " +
                           "the add-in; register OrvanpdfVtAddin.dll again");
  } else if (!r.dll_exists) {
    Add(Level::kError, "Add-in DLL " + *r.dll + " does not exist; reinstall or register " +
                           "the DLL where it lies");
  } else if (!r.dll_bits) {
    Add(Level::kError, "Add-in DLL " + *r.dll + " is no Windows DLL; reinstall it");
  } else if (host_bits && *r.dll_bits != *host_bits) {
    Add(mismatch, "Add-in DLL " + *r.dll + " is " + BitsText(*r.dll_bits) + ", but " + host_name +
                      " is " + BitsText(*host_bits) + " and cannot load it; use " +
                      PackageFor(*host_bits));
  } else {
    Add(Level::kOk, "Add-in DLL " + *r.dll + ", " + BitsText(*r.dll_bits));
  }
  LoadBehavior(location, record);
}

void Examination::LoadBehavior(const Location& location, const std::string& record) {
  const auto value = system_.ReadValue(location.root, location.view, record, "LoadBehavior");
  const std::optional<std::uint32_t> behavior =
      value && value->type == kRegDword && value->bytes.size() >= 4
          ? std::optional<std::uint32_t>(std::stoul(ValueText(*value)))
          : std::nullopt;
  if (behavior == kLoadAtStartup) {
    Add(Level::kOk, "LoadBehavior 3: loaded at start-up");
    return;
  }
  Level level = Level::kWarning;
  std::string meaning;
  if (!behavior) {
    meaning = "no LoadBehavior (DWORD) value: Office does not load it";
  } else if (*behavior == 2) {
    level = Level::kError;
    meaning = "LoadBehavior 2: soft-disabled, not loaded at start-up; Office turned it off " +
              std::string("after an error at a start (or it was unticked in File > Options > ") +
              "Add-ins > COM Add-ins)";
  } else if (*behavior <= 1) {
    meaning = "LoadBehavior " + std::to_string(*behavior) + ": turned off by the user, not " +
              "loaded at start-up (COM Add-ins dialog)";
  } else if (*behavior == 8 || *behavior == 9) {
    meaning = "LoadBehavior " + std::to_string(*behavior) + ": loaded on demand only, not " +
              "at start-up, so its toolbar is not made at start-up";
  } else if (*behavior == 16) {
    meaning = "LoadBehavior 16: loaded once at the next start, then on demand only";
  } else {
    meaning = "LoadBehavior " + std::to_string(*behavior) + ": not a value Office knows; " +
              "it does not load the add-in at start-up";
  }
  if (!options_.fix) {
    Add(level, meaning + " (--fix sets 3)");
    ++report_.fixable;
    return;
  }
  const std::uint32_t rc =
      system_.WriteNumber(location.root, location.view, record, "LoadBehavior", kLoadAtStartup);
  if (rc == 0) {
    Add(Level::kOk, "Fixed: LoadBehavior set to 3 (loaded at the next start); was " + meaning);
  } else {
    Add(Level::kError, "Could not set LoadBehavior to 3 in " + std::string(location.name) + " (" +
                           ErrorText(rc) + "): run the doctor as administrator; " + meaning);
  }
}

void Examination::Resiliency(const table::OfficeHost& host, const std::string& prog_id,
                             const std::vector<std::string>& dll_paths) {
  bool any = false;
  for (const std::string& version : system_.SubKeys(Root::kCurrentUser, View::k64, kOfficeKey)) {
    if (version.empty() || version[0] < '0' || version[0] > '9') continue;
    const std::string base =
        std::string(kOfficeKey) + "\\" + version + "\\" + std::string(host.key) + "\\Resiliency\\";
    for (const bool disabled : {true, false}) {
      const std::string key = base + (disabled ? "DisabledItems" : "StartupItems");
      for (const RegistryData& value : system_.Values(Root::kCurrentUser, View::k64, key)) {
        if (!NamesAddin(value, prog_id, dll_paths)) continue;
        any = true;
        const std::string where = "HKEY_CURRENT_USER\\" + key + ", value " + Quoted(value.name);
        const std::string what =
            disabled ? "Hard-disabled: Office lists the add-in under Disabled Items (" + where +
                           "); enable it in File > Options > Add-ins > Disabled Items"
                     : std::string(host.key) + " ended while the add-in was starting (" + where +
                           "); at its next start Office may disable it";
        if (!options_.fix) {
          Add(disabled ? Level::kError : Level::kWarning, what + " (--fix removes the entry)");
          ++report_.fixable;
        } else if (const std::uint32_t rc =
                       system_.DeleteValue(Root::kCurrentUser, View::k64, key, value.name);
                   rc == 0) {
          Add(Level::kOk, "Fixed: entry removed. " + what);
        } else {
          Add(Level::kError, "Could not remove the entry (" + ErrorText(rc) + "). " + what);
        }
      }
    }
  }
  if (!any) Add(Level::kOk, "Not disabled by Office: no resiliency entry names the add-in");
}

}  // namespace orvan::doctor::internal
