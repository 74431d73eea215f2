// Captures every message box the thread shows and dismisses it at once, so that a Windows test
// never hangs on one. A test that expects boxes opens a MessageBoxCapture and reads what was
// shown; a box that appears while no capture is open fails the running test.
#pragma once

#include <string>
#include <vector>

namespace orvan::testing {

struct CapturedMessageBox {
  std::string title;
  std::string text;
  // The box's style as the caller passed it, read back from what the box shows: its icon
  // (16 stop, 32 question, 48 exclamation, 64 information) plus its button set (0 OK only).
  unsigned style = 0;
};

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
