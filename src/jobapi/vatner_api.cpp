#include "jobapi/vatner_api.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "support/ansi_text.h"
#include "support/error.h"
#include "support/message_box.h"
#include "support/platform.h"
#include "support/thread_state.h"

namespace orvan {
namespace {

constexpr std::int32_t kTextBufferSize = 1024;

struct ModuleState {
  std::unique_ptr<FunctionCaller> caller;
  std::string pdf_printer_name;
  std::vector<char> name_buffer;
  std::vector<char> value_buffer;
};

ModuleState& State() {
  return PerThread<ModuleState>();
}

std::intptr_t Address(const void* p) {
  return reinterpret_cast<std::intptr_t>(p);
}

// The string plus one NUL, in the ANSI code page, kept in one of the module's buffers. The
// buffer is allocated anew with exactly these bytes, so that a library writing past them writes
// outside the allocation (which AddressSanitizer sees) rather than into spare capacity.
const char* Ansi(std::vector<char>& buffer, const std::string& text) {
  const std::string ansi = Utf8ToAnsi(text);
  std::vector<char> bytes(ansi.size() + 1, '\0');
  std::copy(ansi.begin(), ansi.end(), bytes.begin());
  buffer = std::move(bytes);
  return buffer.data();
}

std::int32_t Call(const char* function, std::initializer_list<std::intptr_t> arguments) {
  FunctionCaller& caller = JobApiCaller();
  caller.FunctionName(function);
  return caller.CallFunction(std::span<const std::intptr_t>(arguments.begin(), arguments.size()));
}

// Calls a function that writes text into a buffer made from text; text then holds what the
// buffer holds up to its first NUL, whatever the result.
std::int32_t CallReturningText(const char* function, std::initializer_list<std::intptr_t> leading,
                               std::string& text, std::int32_t size) {
  const char* buffer = Ansi(State().value_buffer, text);
  std::vector<std::intptr_t> arguments(leading);
  arguments.push_back(Address(buffer));
  arguments.push_back(size);
  FunctionCaller& caller = JobApiCaller();
  caller.FunctionName(function);
  const std::int32_t result = caller.CallFunction(arguments);
  text = AnsiPointerToString(State().value_buffer.data());
  return result;
}

std::int32_t Report(std::int32_t job_handle, std::int32_t result, const char* operation,
                    bool quiet) {
  if (!quiet) CheckResult(job_handle, result, operation);
  return result;
}

std::int32_t Low16(std::int32_t number) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(number & 0xFFFF));
}

}  // namespace

FunctionCaller& JobApiCaller() {
  ModuleState& state = State();
  if (!state.caller) state.caller = std::make_unique<cFuncCall>();
  return *state.caller;
}

void InstallJobApiCaller(std::unique_ptr<FunctionCaller> caller) {
  State() = ModuleState{};
  State().caller = std::move(caller);
}

std::string& PdfPrinterName() {
  return State().pdf_printer_name;
}

std::int32_t OrvanPdfVtJobCreate(std::int32_t& job_handle, std::int32_t value, bool quiet) {
  const std::int32_t result = Call("OrvanPdfVtJobCreate", {Address(&job_handle), value});
  return Report(job_handle, result, "OrvanPdfVtJobCreate", quiet);
}

std::int32_t OrvanPdfVtJobFree(std::int32_t& job_handle, bool quiet) {
  const std::int32_t result = Call("OrvanPdfVtJobFree", {Address(&job_handle)});
  return Report(job_handle, result, "OrvanPdfVtJobFree", quiet);
}

std::int32_t OrvanPdfVtJobSetPropertyVal(std::int32_t job_handle, const std::string& name,
                                         const std::string& value, bool quiet) {
  const char* name_bytes = Ansi(State().name_buffer, name);
  const char* value_bytes = Ansi(State().value_buffer, value);
  const std::int32_t result =
      Call("OrvanPdfVtJobSetPropertyA", {job_handle, Address(name_bytes), Address(value_bytes)});
  return Report(job_handle, result, "OrvanPdfVtJobSetPropertyVal", quiet);
}

