// The native core runs only inside tests: its default platform is made of doubles, so that code
// reached without a FakePlatform in place still touches nothing of the test machine's.
#include "doubles/fake_platform.h"

namespace orvan {

const Platform& DefaultPlatform() {
  static thread_local testing::FakeEnvironment environment;
  static thread_local testing::FixedClock clock;
  static thread_local testing::MemoryTextFiles files;
  static thread_local testing::MemoryRegistry registry;
  static thread_local testing::FakeModules modules;
  static thread_local testing::CountingPump pump;
  static thread_local testing::RecordingUi ui;
  static thread_local testing::FakeNativeCode native_code;
  static thread_local testing::FakeStrings strings;
  static thread_local testing::FakeGraphics graphics;
  static thread_local testing::FakeClipboard clipboard;
  static thread_local const Platform platform{&environment, &clock,       &files,
                                              &registry,    &modules,     &pump,
                                              &ui,          &native_code, &strings,
                                              nullptr,      &graphics,    &clipboard};
  return platform;
}

}  // namespace orvan
