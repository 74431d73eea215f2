// What a step changed, written to the transcript: traces, the job API's calls, prints and their
// PDFs, the add-in's command bars and its registry values.
#include <filesystem>
#include <fstream>
#include <utility>

#include "platform/win32/wide_text_win32.h"
#include "sim/jobapi/job_api_state.h"
#include "sim/officesim/host_system_win32.h"
#include "sim/officesim/office_session_win32.h"
#include "sim/officesim/pdf_writer.h"
#include "support/ansi_text.h"
#include "support/utf8.h"

namespace orvan::sim {
namespace {

// The add-in's bars and controls, and leftovers of its older versions in any letter case.
bool OursByName(const std::string& name) {
  return utf8::TextEquals(std::string_view(name).substr(0, 5), "Orvan");
}

// Whether the file holds more than `read` bytes. One attribute query: a host access before which
// nothing was traced or logged opens no file.
bool Grew(const std::string& path, std::uint64_t read) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  return ((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) > read;
}

bool EnvironmentSet(const char* name) {
  char first[2];
  return GetEnvironmentVariableA(name, first, sizeof first) > 0;
}

// The add-in traces while the switch names a file; a step that turns it off drains the rest.
bool Tracing() {
  return EnvironmentSet("ORVAN_PDFVTADDINTRACE");
}

std::string YesNo(bool value) {
  return value ? "True" : "False";
}

void DescribeControls(const ControlList& list, const std::string& where,
                      std::vector<std::string>& lines, bool all) {
  for (const auto& control : list.items) {
    const bool ours = OursByName(control->tag);
    if (all || ours) {
      std::string line = Quote(where) + " " + std::to_string(control->Index()) + " " +
                         (control->controls ? "popup" : "button") + " tag " + Quote(control->tag) +
                         " caption " + Quote(control->caption);
      if (control->face) line += " face " + Quote(control->face->description);
      if (!control->enabled) line += " disabled";
      if (!control->visible) line += " hidden";
      if (control->begin_group) line += " group";
      lines.push_back("control " + line);
    }
    if (control->controls) {
      DescribeControls(*control->controls, where + "/" + control->caption, lines, all || ours);
    }
  }
}

}  // namespace

void OfficeSession::Event(const std::string& kind, const std::string& text) {
  Drain();
  transcript_.Add(kind, text);
}

void OfficeSession::Drain() {
  // Each host access drains first (the world's hook), so at most the last access is pending, and
  // its print: both came before any trace line or job API call not yet written down.
  if (options_.verbose) {
    for (const std::string& call : world_->journal)
      transcript_.Add("call", call);
  }
  // Written down or not wanted: the journal is let go, so that a long run does not grow with it.
  world_->journal.clear();
  // Prints likewise: written down and saved as PDFs, then let go.
  std::string pdf_printer;
  if (!world_->prints.empty()) pdf_printer = AnsiToUtf8(ReadStateFile(job_api_state_).printer_name);
  for (const PrintRecord& print : world_->prints) {
    transcript_.Add("print", print.host + " " + Quote(print.document) + " printer " +
                                 Quote(print.printer) + " " + print.arguments +
                                 (print.background ? " (in the background)" : ""));
    // The job API's stored settings when the host printed: what the printer driver used.
    std::string settings;
    for (const auto& [name, value] : print.job_settings)
      settings += " " + name + " " + Quote(AnsiToUtf8(value));
    transcript_.Add("job-settings", settings.substr(settings.empty() ? 0 : 1));
    WritePdf(print, pdf_printer);
  }
  world_->prints.clear();
  // The trace's new lines, without their time stamps, with where each ends in the file.
  std::vector<std::pair<std::uint64_t, std::string>> traced;
  std::ifstream trace;
  if (Tracing() && Grew(trace_file_, trace_read_)) trace.open(trace_file_, std::ios::binary);
  if (trace) {
    trace.seekg(static_cast<std::streamoff>(trace_read_));
    std::string line;
    // A line still being written (no line feed yet) is left for the next drain.
    while (std::getline(trace, line) && !trace.eof()) {
      trace_read_ += line.size() + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::size_t stamp = line.find(": ");
      traced.emplace_back(trace_read_,
                          AnsiToUtf8(stamp == std::string::npos ? line : line.substr(stamp + 2)));
    }
  }
  // Each job API call after the trace lines written before it.
  std::size_t next = 0;
  const std::vector<LoggedCall> calls =
      !EnvironmentSet(kInMemoryVariable) && Grew(LogFilePath(job_api_state_), job_log_read_)
          ? ReadLoggedCalls(job_api_state_, &job_log_read_)
          : std::vector<LoggedCall>();
  for (const LoggedCall& call : calls) {
    for (; next < traced.size() && static_cast<std::int64_t>(traced[next].first) <= call.trace_size;
         ++next) {
      transcript_.Add("trace", traced[next].second);
    }
    transcript_.Add("jobapi", AnsiToUtf8(call.line));
  }
  for (; next < traced.size(); ++next)
    transcript_.Add("trace", traced[next].second);
}

void OfficeSession::Collect() {
  Drain();
  const std::vector<std::string> bars = BarLines();
  if (bars != bars_shown_ || std::exchange(show_bars_, false)) {
    for (const std::string& line : bars)
      transcript_.Add(KindOf(line), line.substr(KindOf(line).size() + 1));
    if (bars.empty()) transcript_.Add("bars", "none of the add-in's");
    bars_shown_ = bars;
  }
  // Of the product's registry, what belongs to this host program.
  std::vector<std::string> registry;
  for (const std::string& line : ProductRegistry()) {
    if (utf8::TextContains(line, host_.program)) registry.push_back(line);
  }
  if (registry != registry_shown_ || std::exchange(show_registry_, false)) {
    for (const std::string& line : registry)
      transcript_.Add("registry", line);
    if (registry.empty()) transcript_.Add("registry", "(no values)");
    registry_shown_ = registry;
  }
}

void OfficeSession::WritePdf(const PrintRecord& print, const std::string& pdf_printer) {
  if (lstrcmpiA(print.printer.c_str(), pdf_printer.c_str()) != 0) return;
  auto setting = [&](const char* name) {
    const auto found = print.job_settings.find(name);
    return found == print.job_settings.end() ? std::string() : AnsiToUtf8(found->second);
  };
  PdfContent content{setting("Title"),
                     setting("Author"),
                     setting("Subject"),
                     setting("Keywords"),
                     {print.host + ": " + print.document, "Printed by Orvan pdf vatner"}};
  const std::string destination = setting("DestinationDirectory");
  const std::string folder =
      setting("SaveAction") == "1" && !destination.empty() ? destination : options_.output_folder;
  const std::filesystem::path directory(win32::Widen(folder));
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  const std::filesystem::path file =
      directory / win32::Widen(PdfFileName(content.title, print.document));
  std::ofstream(file, std::ios::binary) << RenderPdf(content);
  transcript_.Add("pdf", Quote(win32::Narrow(file.wstring())) + " title " + Quote(content.title) +
                             " author " + Quote(content.author) + " subject " +
                             Quote(content.subject) + " keywords " + Quote(content.keywords));
}

std::vector<std::string> OfficeSession::BarLines() const {
  std::vector<std::string> lines;
  for (const FakeBar* bar : world_->command_bars(host_.type)->Bars()) {
    if (bar->deleted) continue;
    const bool ours = OursByName(bar->name);
    if (ours) {
      lines.push_back("bar " + Quote(bar->name) + " position " + std::to_string(bar->position) +
                      " row " + std::to_string(bar->row) + " visible " + YesNo(bar->visible) +
                      (bar->temporary ? " temporary" : ""));
    }
    DescribeControls(*bar->controls, bar->name, lines, ours);
  }
  return lines;
}

}  // namespace orvan::sim
