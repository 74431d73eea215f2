#include "jobapi/func_call.h"

#include <algorithm>
#include <vector>

#include "jobapi/call_code.h"
#include "support/message_box.h"
#include "support/platform.h"
#include "support/profile.h"
#include "support/trace.h"

namespace orvan {
namespace {

NativeCode& Native() {
  return *CurrentPlatform().native_code;
}

}  // namespace

void ReportMissingFunction(const std::string& name) {
  MsgBox("Function " + name + " nicht gefunden!", kStyleCritical, kAddinTitle);
}

cFuncCall::cFuncCall(Architecture architecture) : architecture_(architecture) {}

cFuncCall::~cFuncCall() {
  if (library_handle_ != 0) Native().Free(library_handle_);
}

void cFuncCall::LibraryName(const std::string& name) {
  const profile::Spend spend(profile::Where::kJobApi);
  if (library_handle_ != 0) Native().Free(library_handle_);
  library_handle_ = Native().Load(name);
  if (library_handle_ == 0) WriteTrace("Can not find library :" + name);
}

void cFuncCall::FunctionName(const std::string& name) {
  const profile::Spend spend(profile::Where::kJobApi);
  function_address_ = Native().Resolve(library_handle_, name);
  if (function_address_ == 0) ReportMissingFunction(name);
}

std::int32_t cFuncCall::CallFunction(std::span<const std::intptr_t> arguments) {
  if (function_address_ == 0) return 0;
  const profile::Spend spend(profile::Where::kJobApi);
  const std::uintptr_t target = function_address_;
  std::int32_t result = 0;
  if (architecture_ == Architecture::kX86) {
    std::vector<std::int32_t> values(arguments.size());
    std::transform(arguments.begin(), arguments.end(), values.begin(),
                   [](std::intptr_t a) { return static_cast<std::int32_t>(a); });
    X86CallCode code(std::move(values), call_type_value_);
    result = Native().RunCode(
        X86CallCode::BufferSize(arguments.size()),
        [&code, target](std::span<std::uint8_t> bytes, std::uintptr_t address) {
          const std::uint32_t start = code.BuildCallCode(static_cast<std::uint32_t>(address),
                                                         static_cast<std::uint32_t>(target));
          std::copy(code.CodeBuffer().begin(), code.CodeBuffer().end(), bytes.begin());
          return static_cast<std::uintptr_t>(start);
        });
  } else {
    std::vector<std::int64_t> values(arguments.begin(), arguments.end());
    const std::vector<std::uint8_t> code = X64CallCode::Build(values, target);
    result = Native().RunCode(code.size(),
                              [&code](std::span<std::uint8_t> bytes, std::uintptr_t address) {
                                std::copy(code.begin(), code.end(), bytes.begin());
                                return address;  // pages start at a multiple of 16
                              });
  }
  // A resolved function serves one call: the next one resolves it again.
  function_address_ = 0;
  return result;
}

}  // namespace orvan
