// The shared registry tests against the real registry, each in a key of its own.
#include "platform/win32/platform_win32.h"
#include "shared/registry_backend.h"

namespace orvan::testing {
namespace {

class RealRegistryBackend final : public RegistryBackend {
 public:
  RealRegistryBackend()
      : root_("Software\\OrvanpdfVtAddinTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++counter_)) {
    RegDeleteTreeA(HKEY_CURRENT_USER, root_.c_str());
  }
  ~RealRegistryBackend() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, root_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, root_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\OrvanpdfVtAddinTests");  // when empty
  }
  RegistryApi& api() override { return registry_; }
  const std::string& root() const override { return root_; }

 private:
  static inline std::atomic<int> counter_{0};
  win32::Win32Registry registry_;
  std::string root_;
};

}  // namespace

std::unique_ptr<RegistryBackend> MakeRegistryBackend() {
  return std::make_unique<RealRegistryBackend>();
}

}  // namespace orvan::testing
