#include "sim/jobapi/job_api_state.h"

#include <cstdio>
#include <memory>

namespace orvan::sim {
namespace {

// Fields are separated by tabs, records by line feeds; both and '%' are escaped inside fields.
std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '\t':
        out += "%09";
        break;
      case '\n':
        out += "%0A";
        break;
      case '\r':
        out += "%0D";
        break;
      default:
        out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(Unescape(line.substr(start, tab - start)));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Files through the C library: the stand-in is loaded and freed many times in one process, and
// the C++ streams' first numeric use leaves caches in the C++ runtime's classic locale that a
// freed DLL's copy of the runtime never gives back.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// What the file holds from `offset` on; false when it cannot be opened or is shorter.
bool ReadFileFrom(const std::string& path, std::uint64_t offset, std::string* text) {
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file.get());
  if (size < 0 || static_cast<std::uint64_t>(size) < offset ||
      std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0) {
    return false;
  }
  text->resize(static_cast<std::size_t>(static_cast<std::uint64_t>(size) - offset));
  return std::fread(text->data(), 1, text->size(), file.get()) == text->size();
}

// Writes `text` in mode "wb" (a new file) or "ab" (appended).
bool WriteWholeFile(const std::string& path, const std::string& text, const char* mode) {
  File file(std::fopen(path.c_str(), mode));
  if (!file) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return std::fclose(file.release()) == 0 && written;  // a failed flush is a failed write
}

class Writer {
 public:
  template <typename... Fields>
  void Record(const std::string& kind, const Fields&... fields) {
    out_ += kind;
    ((out_ += '\t', out_ += Escape(Text(fields))), ...);
    out_ += '\n';
  }
  std::string str() const { return out_; }

 private:
  static std::string Text(const std::string& s) { return s; }
  static std::string Text(const char* s) { return s; }
  static std::string Text(std::int32_t n) { return std::to_string(n); }
  static std::string Text(bool b) { return b ? "1" : "0"; }
  std::string out_;
};

std::int32_t Number(const std::string& text) {
  try {
    return static_cast<std::int32_t>(std::stol(text));
  } catch (const std::exception&) {
    return 0;
  }
}

void WriteError(Writer& w, const std::string& kind, std::int32_t handle, const LastError& e) {
  w.Record(kind, handle, e.number, e.number_readable, e.text_readable, e.text);
}

LastError ReadError(const std::vector<std::string>& f) {
  return LastError{Number(f[2]), f[5], f[3] == "1", f[4] == "1"};
}

}  // namespace

std::map<std::string, std::string> JobApiState::DefaultSettings() {
  return {{"Title", ""},
          {"Author", ""},
          {"Subject", ""},
          {"Keywords", ""},
          {"DestinationDirectory", ""},
          {"SaveAction", "0"},
          {"ApplicationDevmodeStartup", "0"}};
}

std::string SaveState(const JobApiState& s) {
  Writer w;
  w.Record("printer", s.printer_name, s.printer_installed, s.printer_name_written);
  w.Record("language", s.language_id);
  w.Record("outcome", s.dialog_outcome);
  w.Record("next", s.next_handle);
  for (const auto& [mode, found] : s.found_by_mode)
    w.Record("found", mode, found);
  w.Record("clear", "stored");
  for (const auto& [name, value] : s.stored_settings)
    w.Record("stored", name, value);
  w.Record("clear", "default");
  for (const auto& [name, value] : s.default_settings)
    w.Record("default", name, value);
  for (const auto& [name, f] : s.failures) {
    w.Record("fail", name, f.remaining, f.error_number, f.number_readable, f.text_readable,
             f.error_text, f.after);
  }
  for (const auto& name : s.missing_exports)
    w.Record("missing", name);
  for (const auto& [handle, job] : s.jobs) {
    w.Record("job", handle);
    for (const auto& [name, value] : job.properties)
      w.Record("property", handle, name, value);
  }
  WriteError(w, "error", 0, s.last_error);
  for (const auto& [handle, e] : s.job_errors)
    WriteError(w, "job-error", handle, e);
  for (const auto& dialog : s.dialogs) {
    w.Record("dialog");
    for (const auto& [name, value] : dialog.job_properties)
      w.Record("dialog-property", name, value);
    for (const auto& [name, value] : dialog.stored_settings)
      w.Record("dialog-stored", name, value);
  }
  return w.str();
}

