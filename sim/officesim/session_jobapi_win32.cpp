// The `jobapi` step: how the PDF printer's job API library is set to behave, written to its state
// file between the add-in's calls.
#include <optional>
#include <string>

#include "sim/jobapi/job_api_logic.h"
#include "sim/jobapi/job_api_state.h"
#include "sim/officesim/office_session_win32.h"
#include "support/ansi_text.h"

namespace orvan::sim {
namespace {

constexpr const char* kJobApiUsage =
    "jobapi: language, printer, printer-name, dialog, next-handle, stored, found or fail";
constexpr const char* kFailUsage =
    "jobapi fail EXPORT [\"ARGUMENT\"] [number N] [text T] [unreadable] [once|times N|always] "
    "[after N] [nth N]";

// The step has exactly `count` words.
void WordCount(const ScenarioStep& step, std::size_t count, const std::string& usage) {
  if (step.words.size() != count) Refuse(step, "expected " + usage);
}

// One of two words at `index`: true for `yes`, false for `no`.
bool Either(const ScenarioStep& step, std::size_t index, const char* yes, const char* no) {
  const std::string usage = step.words[1] + " " + yes + " or " + no;
  WordCount(step, index + 1, usage);
  const std::string& word = step.words[index];
  if (word != yes && word != no) Refuse(step, "expected " + usage + ", not '" + word + "'");
  return word == yes;
}

Failure ScriptedFailure(const ScenarioStep& step, std::size_t first) {
  Failure failure;
  bool repetition = false;
  std::optional<std::int32_t> after, nth;
  for (std::size_t i = first; i < step.words.size(); ++i) {
    const std::string& word = step.words[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= step.words.size()) Refuse(step, "jobapi fail: " + word + " needs a value");
      return step.words[++i];
    };
    const auto repeat = [&](std::int32_t remaining) {
      if (repetition) Refuse(step, "jobapi fail: once, times N or always, only one of them");
      repetition = true;
      failure.remaining = remaining;
    };
    if (word == "number") {
      failure.error_number = Number(step, value());
    } else if (word == "text") {
      failure.error_text = Utf8ToAnsi(value());
    } else if (word == "unreadable") {
      failure.number_readable = failure.text_readable = false;
    } else if (word == "once") {
      repeat(1);
    } else if (word == "times") {
      repeat(Number(step, value()));
    } else if (word == "always") {
      repeat(-1);
    } else if (word == "after") {
      after = Number(step, value());
    } else if (word == "nth") {
      nth = Number(step, value());
      if (*nth < 1) Refuse(step, "jobapi fail: nth counts from 1");
    } else {
      Refuse(step, "unknown word '" + word + "'; expected " + kFailUsage);
    }
  }
  failure.after = after.value_or(0);
  if (nth) {
    // The Nth matching call alone: the ones before it succeed.
    if (repetition || after)
      Refuse(step, "jobapi fail: nth N with no once, times, always or after");
    failure.after = *nth - 1;
    failure.remaining = 1;
  }
  return failure;
}

}  // namespace

void OfficeSession::JobApi(const ScenarioStep& step) {
  JobApiState state = ReadStateFile(job_api_state_);
  const std::string& what = Argument(step, 1, kJobApiUsage);
  if (what == "language") {
    WordCount(step, 3, "jobapi language ID");
    state.language_id = step.words[2];
  } else if (what == "printer") {
    state.printer_installed = Either(step, 2, "installed", "missing");
  } else if (what == "printer-name") {
    WordCount(step, 3, "jobapi printer-name \"NAME\" or none");
    // Unquoted `none`: the library succeeds and leaves the caller's buffer as it was.
    state.printer_name_written = step.words[2] != "none" || Quoted(step, 2);
    if (state.printer_name_written) state.printer_name = Utf8ToAnsi(step.words[2]);
  } else if (what == "dialog") {
    state.dialog_outcome = Either(step, 2, "accept", "cancel") ? 1 : 0;
  } else if (what == "next-handle") {
    WordCount(step, 3, "jobapi next-handle N");
    state.next_handle = Number(step, step.words[2]);
    if (state.next_handle < 0) Refuse(step, "a job's handle is 0 or more");
  } else if (what == "stored") {
    WordCount(step, 4, "jobapi stored NAME VALUE");
    const std::string& name = step.words[2];
    std::string names;
    for (const auto& [known, value] : JobApiState::DefaultSettings())
      names += " " + known;
    if (!JobApiState::DefaultSettings().contains(name)) {
      Refuse(step, "jobapi stored: a setting of" + names + ", not '" + name + "'");
    }
    state.stored_settings[name] = Utf8ToAnsi(step.words[3]);
  } else if (what == "found") {
    WordCount(step, 4, "jobapi found MODE N");
    const std::int32_t mode = Number(step, step.words[2]);
    if (mode < 1 || mode > 3) Refuse(step, "jobapi found: mode 1, 2 or 3");
    state.found_by_mode[mode] = Number(step, step.words[3]);
  } else if (what == "fail") {
    const std::string& name = Argument(step, 2, kFailUsage);
    if (!IsExport(name)) Refuse(step, "the job API library has no export '" + name + "'");
    std::string argument;
    std::size_t options = 3;
    if (step.words.size() > options && Quoted(step, options)) {
      if (!HasTextArgument(name)) Refuse(step, name + " takes no text argument to narrow it by");
      argument = Utf8ToAnsi(step.words[options++]);
      if (argument.empty()) Refuse(step, "jobapi fail: the argument is a property's name");
    }
    state.failures[FailureKey(name, argument)] = ScriptedFailure(step, options);
  } else {
    Refuse(step, std::string(kJobApiUsage) + ", not '" + what + "'");
  }
  WriteStateFile(job_api_state_, state);
}

}  // namespace orvan::sim
