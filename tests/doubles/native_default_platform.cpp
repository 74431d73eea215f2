// The native core runs only inside tests: its default platform is made of doubles, so that code
// reached without a FakePlatform in place still touches nothing of the test machine's.
#include "doubles/fake_platform.h"

namespace orvan {

const Platform& DefaultPlatform() {
  static thread_local testing::FakePlatform fakes;
  return fakes.platform();
}

}  // namespace orvan
