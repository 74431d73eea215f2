// The stand-in job API library's whole state: how it is set to behave, the printer settings it
// keeps, its open jobs and the log of its calls. A test or a simulated host sets it up and reads
// it back; the DLL keeps it in a file named by an environment variable so that both sides reach it,
// and appends each call's log line to a file beside it (the state file stays small, so that a call
// costs the same however long a run goes). Texts are the library's own: bytes in the system's ANSI
// code page, as its callers pass them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvan::sim {

inline constexpr const char* kStateFileVariable = "ORVAN_JOBAPI_STATE";
// Set (to anything), the library reads the state file once, at its first call, and from then on
// keeps its state in memory, writing nothing: as the real library costs, for benchmarks.
inline constexpr const char* kInMemoryVariable = "ORVAN_JOBAPI_IN_MEMORY";
inline constexpr std::int32_t kErrorPrinterNotFound = 512;

// A failure the library plays for one export (or for its calls with one text argument, see
// FailureKey): after `after` successful calls, the next `remaining` calls fail (-1: every call).
struct Failure {
  std::int32_t remaining = -1;
  std::int32_t error_number = 1;
  std::string error_text = "Simulated failure";
  bool number_readable = true;  // OrvanPdfVtJobGetError reports the number
  bool text_readable = true;    // OrvanPdfVtJobGetErrorTextA reports the text
  std::int32_t after = 0;
};

struct Job {
  std::map<std::string, std::string> properties;
};

// What the property dialog was shown when it opened: the job's properties and the stored settings.
struct DialogSeen {
  std::map<std::string, std::string> job_properties;
  std::map<std::string, std::string> stored_settings;

  bool operator==(const DialogSeen&) const = default;
};

struct LastError {
  std::int32_t number = 0;
  std::string text;
  bool number_readable = true;
  bool text_readable = true;
};

struct JobApiState {
  // The printer the library drives; not installed: no first printer and error 512 on set-up.
  std::string printer_name = "Orvan pdf vatner";
  bool printer_installed = true;
  // Whether OrvanPdfVtAPIGetFirstPrinterA writes the name; if not, it succeeds writing nothing.
  bool printer_name_written = true;
  // The printer product's language, reported as every job's "LanguageID".
  std::string language_id = "1031";
  // What OrvanPdfVtJobInitDevModeProperty reports as found, per mode (1 when not listed).
  std::map<std::int32_t, std::int32_t> found_by_mode;
  // What the property dialog reports: 1 accepted, anything else cancelled.
  std::int32_t dialog_outcome = 1;
  // Settings stored with mode 4; mode 1 hands them to the job.
  std::map<std::string, std::string> stored_settings = DefaultSettings();
  // The driver's defaults: a new job's settings; modes 2 and 3 hand them to the job again.
  std::map<std::string, std::string> default_settings = DefaultSettings();
  std::map<std::string, Failure> failures;  // by FailureKey
  std::set<std::string> missing_exports;    // resolved as absent by the stand-in's callers
  std::map<std::int32_t, Job> jobs;         // open jobs by handle
  std::int32_t next_handle = 1;             // the handle the next job gets (0 is a valid handle)
  LastError last_error;                     // of the most recent failing call
  std::map<std::int32_t, LastError> job_errors;
  std::vector<DialogSeen> dialogs;  // one per opened property dialog, in order
  // One line per call: name(arguments) = result. In memory only: the DLL appends the lines of each
  // call to the log file and starts the next call with none.
  std::vector<std::string> log;
  // Run once by the next property dialog while it is up (the caller's nested message loop); in
  // process only, never saved.
  std::function<void()> while_dialog_shown;

  static std::map<std::string, std::string> DefaultSettings();
};

// The state as text and back; an empty or unreadable text gives the default state.
std::string SaveState(const JobApiState& state);
JobApiState LoadState(const std::string& text);

// The key of a failure of an export's calls: all of them (argument empty), or those whose first
// text argument (a property's name) is argument.
std::string FailureKey(const std::string& export_name, const std::string& argument);

// The state file: read (default state when absent, its log empty) and written whole, without log.
JobApiState ReadStateFile(const std::string& path);
bool WriteStateFile(const std::string& path, const JobApiState& state);
// The state file written anew and its log file emptied, as for a fresh library; and both removed.
bool ResetStateFiles(const std::string& path, const JobApiState& state);
void RemoveStateFiles(const std::string& path);

// The log file beside the state file at path: one line per call, appended, never rewritten.
std::string LogFilePath(const std::string& path);
// Each line may carry the size the caller's trace file had when the call was made, so that a
// reader can place the call among the trace's lines.
bool AppendLogFile(const std::string& path, const std::vector<std::string>& lines,
                   std::int64_t trace_size = -1);
struct LoggedCall {
  std::string line;
  std::int64_t trace_size = -1;  // -1: not known
};
// The log's whole lines from byte *offset on (the start without offset); *offset then points
// past the last of them.
std::vector<LoggedCall> ReadLoggedCalls(const std::string& path, std::uint64_t* offset);
std::vector<std::string> ReadLogFile(const std::string& path, std::uint64_t* offset = nullptr);

// The log lines of calls to one export.
std::vector<std::string> CallsTo(const std::vector<std::string>& log,
                                 const std::string& export_name);
std::vector<std::string> CallsTo(const JobApiState& state, const std::string& export_name);

}  // namespace orvan::sim
