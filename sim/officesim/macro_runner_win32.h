// Macros run inside the simulated host as Office runs a VBA macro: VBScript through the Windows
// script engine, with "Application" bound to the host's application object.
#pragma once

#include <cstdint>
#include <memory>
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

// The VBScript engine of one host session, as the host's VBA project is: "Application" and
// "Sim" (the simulated host's own helper) are its named items, and what one macro declares at
// module level lives on for the next until the engine closes with the host.
class MacroEngine {
 public:
  // Nullptr with the reason in `error` when VBScript cannot be set up.
  static std::unique_ptr<MacroEngine> Create(IDispatch* application, IDispatch* sim,
                                             std::uintptr_t window, MacroError* error);
  MacroEngine(const MacroEngine&) = delete;
  MacroEngine& operator=(const MacroEngine&) = delete;
  // Closes the engine: its variables and the objects they hold are released.
  ~MacroEngine();

  // Runs the VBScript code (UTF-8) to its end, its message boxes owned by the host's window.
  // Nullopt when it ran through; else its first run-time or syntax error, as the script engine
  // reported it to the host.
  std::optional<MacroError> Run(const std::string& code);

 private:
  class Site;
  MacroEngine();
  std::unique_ptr<Site> site_;
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace orvan::sim
