#include <gtest/gtest.h>

#include "doubles/fake_platform.h"
#include "shared/registry_backend.h"

namespace orvan::testing {
namespace {

// Every behaviour test leaves no key open behind the registry functions.
class MemoryBackend final : public RegistryBackend {
 public:
  ~MemoryBackend() override { EXPECT_EQ(fakes_.registry.OpenHandles(), 0u) << "a key left open"; }
  RegistryApi& api() override { return fakes_.registry; }
  const std::string& root() const override { return root_; }

 private:
  FakePlatform fakes_;
  std::string root_ = "Software\\OrvanpdfVtAddinTests\\case";
};

}  // namespace

std::unique_ptr<RegistryBackend> MakeRegistryBackend() {
  return std::make_unique<MemoryBackend>();
}

}  // namespace orvan::testing
