#include "doubles/fake_platform.h"
#include "shared/registry_backend.h"

namespace orvan::testing {
namespace {

class MemoryBackend final : public RegistryBackend {
 public:
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
