// Captures every message box the thread shows and dismisses it at once, so that a Windows test
// never hangs on one. A test that expects boxes opens a MessageBoxCapture and reads what was
// shown; a box that appears while no capture is open fails the running test.
#pragma once

#include <string>
#include <vector>

#include "sim/officesim/message_boxes_win32.h"

namespace orvan::testing {

using CapturedMessageBox = sim::ShownMessageBox;

class MessageBoxCapture {
 public:
  MessageBoxCapture();
  ~MessageBoxCapture();
  MessageBoxCapture(const MessageBoxCapture&) = delete;
  MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

  // The boxes shown, each answered with its first button (OK for an OK-only box).
  const std::vector<CapturedMessageBox>& boxes() const { return boxes_; }
  // Where the thread's hook delivers a box.
  void Record(const CapturedMessageBox& box) { boxes_.push_back(box); }

 private:
  std::vector<CapturedMessageBox> boxes_;
  MessageBoxCapture* previous_;
};

// Installs the thread's hook for the whole test program (a gtest environment does this).
void InstallMessageBoxHook();
void RemoveMessageBoxHook();

}  // namespace orvan::testing
