// The run-time error a piece of code raises, for tests that check its number and text.
#pragma once

#include <functional>
#include <optional>

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

}  // namespace orvan::testing
