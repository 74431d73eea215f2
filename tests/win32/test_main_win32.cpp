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

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new MessageBoxEnvironment);
  return RUN_ALL_TESTS();
}
