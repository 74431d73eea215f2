// Calls functions of a library loaded at run time, by the library's and the function's names,
// with integer arguments, returning the function's 32-bit result.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orvan {

// What the job API wrappers need of a caller: load a library, resolve one function, call it.
class FunctionCaller {
 public:
  virtual ~FunctionCaller() = default;
  // Frees the library held before (also for the same name or a failing load), then loads name.
  virtual void LibraryName(const std::string& name) = 0;
  virtual bool LibraryLoaded() const = 0;
  // Resolves the function for the next call; a missing one is reported in a message box.
  virtual void FunctionName(const std::string& name) = 0;
  // 1 selects cdecl, any other value stdcall (32-bit code only; x64 has one convention).
  virtual void CallType(std::int32_t value) = 0;
  // Calls the resolved function once; 0 without calling when none is resolved.
  virtual std::int32_t CallFunction(std::span<const std::intptr_t> arguments) = 0;
};

// The message box that tells the user a library function is missing (any caller shows it).
void ReportMissingFunction(const std::string& name);

// The caller over the platform's native code: it writes call code for each call and runs it
// through CallWindowProcA.
class cFuncCall final : public FunctionCaller {
 public:
  enum class Architecture { kX86, kX64 };
  static constexpr Architecture kNativeArchitecture =
      sizeof(void*) == 4 ? Architecture::kX86 : Architecture::kX64;

  explicit cFuncCall(Architecture architecture = kNativeArchitecture);
  ~cFuncCall() override;
  cFuncCall(const cFuncCall&) = delete;
  cFuncCall& operator=(const cFuncCall&) = delete;

  void LibraryName(const std::string& name) override;
  bool LibraryLoaded() const override { return library_handle_ != 0; }
  void FunctionName(const std::string& name) override;
  void CallType(std::int32_t value) override { call_type_value_ = value; }
  std::int32_t CallFunction(std::span<const std::intptr_t> arguments) override;

 private:
  Architecture architecture_;
  std::uintptr_t library_handle_ = 0;
  std::uintptr_t function_address_ = 0;
  std::int32_t call_type_value_ = 0;
};

}  // namespace orvan
