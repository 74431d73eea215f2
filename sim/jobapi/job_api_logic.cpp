#include "sim/jobapi/job_api_logic.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace orvan::sim {
namespace {

constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::int32_t kErrorBufferTooSmall = 122;
constexpr std::int32_t kSaveMode = 4;
constexpr std::int32_t kCreateValue = -1;       // the second argument of every job creation
constexpr std::int32_t kTextBufferSize = 1024;  // of the error text and the printer name

std::string Quoted(const char* text) {
  return text == nullptr ? "null" : "\"" + std::string(text) + "\"";
}

// One call of an export: reads its arguments, acts on the state and describes itself for the log.
class ExportCall {
 public:
  ExportCall(JobApiState& state, const std::string& name, std::span<const std::intptr_t> args)
      : state_(state), name_(name), args_(args) {}

  std::int32_t Run() {
    if (name_ == "OrvanPdfVtJobCreate") return Checked(2, &ExportCall::Create);
    if (name_ == "OrvanPdfVtJobFree") return Checked(1, &ExportCall::Free);
    if (name_ == "OrvanPdfVtJobSetPropertyA") return Checked(3, &ExportCall::SetProperty);
    if (name_ == "OrvanPdfVtJobGetPropertyA") return Checked(4, &ExportCall::GetProperty);
    if (name_ == "OrvanPdfVtJobGetError") return Checked(2, &ExportCall::GetError);
    if (name_ == "OrvanPdfVtJobGetErrorTextA") return Checked(3, &ExportCall::GetErrorText);
    if (name_ == "OrvanPdfVtJobInitDevModeProperty") return Checked(3, &ExportCall::InitDevMode);
    if (name_ == "OrvanPdfVtJobShowDevModeProperty") return Checked(2, &ExportCall::ShowDevMode);
    if (name_ == "OrvanPdfVtJobSaveDevModeProperty") return Checked(2, &ExportCall::SaveDevMode);
    if (name_ == "OrvanPdfVtAPIGetFirstPrinterA") return Checked(2, &ExportCall::GetFirstPrinter);
    Log("?", 0, "no such export");
    return 0;
  }

 private:
  using Body = std::int32_t (ExportCall::*)();

  // Each export takes exactly its own arguments: more of them would unbalance the stack of a
  // 32-bit stdcall call, so any other count is refused.
  std::int32_t Checked(std::size_t count, Body body) {
    if (args_.size() != count) {
      Log("?", 0,
          "called with " + std::to_string(args_.size()) + " arguments, takes " +
              std::to_string(count));
      return 0;
    }
    return (this->*body)();
  }

  void Log(const std::string& arguments, std::int32_t result, const std::string& detail) {
    std::string line = name_ + "(" + arguments + ") = " + std::to_string(result);
    if (!detail.empty()) line += " " + detail;
    state_.log.push_back(line);
  }

  template <typename T>
  T* Pointer(std::size_t i) const {
    return reinterpret_cast<T*>(args_[i]);
  }
  std::int32_t Long(std::size_t i) const { return static_cast<std::int32_t>(args_[i]); }

