#include "doctor/doctor.h"

#include <algorithm>
#include <iterator>

#include "commandbars/toolbar.h"
#include "jobapi/vatner_api.h"
#include "support/error.h"
#include "support/utf8.h"
#include "support/value.h"

namespace orvan::doctor {
namespace {

namespace table = orvan::registration;

constexpr const char* kTraceVariable = "ORVAN_PDFVTADDINTRACE";
constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr const char* kOfficeKey = "Software\\Microsoft\\Office";
constexpr std::uint32_t kLoadAtStartup = table::kLoadAtStartup;
constexpr std::uint32_t kErrorAccessDenied = 5;

// Where a registration can be: Office reads HKEY_LOCAL_MACHINE in the view of its own bitness
// and HKEY_CURRENT_USER (whose Office keys both views share; per-user classes of a 32-bit
// registration lie in the 32-bit view).
struct Location {
  Root root;
  View view;
  const char* name;
};

std::string BitsText(Bits bits) {
  return bits == Bits::k64 ? "64-bit" : "32-bit";
}

std::string ViewText(View view) {
  return view == View::k64 ? ", 64-bit view" : ", 32-bit view";
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string ErrorText(std::uint32_t code) {
  return "error " + std::to_string(code) + (code == kErrorAccessDenied ? ", access denied" : "");
}

// What to install for a host of the given bitness.
std::string PackageFor(Bits host) {
  return host == Bits::k64 ? "the 64-bit package (OrvanpdfVtAddin-x64.msi) and its doctor"
                           : "the 32-bit package (OrvanpdfVtAddin-x86.msi) and its doctor";
}

std::string FromUtf16(const std::vector<std::uint8_t>& bytes, std::size_t offset, bool to_nul) {
  std::string text;
  for (std::size_t i = offset; i + 1 < bytes.size(); i += 2) {
    char32_t unit = bytes[i] | (bytes[i + 1] << 8);
    if (unit == 0 && to_nul) break;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = bytes[i + 2] | (bytes[i + 3] << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    utf8::Append(&text, unit);
  }
  return text;
}

// A stored text as the add-in reads it: a string up to its first zero, a DWORD as its number.
std::string ValueText(const RegistryData& data) {
  if (data.type == kRegDword && data.bytes.size() >= 4) {
    const std::uint32_t number = data.bytes[0] | (data.bytes[1] << 8) | (data.bytes[2] << 16) |
                                 (static_cast<std::uint32_t>(data.bytes[3]) << 24);
    return std::to_string(number);
  }
  if (data.type == kRegSz || data.type == kRegExpandSz) return FromUtf16(data.bytes, 0, true);
  return {};
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

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  return path.substr(FolderOf(path).size());
}

std::string Unquoted(std::string text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  return text;
}

struct HostProgram {
  std::string path;
  std::optional<Bits> bits;
};

// A registration of the host's designer found in one location.
struct Registration {
  const Location* location;
  View class_view;
  std::optional<std::string> dll;  // none: the class is not registered there
  std::optional<Bits> dll_bits;
  bool dll_exists = false;
};

class Examination {
 public:
  Examination(System& system, const Options& options, Report& report)
      : system_(system), options_(options), report_(report) {
    if (system.HasTwoViews()) {
      locations_ = {{Root::kLocalMachine, View::k64, "HKEY_LOCAL_MACHINE (64-bit view)"},
                    {Root::kLocalMachine, View::k32, "HKEY_LOCAL_MACHINE (32-bit view)"},
                    {Root::kCurrentUser, View::k64, "HKEY_CURRENT_USER (per user)"}};
    } else {
      locations_ = {{Root::kLocalMachine, View::k32, "HKEY_LOCAL_MACHINE"},
                    {Root::kCurrentUser, View::k32, "HKEY_CURRENT_USER (per user)"}};
    }
  }

  void General() {
    Begin("General");
    const Bits own = system_.OwnBits();
    Add(Level::kOk, "This is the " + BitsText(own) + " doctor: it tries to load " + BitsText(own) +
                        " libraries only");
    if (const auto trace = system_.Environment(kTraceVariable); trace && !trace->empty()) {
      Add(Level::kOk, std::string("Trace on in this process: ") + kTraceVariable + " = " +
                          Quoted(*trace) + "; the add-in traces when the host was started " +
                          "with it in its environment");
    } else {
      Add(Level::kOk, std::string("Trace off: ") + kTraceVariable + " is not set here; to " +
                          "get a trace, set it to a file path in the host's environment " +
                          "(e.g. the user's variables) and start the host again");
    }
  }

  void Host(const table::OfficeHost& host) {
    Begin(std::string(host.key));
    const table::ComClass& designer = *table::DesignerOf(host);
    const std::optional<HostProgram> program = FindProgram(host);
    const std::optional<Bits> host_bits = program ? program->bits : std::nullopt;

    std::vector<Registration> registrations;
    for (const Location& location : locations_) {
      if (system_.KeyExists(location.root, location.view, table::OfficeAddinRecordKey(designer)))
        registrations.push_back(ReadRegistration(location, designer));
    }
    // A registration the host can use: in the view of its bitness (or per user) with a DLL of
    // its bitness. Others are errors only when there is none such.
    const auto usable = [&](const Registration& r) {
      const bool view_fits = r.location->root == Root::kCurrentUser || !system_.HasTwoViews() ||
                             (r.location->view == View::k64) == (*host_bits == Bits::k64);
      return view_fits && (!r.dll_bits || *r.dll_bits == *host_bits);
    };
    const bool any_usable =
        host_bits && std::any_of(registrations.begin(), registrations.end(), usable);

    if (registrations.empty()) {
      Add(Level::kError, std::string("Not registered: no add-in record ") +
                             table::OfficeAddinRecordKey(designer) +
                             " in HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER; register " +
                             "OrvanpdfVtAddin.dll with the regsvr32 of the host's bitness");
    }
    std::vector<std::string> dll_paths;
    for (const Registration& registration : registrations) {
      Describe(registration, designer, host, host_bits, any_usable);
      if (registration.dll) dll_paths.push_back(*registration.dll);
    }
    Resiliency(host, table::ProgId(designer), dll_paths);

    // The job API library and the PDF printer, once per DLL the host may load.
    std::optional<std::string> printer;
    std::vector<std::string> checked;
    for (const Registration& registration : registrations) {
      if (!registration.dll_exists || !registration.dll_bits) continue;
      if (std::find(checked.begin(), checked.end(), *registration.dll) != checked.end()) continue;
      checked.push_back(*registration.dll);
      if (auto name = JobApi(*registration.dll, *registration.dll_bits); name && !printer)
        printer = name;
    }
    Printer(printer);
    ToolbarState(host, program);
  }

 private:
  void Begin(std::string heading) { report_.sections.push_back({std::move(heading), {}}); }
  void Add(Level level, std::string text) {
    report_.sections.back().findings.push_back({level, std::move(text)});
  }

  std::optional<HostProgram> FindProgram(const table::OfficeHost& host) {
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

  Registration ReadRegistration(const Location& location, const table::ComClass& designer) {
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

  void Describe(const Registration& r, const table::ComClass& designer,
                const table::OfficeHost& host, std::optional<Bits> host_bits, bool any_usable) {
    const Location& location = *r.location;
    const std::string record = table::OfficeAddinRecordKey(designer);
    Add(Level::kOk, std::string("Registered in ") + location.name + ": " + record);
    const Level mismatch = any_usable ? Level::kWarning : Level::kError;
    const std::string host_name(host.key);
    if (host_bits && location.root == Root::kLocalMachine && system_.HasTwoViews() &&
        (location.view == View::k64) != (*host_bits == Bits::k64)) {
      Add(mismatch, std::string("This registration is for ") +
                        (location.view == View::k64 ? "64" : "32") + "-bit Office, but " +
                        host_name + " is " + BitsText(*host_bits) + " and does not read it; " +
                        "use " + PackageFor(*host_bits));
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

  void LoadBehavior(const Location& location, const std::string& record) {
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

  void Resiliency(const table::OfficeHost& host, const std::string& prog_id,
                  const std::vector<std::string>& dll_paths) {
    bool any = false;
    for (const std::string& version : system_.SubKeys(Root::kCurrentUser, View::k64, kOfficeKey)) {
      if (version.empty() || version[0] < '0' || version[0] > '9') continue;
      const std::string base = std::string(kOfficeKey) + "\\" + version + "\\" +
                               std::string(host.key) + "\\Resiliency\\";
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

  // The job API library beside the DLL; the PDF printer's name it reports, when it was asked.
  std::optional<std::string> JobApi(const std::string& dll, Bits dll_bits) {
    const std::string path = FolderOf(dll) + kJobApiFileName;
    const std::string prefix = "Job API library " + path;
    if (!system_.FileExists(path)) {
      Add(Level::kError, prefix + " is missing: the add-in loads but cannot print and turns " +
                             "itself off (no toolbar); reinstall the PDF printer");
      return std::nullopt;
    }
    const std::optional<Bits> bits = system_.ProgramBits(path);
    if (!bits) {
      Add(Level::kError, prefix + " is no Windows DLL; reinstall the PDF printer");
      return std::nullopt;
    }
    if (*bits != dll_bits) {
      Add(Level::kError, prefix + " is " + BitsText(*bits) + ", the add-in " + BitsText(dll_bits) +
                             ": the add-in cannot load it; install the " +
                             "add-in of the PDF printer's bitness");
      return std::nullopt;
    }
    if (*bits != system_.OwnBits()) {
      Add(Level::kWarning, prefix + ", " + BitsText(*bits) + "; not tried: run the " +
                               BitsText(*bits) + " doctor to see whether it loads");
      return std::nullopt;
    }
    const std::vector<std::string> functions(std::begin(kJobApiFunctions),
                                             std::end(kJobApiFunctions));
    const LibraryProbe probe = system_.ProbeJobApi(path, functions);
    if (!probe.loaded) {
      Add(Level::kError, prefix + " does not load (" + ErrorText(probe.error) +
                             "): the add-in cannot print and turns itself off");
      return std::nullopt;
    }
    if (!probe.missing.empty()) {
      std::string names;
      for (const std::string& name : probe.missing)
        names += (names.empty() ? "" : ", ") + name;
      Add(Level::kError, prefix + " lacks functions the add-in calls: " + names +
                             "; install the PDF printer's current version");
      return std::nullopt;
    }
    Add(Level::kOk, prefix + ", " + BitsText(*bits) + ", loads and exports the " +
                        std::to_string(functions.size()) + " functions the add-in calls");
    if (!probe.printer) {
      Add(Level::kError, "The job API reports no PDF printer (OrvanPdfVtAPIGetFirstPrinterA " +
                             std::string("fails): the add-in turns itself off at start-up"));
    }
    return probe.printer;
  }

  void Printer(const std::optional<std::string>& reported) {
    const std::string name = reported ? *reported : kPrinterProductName;
    const std::string source = reported ? "the name the job API reports" : "the product's name";
    const std::vector<std::string> printers = system_.Printers();
    const bool installed = std::any_of(printers.begin(), printers.end(),
                                       [&](const auto& p) { return utf8::TextEquals(p, name); });
    if (installed) {
      Add(Level::kOk, "PDF printer " + Quoted(name) + " is installed (" + source + ")");
    } else {
      Add(Level::kError, "PDF printer " + Quoted(name) + " (" + source + ") is not installed: " +
                             "the add-in turns itself off at start-up; reinstall the PDF printer");
    }
  }

  // The values the add-in keeps per host program (named by its full path) in one of its keys.
  std::vector<std::pair<std::string, std::string>> HostValues(const table::OfficeHost& host,
                                                              const char* key) {
    std::string path(key);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    std::vector<std::pair<std::string, std::string>> found;
    for (const RegistryData& value : system_.Values(Root::kCurrentUser, View::k64, path)) {
      if (utf8::TextEquals(FileNameOf(value.name), host.executable))
        found.emplace_back(value.name, ValueText(value));
    }
    return found;
  }

  void ToolbarState(const table::OfficeHost& host, const std::optional<HostProgram>& program) {
    const std::string key_path = "HKEY_CURRENT_USER\\" + std::string(kIsToolBarVisibleKey);
    bool any = false;
    for (const auto& [program_path, text] : HostValues(host, kIsToolBarVisibleKey)) {
      any = true;
      const std::string where = " (IsToolBarVisible " + Quoted(text) + " for " + program_path + ")";
      std::optional<std::int32_t> visible;
      try {
        visible = ToLong(Value(text));
      } catch (const VbError&) {
      }
      if (!visible) {
        Add(Level::kError, "Stored toolbar visibility is no number" + where +
                               ": the add-in's start-up stops at it; delete the value");
      } else if (*visible == 0) {
        Add(Level::kWarning, "The toolbar was hidden by the user" + where + ": show it again " +
                                 "through the toolbars list (View > Toolbars, or right-click a " +
                                 "toolbar); the add-in keeps it hidden");
      } else {
        Add(Level::kOk, "Toolbar stored as visible" + where);
      }
    }
    for (const auto& [program_path, text] : HostValues(host, kToolBarNotRepairKey)) {
      any = true;
      const std::string where = " (ToolBarNotRepair " + Quoted(text) + " for " + program_path + ")";
      double number = 0;
      try {
        number = NumericValue(text);
      } catch (const VbError&) {
        number = 1;
      }
      if (number != 0) {
        Add(Level::kWarning, "Repair is off" + where + ": the add-in adds no missing buttons " +
                                 "or menu and leaves the toolbar's visibility as it is");
      } else {
        Add(Level::kOk, "Repair is on" + where);
      }
    }
    for (const auto& [program_path, text] : HostValues(host, kToolBarPositionKey)) {
      any = true;
      Add(Level::kOk, "Toolbar position " + Quoted(text) + " for " + program_path + ": " +
                          DescribePosition(text));
    }
    if (!any) {
      Add(Level::kOk, "No stored toolbar state for " +
                          (program ? program->path : std::string(host.executable)) +
                          " (the add-in stores it when the host closes)");
    }
  }

  // "Left;Top;Position;RowIndex;menu place" in words.
  static std::string DescribePosition(const std::string& text) {
    std::vector<std::string> fields(1);
    for (const char c : text) {
      if (c == ';')
        fields.emplace_back();
      else
        fields.back() += c;
    }
    fields.resize(5);
    static const char* const kPositions[] = {"docked left", "docked at the top", "docked right",
                                             "docked at the bottom", "floating"};
    const double position = fields[2].empty() ? -1 : NumericValue(fields[2]);
    std::string words = position >= 0 && position <= 4 ? kPositions[static_cast<int>(position)]
                                                       : "position " + Quoted(fields[2]);
    words += ", left " + fields[0] + ", top " + fields[1] + ", row " + fields[3] +
             ", menu at place " + fields[4];
    return words;
  }

  System& system_;
  const Options& options_;
  Report& report_;
  std::vector<Location> locations_;
};

const table::OfficeHost* HostByName(const std::string& name) {
  for (const table::OfficeHost& host : table::kOfficeHosts) {
    if (utf8::TextEquals(host.key, name)) return &host;
  }
  return nullptr;
}

std::string Plural(int count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

const char* const kUsage =
    "Usage: OrvanpdfVtAddinDoctor [--fix] [--host word|excel|powerpoint]\n"
    "Explains why Word, Excel or PowerPoint shows no Orvan pdf vatner toolbar: where the\n"
    "add-in is registered, its DLL and the host's bitness, LoadBehavior, the add-ins Office\n"
    "disabled, the job API library, the PDF printer, the trace switch and the toolbar state\n"
    "the add-in stored.\n"
    "\n"
    "  --fix        set LoadBehavior back to 3 and remove Office's resiliency entries that\n"
    "               name the add-in (HKEY_LOCAL_MACHINE needs a prompt run as administrator)\n"
    "  --host NAME  check this host only (may be given more than once)\n"
    "  --help       this text\n"
    "\n"
    "Exit code: 0 no error (warnings may be listed), 1 an error found, 2 wrong usage.\n";

int Report::Count(Level level) const {
  int count = 0;
  for (const Section& section : sections)
    count += static_cast<int>(std::count_if(section.findings.begin(), section.findings.end(),
                                            [&](const Finding& f) { return f.level == level; }));
  return count;
}

Report Examine(System& system, const Options& options) {
  Report report;
  Examination examination(system, options, report);
  examination.General();
  for (const table::OfficeHost& host : table::kOfficeHosts) {
    if (options.hosts.empty() ||
        std::find(options.hosts.begin(), options.hosts.end(), &host) != options.hosts.end())
      examination.Host(host);
  }
  return report;
}

std::string Format(const Report& report) {
  static const char* const kLabels[] = {"OK      ", "WARNING ", "ERROR   "};
  std::string text;
  for (const Section& section : report.sections) {
    text += "\n== " + section.heading + " ==\n";
    for (const Finding& finding : section.findings)
      text += kLabels[static_cast<int>(finding.level)] + finding.text + "\n";
  }
  const int errors = report.Count(Level::kError);
  text += "\nSummary: " + Plural(errors, "error") + ", " +
          Plural(report.Count(Level::kWarning), "warning");
  if (report.fixable > 0) text += "; --fix repairs " + Plural(report.fixable, "finding");
  text += errors > 0 ? ". Exit code 1.\n" : ". Exit code 0.\n";
  return text;
}

int Run(System& system, const std::vector<std::string>& arguments, std::string& out,
        std::string& err) {
  Options options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string problem;
    if (argument == "--help" || argument == "-h" || argument == "/?") {
      out = kUsage;
      return kExitOk;
    } else if (argument == "--fix") {
      options.fix = true;
    } else if (argument == "--host" || argument.starts_with("--host=")) {
      std::string name;
      if (argument == "--host") {
        if (i + 1 < arguments.size()) name = arguments[++i];
      } else {
        name = argument.substr(7);
      }
      if (const table::OfficeHost* host = HostByName(name)) {
        options.hosts.push_back(host);
      } else {
        problem =
            name.empty() ? "--host needs word, excel or powerpoint" : "unknown host '" + name + "'";
      }
    } else {
      problem = "unknown option '" + argument + "'";
    }
    if (!problem.empty()) {
      err = "OrvanpdfVtAddinDoctor: " + problem + "\n\n" + kUsage;
      return kExitUsage;
    }
  }
  const Report report = Examine(system, options);
  out = "Orvan pdf vatner add-in doctor (" + BitsText(system.OwnBits()) + ")" +
        (options.fix ? ", --fix\n" : "\n") + Format(report);
  return report.Count(Level::kError) > 0 ? kExitError : kExitOk;
}

}  // namespace orvan::doctor
