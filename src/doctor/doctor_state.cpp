// The doctor's checks of what the add-in needs at run time for a host: the job API library
// beside its DLL, the PDF printer, the toolbar state the add-in stored, and the trace file.
#include <algorithm>
#include <cctype>
#include <iterator>

#include "commandbars/toolbar.h"
#include "doctor/examination.h"
#include "jobapi/vatner_api.h"
#include "support/error.h"
#include "support/language.h"
#include "support/utf8.h"
#include "support/value.h"

namespace orvan::doctor::internal {
namespace {

// A trace this large is worth a word: nothing ever shortens it.
constexpr std::uint64_t kLargeTrace = std::uint64_t{100} << 20;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  return path.substr(FolderOf(path).size());
}

}  // namespace

void Examination::TraceFile(const std::string& path) {
  const std::string quoted = Quoted(path);
  const bool absolute = path.starts_with("\\\\") ||
                        (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                         path[1] == ':' && (path[2] == '\\' || path[2] == '/'));
  if (path.find('%') != std::string::npos) {
    Add(Level::kWarning, "Trace path " + quoted + " holds a %variable%, which the add-in does " +
                             "not expand: it writes no trace; write the path out in full");
  } else if (!absolute) {
    Add(Level::kWarning, "Trace path " + quoted + " is relative: the add-in writes it in the " +
                             "host's current folder, wherever that is at the moment; give a " +
                             "full path");
  } else if (const PathFacts file = system_.Facts(path); file.folder) {
    Add(Level::kWarning, "Trace path " + quoted + " is a folder: the add-in writes no trace; " +
                             "name a file in it");
  } else if (!system_.Facts(FolderOf(path)).folder) {
    Add(Level::kWarning, "The trace file's folder " + FolderOf(path) + " does not exist: the " +
                             "add-in writes no trace; create the folder");
  } else if (!file.exists) {
    Add(Level::kOk, "Trace file " + quoted + " does not exist yet; the add-in makes it with " +
                        "its first line");
  } else if (file.read_only) {
    Add(Level::kWarning, "Trace file " + quoted + " is read-only: the add-in writes no trace; " +
                             "clear its read-only attribute");
  } else if (file.size >= kLargeTrace) {
    Add(Level::kWarning, "Trace file " + quoted + " holds " + std::to_string(file.size >> 20) +
                             " MB: the add-in only ever appends to it; delete it when it is " +
                             "no longer needed");
  } else {
    Add(Level::kOk, "Trace file " + quoted + " exists (" + std::to_string(file.size) +
                        " bytes); the add-in appends its lines to it");
  }
}

std::optional<std::string> Examination::JobApi(const std::string& dll, Bits dll_bits) {
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
  } else {
    Job(probe, *probe.printer);
    if (probe.job.create == 1) Captions(probe.language);
  }
  return probe.printer;
}

void Examination::Job(const LibraryProbe& probe, const std::string& printer) {
  const auto& job = probe.job;
  const std::string off = ": the add-in turns itself off at start-up; reinstall the PDF printer";
  // The job's error number as the add-in reads it: its low 16 bits, signed.
  const std::int32_t error = static_cast<std::int16_t>(job.error & 0xFFFF);
  if (job.create != 1) {
    Add(Level::kError, "The job API opens no job (OrvanPdfVtJobCreate gives " +
                           std::to_string(job.create) + ")" + off);
  } else if (job.printer_name != 1) {
    Add(Level::kError, "The job API takes no job for " + Quoted(printer) +
                           " (setting PrinterName gives " + std::to_string(job.printer_name) + ")" +
                           off);
  } else if (job.init != 1 && error == kPrinterNotFound) {
    Add(Level::kError, "The job API does not find the printer " + Quoted(printer) +
                           " for a job (error " + std::to_string(error) + ")" + off);
  } else {
    Add(Level::kOk,
        "A job on " + Quoted(printer) + " opens" +
            (job.init == 1 ? ""
                           : " (its settings do not initialise, error " + std::to_string(error) +
                                 ", which the add-in lets pass)") +
            ": the add-in's start-up check of the printer passes");
  }
}

void Examination::Captions(const std::string& language) {
  static const char* const kLanguages[] = {"", "German", "English", "French"};
  try {
    const std::int32_t id = ToLong(Value(language));
    Add(Level::kOk, std::string("Captions in ") + kLanguages[LanguageIndexOf(id)] +
                        " (the PDF printer product's language " + std::to_string(id) + ")");
  } catch (const VbError& e) {
    Add(Level::kWarning, "The PDF printer product's language " + Quoted(language) +
                             " is no number (error " + std::to_string(e.number()) + "): the " +
                             "add-in cannot pick its captions' language; set the PDF " +
                             "printer's language again");
  }
}

void Examination::Printer(const std::optional<std::string>& reported) {
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

std::vector<std::pair<std::string, std::string>> Examination::HostValues(
    const table::OfficeHost& host, const char* key) {
  std::string path(key);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  std::vector<std::pair<std::string, std::string>> found;
  for (const RegistryData& value : system_.Values(Root::kCurrentUser, View::k64, path)) {
    if (utf8::TextEquals(FileNameOf(value.name), host.executable))
      found.emplace_back(value.name, ValueText(value));
  }
  return found;
}

void Examination::ToolbarState(const table::OfficeHost& host,
                               const std::optional<HostProgram>& program) {
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

std::string Examination::DescribePosition(const std::string& text) {
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

}  // namespace orvan::doctor::internal
