// Entry point of the Windows test programs: every box a test shows is captured and dismissed.
#include <gtest/gtest.h>

#include "win32/message_box_capture_win32.h"

namespace {

class MessageBoxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { orvan::testing::InstallMessageBoxHook(); }
  void TearDown() override { orvan::testing::RemoveMessageBoxHook(); }
};

}  // namespace

#ifdef ORVAN_TEST_CHILD_MODES
namespace orvan::testing {
// A child process that a test starts with this program and an argument of its own.
bool ExitWhileConnectedRequested(int argc, char** argv);
}  // namespace orvan::testing
#endif

int main(int argc, char** argv) {
#ifdef ORVAN_TEST_CHILD_MODES
  if (orvan::testing::ExitWhileConnectedRequested(argc, argv)) return 0;
#endif
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new MessageBoxEnvironment);
  return RUN_ALL_TESTS();
}
