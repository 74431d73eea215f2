#include "support/platform.h"

namespace orvan {
namespace {
thread_local const Platform* t_current = nullptr;
}  // namespace

const Platform& CurrentPlatform() {
  return t_current ? *t_current : DefaultPlatform();
}

ScopedPlatform::ScopedPlatform(const Platform& platform) : previous_(t_current) {
  t_current = &platform;
}

ScopedPlatform::~ScopedPlatform() {
  t_current = previous_;
}

}  // namespace orvan
