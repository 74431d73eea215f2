// Arguments of an automation call as a client passes them: positional values, then (name, value)
// pairs, each in the order given.
#pragma once

#include <utility>
#include <vector>

#include "support/automation.h"

namespace orvan::testing {

inline Args Arguments(std::vector<Value> positional, std::vector<NamedArgument> named) {
  Args args;
  args.positional = std::move(positional);
  args.named = std::move(named);
  return args;
}

inline Args Named(std::vector<NamedArgument> named) {
  return Arguments({}, std::move(named));
}

}  // namespace orvan::testing
