// The run-time error a piece of code raises, for tests that check its number and text.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "support/error.h"

namespace orvan::testing {

inline std::optional<VbError> RaisedBy(const std::function<void()>& code) {
  try {
    code();
  } catch (const VbError& e) {
    return e;
  }
  return std::nullopt;
}

// The number of the error raised, 0 for none.
inline std::int32_t ErrorNumberOf(const std::function<void()>& code) {
  const std::optional<VbError> error = RaisedBy(code);
  return error ? error->number() : 0;
}

// What the code gives, or "error N" for the run-time error it raises.
inline std::string OutcomeOf(const std::function<std::string()>& code) {
  try {
    return code();
  } catch (const VbError& e) {
    return "error " + std::to_string(e.number());
  }
}

}  // namespace orvan::testing
