// The registry a shared behaviour test runs against: the in-memory double natively, the real
// registry under Windows (Wine). Each backend gives the test a key of its own below
// HKEY_CURRENT_USER and removes it afterwards.
#pragma once

#include <memory>
#include <string>

#include "support/registry_api.h"

namespace orvan::testing {

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  virtual RegistryApi& api() = 0;
  // Path of the test's own key below HKEY_CURRENT_USER, without a trailing "\".
  virtual const std::string& root() const = 0;
};

// Defined once per build; puts its platform in place for the calling thread while it lives.
std::unique_ptr<RegistryBackend> MakeRegistryBackend();

}  // namespace orvan::testing
