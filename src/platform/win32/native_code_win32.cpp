// Libraries loaded at run time and the pages that generated call code runs from.
#include <cstring>
#include <mutex>
#include <vector>

#include "jobapi/call_code.h"
#include "platform/win32/platform_win32.h"
#include "support/ansi_text.h"

namespace orvan::win32 {
namespace {

// Call code pages kept for the next call instead of made and freed for each: under Wine making and
// freeing them cost most of a call (about 50 microseconds against 1 for the call itself). A call
// made while another runs (a library's nested message loop calling back) takes a page of its own;
// at most a few idle pages are kept, and all of them go when the module unloads.
class CodePagePool {
 public:
  static constexpr std::size_t kPageSize = 4096;
  ~CodePagePool() {
    for (void* page : idle_)
      VirtualFree(page, 0, MEM_RELEASE);
  }
  void* Take() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!idle_.empty()) {
        void* page = idle_.back();
        idle_.pop_back();
        return page;
      }
    }
    return VirtualAlloc(nullptr, kPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  void Give(void* page) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (idle_.size() < kMaxIdle) {
        idle_.push_back(page);
        return;
      }
    }
    VirtualFree(page, 0, MEM_RELEASE);
  }

 private:
  static constexpr std::size_t kMaxIdle = 4;
  std::mutex mutex_;
  std::vector<void*> idle_;
};

CodePagePool& Pool() {
  static CodePagePool pool;  // its pages freed with the module's other statics
  return pool;
}

// Pages for one call's code: one of the pool's when the code fits a page, else reserved for it
// alone; given back or released when it goes out of scope.
class CodePages {
 public:
  explicit CodePages(std::size_t size)
      : size_(size),
        pooled_(size <= CodePagePool::kPageSize),
        base_(pooled_ ? Pool().Take()
                      : VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
    // A page of the pool was left executable by its last call: writable again, and cleared so
    // that nothing of that call remains.
    DWORD old = 0;
    if (base_ != nullptr && pooled_ &&
        !VirtualProtect(base_, CodePagePool::kPageSize, PAGE_READWRITE, &old)) {
      VirtualFree(base_, 0, MEM_RELEASE);
      base_ = nullptr;
    }
    if (base_ != nullptr) std::memset(base_, 0, pooled_ ? CodePagePool::kPageSize : size_);
  }
  ~CodePages() {
    if (base_ == nullptr) return;
    if (pooled_) {
      Pool().Give(base_);
    } else {
      VirtualFree(base_, 0, MEM_RELEASE);
    }
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
  bool pooled_;
  void* base_;
};

// Exceptions that cross the code. What a foreign C library raises are structured exceptions
// (access violations, RaiseException); they pass through the code to whatever handler lies
// beyond, with nothing caught or turned into a result here:
// - i386: handlers are found through the chain of records at fs:[0], which lie on the stack of
//   the frames that installed them; the code leaves the chain alone, so nothing is needed.
// - x64: the dispatcher walks the stack frame by frame by function tables, and a handler beyond
//   unwinds the same way; the table entry registered below describes the code's frame. Without
//   it no handler beyond the code is found.
// C++ exceptions are not part of a C library's interface. On x64 they are structured exceptions
// and pass like any other. On i386 (DWARF unwinding, with the compiler's runtime linked into
// each module) a C++ exception cannot leave the module that throws it at all, generated code or
// not: the thrower's runtime calls terminate.
#if defined(_WIN64)
// The x64 call code's function table entry (the last bytes of its pages, see X64CallCode),
// registered while the code runs and removed before the pages go.
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

namespace {

// A drive-rooted ("C:\...") or UNC ("\\server\...") path, as opposed to a bare file name.
bool IsFullPath(const std::string& name) {
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (name.size() >= 3 && name[1] == ':' && separator(name[2])) return true;
  return name.size() >= 2 && separator(name[0]) && separator(name[1]);
}

}  // namespace

NativeCode::Module Win32NativeCode::Load(const std::string& name) {
  const std::string ansi = Utf8ToAnsi(name);
  if (!IsFullPath(name)) return reinterpret_cast<Module>(LoadLibraryA(ansi.c_str()));
  // A library given by its full path finds its own dependencies beside it and in the system,
  // never in the current directory (often the document's folder).
  HMODULE module = LoadLibraryExA(
      ansi.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
    // A system without those search flags: the library's folder still comes first.
    module = LoadLibraryExA(ansi.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return reinterpret_cast<Module>(module);
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
