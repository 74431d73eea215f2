#include "doctor/doctor.h"

#include <algorithm>

#include "doctor/examination.h"
#include "support/utf8.h"

namespace orvan::doctor {
namespace internal {
namespace {

constexpr const char* kTraceVariable = "ORVAN_PDFVTADDINTRACE";
constexpr std::uint32_t kErrorAccessDenied = 5;

}  // namespace

std::string BitsText(Bits bits) {
  return bits == Bits::k64 ? "64-bit" : "32-bit";
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

std::string ErrorText(std::uint32_t code) {
  return "error " + std::to_string(code) + (code == kErrorAccessDenied ? ", access denied" : "");
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

void Examination::General() {
  Begin("General");
  const Bits own = system_.OwnBits();
  Add(Level::kOk, "This is the " + BitsText(own) + " doctor: it tries to load " + BitsText(own) +
                      " libraries only");
  if (const auto trace = system_.Environment(kTraceVariable); trace && !trace->empty()) {
    Add(Level::kOk, std::string("Trace on in this process: ") + kTraceVariable + " = " +
                        Quoted(*trace) + "; the add-in traces when the host was started " +
                        "with it in its environment");
    TraceFile(*trace);
  } else {
    Add(Level::kOk, std::string("Trace off: ") + kTraceVariable + " is not set here; to " +
                        "get a trace, set it to a file path in the host's environment " +
                        "(e.g. the user's variables) and start the host again");
  }
}

void Examination::Host(const table::OfficeHost& host) {
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

}  // namespace internal

namespace {

using internal::BitsText;
using internal::Examination;
namespace table = orvan::registration;

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
