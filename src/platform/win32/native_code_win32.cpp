// Libraries loaded at run time and the pages that generated call code runs from.
#include "jobapi/call_code.h"
#include "platform/win32/platform_win32.h"
#include "support/ansi_text.h"

namespace orvan::win32 {
namespace {

// Pages reserved for one call's code, released when it goes out of scope.
class CodePages {
 public:
  explicit CodePages(std::size_t size)
      : size_(size), base_(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~CodePages() {
    if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
  }
  CodePages(const CodePages&) = delete;
  CodePages& operator=(const CodePages&) = delete;

  bool valid() const { return base_ != nullptr; }
  std::span<std::uint8_t> bytes() { return {static_cast<std::uint8_t*>(base_), size_}; }
  std::uintptr_t address() const { return reinterpret_cast<std::uintptr_t>(base_); }
  // Written code becomes executable and read-only before it runs.
  bool MakeExecutable() {
    DWORD old = 0;
    if (!VirtualProtect(base_, size_, PAGE_EXECUTE_READ, &old)) return false;
    return FlushInstructionCache(GetCurrentProcess(), base_, size_) != 0;
  }

 private:
  std::size_t size_;
  void* base_;
};

#if defined(_WIN64)
// The x64 call code's function table entry (the last bytes of its pages, see X64CallCode),
// registered while the code runs so that an exception raised in the called function can be
// unwound through the code's frame, and removed before the pages go. (32-bit Windows finds its
// handlers through the chain at fs:[0], which the 32-bit code leaves alone.)
class FunctionTable {
 public:
  explicit FunctionTable(CodePages& pages) {
    const std::span<std::uint8_t> bytes = pages.bytes();
    if (bytes.size() < X64CallCode::kFunctionEntrySize) return;
    auto* entry = reinterpret_cast<RUNTIME_FUNCTION*>(bytes.data() + bytes.size() -
                                                      X64CallCode::kFunctionEntrySize);
    if (RtlAddFunctionTable(entry, 1, pages.address())) entry_ = entry;
  }
  ~FunctionTable() {
    if (entry_ != nullptr) RtlDeleteFunctionTable(entry_);
  }
  FunctionTable(const FunctionTable&) = delete;
  FunctionTable& operator=(const FunctionTable&) = delete;

  bool valid() const { return entry_ != nullptr; }

 private:
  RUNTIME_FUNCTION* entry_ = nullptr;
};
#endif

}  // namespace

NativeCode::Module Win32NativeCode::Load(const std::string& name) {
  return reinterpret_cast<Module>(LoadLibraryA(Utf8ToAnsi(name).c_str()));
}

void Win32NativeCode::Free(Module module) {
  FreeLibrary(reinterpret_cast<HMODULE>(module));
}

std::uintptr_t Win32NativeCode::Resolve(Module module, const std::string& function) {
  return reinterpret_cast<std::uintptr_t>(
      GetProcAddress(reinterpret_cast<HMODULE>(module), Utf8ToAnsi(function).c_str()));
}

std::int32_t Win32NativeCode::RunCode(std::size_t size, const CodeWriter& write) {
  CodePages pages(size);
  if (!pages.valid()) return 0;
  const std::uintptr_t start = write(pages.bytes(), pages.address());
  if (!pages.MakeExecutable()) return 0;
#if defined(_WIN64)
  const FunctionTable unwind(pages);
  if (!unwind.valid()) return 0;
#endif
  const auto procedure = reinterpret_cast<WNDPROC>(start);
  return static_cast<std::int32_t>(CallWindowProcA(procedure, nullptr, 0, 0, 0));
}

}  // namespace orvan::win32
