// The PDF printer's job API, loaded at run time: one wrapper per function, ANSI string passing,
// and the error messages of failed calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "jobapi/func_call.h"

namespace orvan {

inline constexpr const char* kPrinterProductName = "Orvan pdf vatner";
// Every function of the library the wrappers below call.
inline constexpr const char* kJobApiFunctions[] = {"OrvanPdfVtJobCreate",
                                                   "OrvanPdfVtJobFree",
                                                   "OrvanPdfVtJobSetPropertyA",
                                                   "OrvanPdfVtJobGetPropertyA",
                                                   "OrvanPdfVtJobGetError",
                                                   "OrvanPdfVtJobGetErrorTextA",
                                                   "OrvanPdfVtJobInitDevModeProperty",
                                                   "OrvanPdfVtJobShowDevModeProperty",
                                                   "OrvanPdfVtJobSaveDevModeProperty",
                                                   "OrvanPdfVtAPIGetFirstPrinterA"};
// A job's error number when its printer is not installed.
inline constexpr std::int32_t kPrinterNotFound = 512;
// The library's file, beside the add-in's DLL.
inline constexpr const char* kJobApiFileName = "OrvanpdfVtAPI.dll";

// This thread's caller of job API functions, created (as a cFuncCall) on first use.
FunctionCaller& JobApiCaller();
// Puts another caller in place for this thread and forgets the printer name; for hosts of the
// portable core that bring their own library binding (tests, the simulated host).
void InstallJobApiCaller(std::unique_ptr<FunctionCaller> caller);
// The PDF printer's name as the job API reported it at start-up; empty before.
std::string& PdfPrinterName();

// Each wrapper returns the export's result (1 success, 0 failure); unless quiet, a failure is
// reported through CheckResult under the operation's name.
std::int32_t OrvanPdfVtJobCreate(std::int32_t& job_handle, std::int32_t value, bool quiet);
std::int32_t OrvanPdfVtJobFree(std::int32_t& job_handle, bool quiet);
std::int32_t OrvanPdfVtJobSetPropertyVal(std::int32_t job_handle, const std::string& name,
                                         const std::string& value, bool quiet);
// value: in, the room offered (usually blanks); out, the text the buffer holds afterwards.
std::int32_t OrvanPdfVtJobGetPropertyVal(std::int32_t job_handle, const std::string& name,
                                         std::string& value, std::int32_t buffer_size, bool quiet);
std::int32_t OrvanPdfVtJobInitDevModeProperty(std::int32_t job_handle, std::int32_t mode,
                                              std::int32_t& found, bool quiet);
std::int32_t OrvanPdfVtJobShowDevModeProperty(std::int32_t job_handle, std::int32_t& outcome,
                                              bool quiet);
std::int32_t OrvanPdfVtJobSaveDevModeProperty(std::int32_t job_handle, std::int32_t mode,
                                              bool quiet);

// Loads the library and reads the PDF printer's name into PdfPrinterName. True when both work.
bool LoadVatnerAPI(const std::string& library_path);

// Shows the job's error for a result of 0; nothing for any other result. Run-time errors on the
// way are shown as such and never reach the caller.
void CheckResult(std::int32_t job_handle, std::int32_t result,
                 const std::string& operation_name) noexcept;

// The job's last error number (its low 16 bits, sign-extended), or 0. Shows nothing.
std::int32_t GetJobErrorCode(std::int32_t job_handle);

// The NUL-terminated ANSI text at address, converted.
std::string AnsiPointerToString(const char* address);

// The characters before the first NUL.
std::string TrimAtNull(const std::string& text);

}  // namespace orvan