  // Records a failure of this call as the library's and the job's last error.
  std::int32_t Fail(std::int32_t job, const LastError& error) {
    state_.last_error = error;
    if (state_.jobs.count(job)) state_.job_errors[job] = error;
    return 0;
  }
  std::int32_t Fail(std::int32_t job, std::int32_t number, const std::string& text) {
    return Fail(job, LastError{number, text, true, true});
  }
  // The failure configured for this call, consumed by it; nullptr when none applies. One for the
  // call's first text argument comes before one for every call of the export.
  const Failure* ScriptedFailure() {
    auto it = state_.failures.end();
    if (HasTextArgument(name_) && Pointer<const char>(1) != nullptr) {
      it = state_.failures.find(FailureKey(name_, Pointer<const char>(1)));
    }
    if (it == state_.failures.end() || it->second.remaining == 0) it = state_.failures.find(name_);
    if (it == state_.failures.end() || it->second.remaining == 0) return nullptr;
    if (it->second.after > 0) {
      --it->second.after;
      return nullptr;
    }
    if (it->second.remaining > 0) --it->second.remaining;
    return &it->second;
  }
  // Plays a scripted failure of a job function; true when the call fails with it.
  bool FailsAsScripted(std::int32_t job) {
    const Failure* f = ScriptedFailure();
    if (f == nullptr) return false;
    Fail(job, LastError{f->error_number, f->error_text, f->number_readable, f->text_readable});
    return true;
  }
  Job* FindJob(std::int32_t job) {
    auto it = state_.jobs.find(job);
    if (it != state_.jobs.end()) return &it->second;
    Fail(job, kErrorInvalidHandle, "Invalid job handle");
    return nullptr;
  }
  // The text and its NUL into a caller's buffer of size bytes, padded with NULs to the whole
  // size, so that a size larger than the buffer really offered is written past its end (and
  // AddressSanitizer reports it). Fails when the text does not fit.
  bool WriteText(std::int32_t job, const std::string& text, char* buffer, std::int32_t size) {
    if (buffer == nullptr || size < 0 || text.size() + 1 > static_cast<std::size_t>(size)) {
      Fail(job, kErrorBufferTooSmall, "Buffer too small");
      return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    std::memset(buffer + text.size() + 1, 0, static_cast<std::size_t>(size) - text.size() - 1);
    return true;
  }
  // A value the caller must pass as the job API's contract fixes it.
  bool Expect(std::int32_t job, bool holds, const std::string& what) {
    if (!holds) Fail(job, kErrorInvalidParameter, "Invalid " + what);
    return holds;
  }
  // Settings can be handled only for the installed printer named in the job.
  bool PrinterReady(std::int32_t job, const Job& j) {
    const auto it = j.properties.find("PrinterName");
    if (state_.printer_installed && it != j.properties.end() && it->second == state_.printer_name) {
      return true;
    }
    Fail(job, kErrorPrinterNotFound, "Printer not found");
    return false;
  }
  const LastError& ErrorOf(std::int32_t job) const {
    const auto it = state_.job_errors.find(job);
    return it != state_.job_errors.end() ? it->second : state_.last_error;
  }

  std::int32_t Create() {
    std::int32_t* handle = Pointer<std::int32_t>(0);
    const std::string arguments = std::to_string(Long(1));
    if (FailsAsScripted(-1) || !Expect(-1, handle != nullptr && Long(1) == kCreateValue, "value")) {
      Log(arguments, 0, "");
      return 0;
    }
    *handle = state_.next_handle++;
    // A new job starts with the driver's defaults until its settings are set up.
    state_.jobs[*handle].properties = state_.default_settings;
    Log(arguments, 1, "handle=" + std::to_string(*handle));
    return 1;
  }

  std::int32_t Free() {
    std::int32_t* handle = Pointer<std::int32_t>(0);
    const std::int32_t job = handle != nullptr ? *handle : -1;
    std::int32_t result = 0;
    if (!FailsAsScripted(job) && FindJob(job) != nullptr) {
      state_.jobs.erase(job);
      state_.job_errors.erase(job);
      *handle = -1;
      result = 1;
    }
    Log(std::to_string(job), result, "");
    return result;
  }

  std::int32_t SetProperty() {
    const std::int32_t job = Long(0);
    const char* name = Pointer<const char>(1);
    const char* value = Pointer<const char>(2);
    std::int32_t result = 0;
    if (!FailsAsScripted(job)) {
      if (Job* j = FindJob(job)) {
        if (name == nullptr || *name == '\0' || value == nullptr) {
          Fail(job, kErrorInvalidParameter, "Invalid property");
        } else {
          j->properties[name] = value;
          result = 1;
        }
      }
    }
    Log(std::to_string(job) + ", " + Quoted(name) + ", " + Quoted(value), result, "");
    return result;
  }

  std::int32_t GetProperty() {
    const std::int32_t job = Long(0);
    const char* name = Pointer<const char>(1);
    char* buffer = Pointer<char>(2);
    const std::int32_t size = Long(3);
    std::int32_t result = 0;
    std::string value;
    if (!FailsAsScripted(job)) {
      if (Job* j = FindJob(job)) {
        const std::string key = name != nullptr ? name : "";
        const auto it = j->properties.find(key);
        if (it != j->properties.end()) {
          value = it->second;
          result = 1;
        } else if (key == "LanguageID") {
          value = state_.language_id;
          result = 1;
        } else {
          Fail(job, kErrorInvalidParameter, "Unknown property " + key);
        }
        if (result == 1 && !WriteText(job, value, buffer, size)) result = 0;
      }
    }
    Log(std::to_string(job) + ", " + Quoted(name) + ", " + std::to_string(size), result,
        result == 1 ? Quoted(value.c_str()) : "");
    return result;
  }

  std::int32_t GetError() {
    const std::int32_t job = Long(0);
    std::int32_t* number = Pointer<std::int32_t>(1);
    const LastError& error = ErrorOf(job);
    std::int32_t result = 0;
    if (ScriptedFailure() == nullptr && error.number_readable && number != nullptr) {
      *number = error.number;
      result = 1;
    }
    Log(std::to_string(job), result, result == 1 ? std::to_string(error.number) : "");
    return result;
  }

  std::int32_t GetErrorText() {
    const std::int32_t job = Long(0);
    char* buffer = Pointer<char>(1);
    const std::int32_t size = Long(2);
    const LastError error = ErrorOf(job);
    std::int32_t result = 0;
    if (ScriptedFailure() == nullptr && error.text_readable && size == kTextBufferSize) {
      // Texts longer than the buffer are cut to fit, as error texts usually are.
      const std::size_t n = std::min(error.text.size(), static_cast<std::size_t>(size) - 1);
      if (WriteText(job, error.text.substr(0, n), buffer, size)) result = 1;
    }
    Log(std::to_string(job) + ", " + std::to_string(size), result,
        result == 1 ? Quoted(error.text.c_str()) : "");
    return result;
  }

  std::int32_t InitDevMode() {
    const std::int32_t job = Long(0);
    const std::int32_t mode = Long(1);
    std::int32_t* found = Pointer<std::int32_t>(2);
    std::int32_t result = 0;
    std::string detail;
    if (!FailsAsScripted(job)) {
      if (Job* j = FindJob(job)) {
        if (mode < 1 || mode > 3 || found == nullptr) {
          Fail(job, kErrorInvalidParameter, "Invalid mode");
        } else if (PrinterReady(job, *j)) {
          // Mode 1: the settings stored last; modes 2 and 3: the driver's defaults.
          const auto& settings = mode == 1 ? state_.stored_settings : state_.default_settings;
          for (const auto& [key, value] : settings)
            j->properties[key] = value;
          const auto it = state_.found_by_mode.find(mode);
          *found = it != state_.found_by_mode.end() ? it->second : 1;
          detail = "found=" + std::to_string(*found);
          result = 1;
        }
      }
    }
    Log(std::to_string(job) + ", " + std::to_string(mode), result, detail);
    return result;
  }

  std::int32_t ShowDevMode() {
    const std::int32_t job = Long(0);
    std::int32_t* outcome = Pointer<std::int32_t>(1);
    std::int32_t result = 0;
    std::string detail;
    if (!FailsAsScripted(job)) {
      if (Job* j = FindJob(job);
          j != nullptr && Expect(job, outcome != nullptr, "outcome") && PrinterReady(job, *j)) {
        state_.dialogs.push_back(DialogSeen{j->properties, state_.stored_settings});
        *outcome = state_.dialog_outcome;
        if (state_.while_dialog_shown) std::exchange(state_.while_dialog_shown, nullptr)();
        detail = "outcome=" + std::to_string(*outcome);
        result = 1;
      }
    }
    Log(std::to_string(job), result, detail);
    return result;
  }

  std::int32_t SaveDevMode() {
    const std::int32_t job = Long(0);
    const std::int32_t mode = Long(1);
    std::int32_t result = 0;
    if (!FailsAsScripted(job)) {
      if (Job* j = FindJob(job)) {
        if (mode != kSaveMode) {
          Fail(job, kErrorInvalidParameter, "Invalid mode");
        } else if (PrinterReady(job, *j)) {
          // The next print on the printer and the next job's mode-1 set-up use these.
          for (const auto& [key, value] : j->properties) {
            if (key != "PrinterName") state_.stored_settings[key] = value;
          }
          result = 1;
        }
      }
    }
    Log(std::to_string(job) + ", " + std::to_string(mode), result, "");
    return result;
  }

  std::int32_t GetFirstPrinter() {
    char* buffer = Pointer<char>(0);
    const std::int32_t size = Long(1);
    const std::string offered = Quoted(buffer);
    std::int32_t result = 0;
    if (!FailsAsScripted(-1)) {
      if (!state_.printer_installed) {
        Fail(-1, kErrorPrinterNotFound, "Printer not found");
      } else if (!state_.printer_name_written) {
        result = 1;  // the caller's buffer as it was
      } else if (Expect(-1, size == kTextBufferSize, "size") &&
                 WriteText(-1, state_.printer_name, buffer, size)) {
        result = 1;
      }
    }
    Log(offered + ", " + std::to_string(size), result, result == 1 ? Quoted(buffer) : "");
    return result;
  }

  JobApiState& state_;
  std::string name_;
  std::span<const std::intptr_t> args_;
};

}  // namespace

bool IsExport(const std::string& name) {
  return std::find(std::begin(kExportNames), std::end(kExportNames), name) !=
         std::end(kExportNames);
}

bool HasTextArgument(const std::string& name) {
  return name == "OrvanPdfVtJobSetPropertyA" || name == "OrvanPdfVtJobGetPropertyA";
}

std::int32_t CallExport(JobApiState& state, const std::string& name,
                        std::span<const std::intptr_t> arguments) {
  return ExportCall(state, name, arguments).Run();
}

}  // namespace orvan::sim