std::int32_t OrvanPdfVtJobGetPropertyVal(std::int32_t job_handle, const std::string& name,
                                         std::string& value, std::int32_t buffer_size, bool quiet) {
  const char* name_bytes = Ansi(State().name_buffer, name);
  const std::int32_t result = CallReturningText(
      "OrvanPdfVtJobGetPropertyA", {job_handle, Address(name_bytes)}, value, buffer_size);
  return Report(job_handle, result, "OrvanPdfVtJobGetPropertyVal", quiet);
}

std::int32_t OrvanPdfVtJobInitDevModeProperty(std::int32_t job_handle, std::int32_t mode,
                                              std::int32_t& found, bool quiet) {
  const std::int32_t result =
      Call("OrvanPdfVtJobInitDevModeProperty", {job_handle, mode, Address(&found)});
  return Report(job_handle, result, "OrvanPdfVtJobInitDevModeProperty", quiet);
}

std::int32_t OrvanPdfVtJobShowDevModeProperty(std::int32_t job_handle, std::int32_t& outcome,
                                              bool quiet) {
  const std::int32_t result =
      Call("OrvanPdfVtJobShowDevModeProperty", {job_handle, Address(&outcome)});
  return Report(job_handle, result, "OrvanPdfVtJobShowDevModeProperty", quiet);
}

std::int32_t OrvanPdfVtJobSaveDevModeProperty(std::int32_t job_handle, std::int32_t mode,
                                              bool quiet) {
  const std::int32_t result = Call("OrvanPdfVtJobSaveDevModeProperty", {job_handle, mode});
  return Report(job_handle, result, "OrvanPdfVtJobSaveDevModeProperty", quiet);
}

bool LoadVatnerAPI(const std::string& library_path) {
  FunctionCaller& caller = JobApiCaller();
  caller.LibraryName(library_path);
  if (!caller.LibraryLoaded()) return false;
  std::string& name = PdfPrinterName();
  name = std::string(kPrinterProductName) + '\0' + std::string(1014, ' ');
  return CallReturningText("OrvanPdfVtAPIGetFirstPrinterA", {}, name, kTextBufferSize) != 0;
}

void CheckResult(std::int32_t job_handle, std::int32_t result,
                 const std::string& operation_name) noexcept {
  try {
    if (result != 0) return;
    std::int32_t number = 0;
    if (Call("OrvanPdfVtJobGetError", {job_handle, Address(&number)}) == 0) {
      MsgBox("Fehler konnte nicht ermittelt werden", kStyleCritical, "Fehler in " + operation_name);
      return;
    }
    std::string text(kTextBufferSize, ' ');
    if (CallReturningText("OrvanPdfVtJobGetErrorTextA", {job_handle}, text, kTextBufferSize) == 0) {
      text = "Fehlertext konnte nicht ermittelt werden";
    }
    text = TrimAtNull(text);
    MsgBox("Fehler " + std::to_string(Low16(number)) + ": " + text, kStyleExclamation,
           operation_name);
  } catch (...) {
    // Nothing escapes the report; should even its own box fail, the failure goes unreported.
    try {
      MsgBox("Error " + std::to_string(CurrentError().number()) + " occured in Sub CheckResult().",
             kStyleExclamation);
    } catch (...) {
    }
  }
}

std::int32_t GetJobErrorCode(std::int32_t job_handle) {
  try {
    std::int32_t number = 0;
    if (Call("OrvanPdfVtJobGetError", {job_handle, Address(&number)}) == 0) return 0;
    return Low16(number);
  } catch (...) {
    return 0;
  }
}

std::string AnsiPointerToString(const char* address) {
  return AnsiToUtf8(std::string_view(address, std::strlen(address)));
}

std::string TrimAtNull(const std::string& text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

}  // namespace orvan
