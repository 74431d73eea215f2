// Macros run inside the simulated host as Office runs a VBA macro: VBScript through the Windows
// script engine, with "Application" bound to the host's application object.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/win32.h"

namespace orvan::sim {

struct MacroError {
  std::int32_t number = 0;
  std::string description;
  std::string source;
  int line = 0;      // 1-based; 0 when the engine gave none
  std::string text;  // the line's source text, when the engine gave it
};

// Runs the VBScript code (UTF-8) to its end, its message boxes owned by the host's window.
// Nullopt when it ran through; else its first run-time or syntax error, as the script engine
// reported it to the host.
std::optional<MacroError> RunMacro(const std::string& code, IDispatch* application,
                                   std::uintptr_t window);

}  // namespace orvan::sim
