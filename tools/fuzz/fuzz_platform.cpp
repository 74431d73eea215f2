// The fuzz harnesses' default platform: an empty environment (so no trace is written) and no
// other services, which the code under test does not reach.
#include <string>

#include "support/platform.h"

namespace orvan {
namespace {

class EmptyEnvironment final : public Environment {
 public:
  std::string Get(const std::string&) const override { return {}; }
};

}  // namespace

const Platform& DefaultPlatform() {
  static EmptyEnvironment environment;
  static const Platform platform{&environment};
  return platform;
}

}  // namespace orvan
