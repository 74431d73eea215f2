// Entry point of the Windows test programs: every box a test shows is dismissed at once, so that
// a test never hangs on one, and fails the running test.
#include <gtest/gtest.h>

#include <optional>

#include "sim/officesim/message_boxes_win32.h"

namespace {

class MessageBoxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    watcher_.emplace([](const orvan::sim::ShownMessageBox& box) {
      ADD_FAILURE() << "unexpected message box \"" << box.title << "\": \"" << box.text
                    << "\" (style " << box.style << ")";
    });
  }
  void TearDown() override { watcher_.reset(); }

 private:
  std::optional<orvan::sim::MessageBoxWatcher> watcher_;
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