JobApiState LoadState(const std::string& text) {
  JobApiState s;
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::vector<std::string> f = Split(line);
    const std::string& kind = f[0];
    const auto has = [&f](std::size_t n) { return f.size() >= n; };
    if (kind == "printer" && has(4)) {
      s.printer_name = f[1];
      s.printer_installed = f[2] == "1";
      s.printer_name_written = f[3] == "1";
    } else if (kind == "language" && has(2)) {
      s.language_id = f[1];
    } else if (kind == "outcome" && has(2)) {
      s.dialog_outcome = Number(f[1]);
    } else if (kind == "next" && has(2)) {
      s.next_handle = Number(f[1]);
    } else if (kind == "found" && has(3)) {
      s.found_by_mode[Number(f[1])] = Number(f[2]);
    } else if (kind == "clear" && has(2)) {
      // The settings listed after this replace the built-in defaults.
      (f[1] == "stored" ? s.stored_settings : s.default_settings).clear();
    } else if (kind == "stored" && has(3)) {
      s.stored_settings[f[1]] = f[2];
    } else if (kind == "default" && has(3)) {
      s.default_settings[f[1]] = f[2];
    } else if (kind == "fail" && has(8)) {
      s.failures[f[1]] =
          Failure{Number(f[2]), Number(f[3]), f[6], f[4] == "1", f[5] == "1", Number(f[7])};
    } else if (kind == "missing" && has(2)) {
      s.missing_exports.insert(f[1]);
    } else if (kind == "job" && has(2)) {
      s.jobs[Number(f[1])];
    } else if (kind == "property" && has(4)) {
      s.jobs[Number(f[1])].properties[f[2]] = f[3];
    } else if (kind == "error" && has(6)) {
      s.last_error = ReadError(f);
    } else if (kind == "job-error" && has(6)) {
      s.job_errors[Number(f[1])] = ReadError(f);
    } else if (kind == "dialog") {
      s.dialogs.emplace_back();
    } else if (kind == "dialog-property" && has(3) && !s.dialogs.empty()) {
      s.dialogs.back().job_properties[f[1]] = f[2];
    } else if (kind == "dialog-stored" && has(3) && !s.dialogs.empty()) {
      s.dialogs.back().stored_settings[f[1]] = f[2];
    }
  }
  return s;
}

JobApiState ReadStateFile(const std::string& path) {
  std::string text;
  if (!ReadFileFrom(path, 0, &text)) return JobApiState{};
  return LoadState(text);
}

bool WriteStateFile(const std::string& path, const JobApiState& state) {
  return WriteWholeFile(path, SaveState(state), "wb");
}

bool ResetStateFiles(const std::string& path, const JobApiState& state) {
  return WriteWholeFile(LogFilePath(path), std::string(), "wb") && WriteStateFile(path, state);
}

void RemoveStateFiles(const std::string& path) {
  std::remove(path.c_str());
  std::remove(LogFilePath(path).c_str());
}

std::string FailureKey(const std::string& export_name, const std::string& argument) {
  return argument.empty() ? export_name : export_name + "(\"" + argument + "\")";
}

std::string LogFilePath(const std::string& path) {
  return path + ".log";
}

bool AppendLogFile(const std::string& path, const std::vector<std::string>& lines,
                   std::int64_t trace_size) {
  if (lines.empty()) return true;
  const std::string mark = trace_size >= 0 ? "@" + std::to_string(trace_size) + " " : "";
  std::string text;
  for (const auto& line : lines)
    text += mark + Escape(line) + '\n';
  // One write per call, at the end of whatever is there.
  return WriteWholeFile(LogFilePath(path), text, "ab");
}

std::vector<LoggedCall> ReadLoggedCalls(const std::string& path, std::uint64_t* offset) {
  std::uint64_t start = offset != nullptr ? *offset : 0;
  std::vector<LoggedCall> lines;
  std::string text;
  if (!ReadFileFrom(LogFilePath(path), start, &text)) return lines;
  // A line still being written (no line feed yet) is left for the next read.
  for (std::size_t from = 0, end; (end = text.find('\n', from)) != std::string::npos;
       from = end + 1) {
    std::string line = text.substr(from, end - from);
    start += line.size() + 1;
    LoggedCall call;
    if (line.size() > 1 && line[0] == '@') {
      const std::size_t blank = line.find(' ');
      call.trace_size = std::stoll(line.substr(1, blank - 1));
      line.erase(0, blank == std::string::npos ? line.size() : blank + 1);
    }
    call.line = Unescape(line);
    lines.push_back(std::move(call));
  }
  if (offset != nullptr) *offset = start;
  return lines;
}

std::vector<std::string> ReadLogFile(const std::string& path, std::uint64_t* offset) {
  std::vector<std::string> lines;
  for (LoggedCall& call : ReadLoggedCalls(path, offset))
    lines.push_back(std::move(call.line));
  return lines;
}

std::vector<std::string> CallsTo(const std::vector<std::string>& log,
                                 const std::string& export_name) {
  std::vector<std::string> calls;
  const std::string prefix = export_name + "(";
  for (const auto& line : log) {
    if (line.compare(0, prefix.size(), prefix) == 0) calls.push_back(line);
  }
  return calls;
}

std::vector<std::string> CallsTo(const JobApiState& state, const std::string& export_name) {
  return CallsTo(state.log, export_name);
}

}  // namespace orvan::sim
