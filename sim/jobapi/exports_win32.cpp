// The stand-in job API library's exports. Each call reads the state from the file named by
// ORVAN_JOBAPI_STATE, runs, writes the state back and appends its log line to the log file beside
// it, so that a test and the process using the library see the same printer, jobs and calls.
// Without the variable the state lives in memory; with ORVAN_JOBAPI_IN_MEMORY too, after a first
// read of the file.
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <mutex>

#include "platform/win32/win32.h"
#include "sim/jobapi/job_api_logic.h"
#include "support/trace.h"

#define JOBAPI extern "C" std::int32_t __stdcall

namespace {

std::int32_t Run(const char* name, std::initializer_list<std::intptr_t> arguments) {
  using namespace orvan::sim;
  static std::mutex mutex;
  static JobApiState memory_state;
  const std::lock_guard<std::mutex> lock(mutex);
  const std::span<const std::intptr_t> args(arguments.begin(), arguments.size());
  static bool memory_loaded = false;
  const char* path = std::getenv(kStateFileVariable);
  const char* in_memory = std::getenv(kInMemoryVariable);
  const bool from_file = path != nullptr && *path != '\0';
  if (!from_file || (in_memory != nullptr && *in_memory != '\0')) {
    if (from_file && !memory_loaded) memory_state = ReadStateFile(path);
    memory_loaded = true;
    memory_state.log.clear();  // nobody reads it
    return CallExport(memory_state, name, args);
  }
  JobApiState state = ReadStateFile(path);
  const std::int32_t result = CallExport(state, name, args);
  WriteStateFile(path, state);
  // Where the caller's trace stood at this call, so that a reader can place the call among it.
  std::int64_t trace_size = -1;
  if (const char* trace = std::getenv(orvan::kTraceVariable); trace != nullptr && *trace) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    trace_size =
        GetFileAttributesExA(trace, GetFileExInfoStandard, &data)
            ? static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                        data.nFileSizeLow)
            : 0;
  }
  AppendLogFile(path, state.log, trace_size);
  return result;
}

std::intptr_t A(const void* p) {
  return reinterpret_cast<std::intptr_t>(p);
}

}  // namespace

JOBAPI OrvanPdfVtJobCreate(std::int32_t* handle, std::int32_t value) {
  return Run("OrvanPdfVtJobCreate", {A(handle), value});
}
JOBAPI OrvanPdfVtJobFree(std::int32_t* handle) {
  return Run("OrvanPdfVtJobFree", {A(handle)});
}
JOBAPI OrvanPdfVtJobSetPropertyA(std::int32_t job, const char* name, const char* value) {
  return Run("OrvanPdfVtJobSetPropertyA", {job, A(name), A(value)});
}
JOBAPI OrvanPdfVtJobGetPropertyA(std::int32_t job, const char* name, char* buffer,
                                 std::int32_t size) {
  return Run("OrvanPdfVtJobGetPropertyA", {job, A(name), A(buffer), size});
}
JOBAPI OrvanPdfVtJobGetError(std::int32_t job, std::int32_t* number) {
  return Run("OrvanPdfVtJobGetError", {job, A(number)});
}
JOBAPI OrvanPdfVtJobGetErrorTextA(std::int32_t job, char* buffer, std::int32_t size) {
  return Run("OrvanPdfVtJobGetErrorTextA", {job, A(buffer), size});
}
JOBAPI OrvanPdfVtJobInitDevModeProperty(std::int32_t job, std::int32_t mode, std::int32_t* found) {
  return Run("OrvanPdfVtJobInitDevModeProperty", {job, mode, A(found)});
}
JOBAPI OrvanPdfVtJobShowDevModeProperty(std::int32_t job, std::int32_t* outcome) {
  return Run("OrvanPdfVtJobShowDevModeProperty", {job, A(outcome)});
}
JOBAPI OrvanPdfVtJobSaveDevModeProperty(std::int32_t job, std::int32_t mode) {
  return Run("OrvanPdfVtJobSaveDevModeProperty", {job, mode});
}
JOBAPI OrvanPdfVtAPIGetFirstPrinterA(char* buffer, std::int32_t size) {
  return Run("OrvanPdfVtAPIGetFirstPrinterA", {A(buffer), size});
}
