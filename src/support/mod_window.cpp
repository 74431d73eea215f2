#include "support/mod_window.h"

#include "support/ansi_text.h"
#include "support/error.h"
#include "support/platform.h"
#include "support/utf8.h"

namespace orvan {
namespace {

constexpr std::uint32_t kPathBufferChars = 255;

// Reads a module's file name the way a blank-filled fixed buffer yields it: trailing blanks
// removed, then the last character (the terminating zero) cut off.
std::string ReadModuleFileName(ModuleApi::Handle module) {
  std::string buffer(kPathBufferChars, ' ');
  CurrentPlatform().modules->ModuleFileName(module, buffer.data(), kPathBufferChars);
  const std::size_t end = buffer.find_last_not_of(' ');
  if (end == std::string::npos) throw VbError::Runtime(vberr::kInvalidProcedureCall);
  buffer.resize(end);  // drops the terminating zero with the blanks
  return AnsiToUtf8(buffer);
}

}  // namespace

std::string GetHostModuleName(bool full_path) noexcept {
  try {
    const std::string path = ReadModuleFileName(0);
    if (full_path) return path;
    const std::size_t slash = path.rfind('\\');
    return utf8::UpperCase(slash == std::string::npos ? path : path.substr(slash + 1));
  } catch (...) {
    return {};
  }
}

std::string GetAddinFolder() {
  const ModuleApi::Handle addin = CurrentPlatform().modules->ModuleHandle(kAddinModuleName);
  const std::string path = ReadModuleFileName(addin);
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace orvan
