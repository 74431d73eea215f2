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

  const std::vector<CapturedMessageBox>& boxes() const { return boxes_; }
  void clear() { boxes_.clear(); }
  // The button a box is answered with; by default its first (OK for an OK-only box).
  void AnswerWith(int command_id) { answer_ = command_id; }

 private:
  friend class MessageBoxHook;
  std::vector<CapturedMessageBox> boxes_;
  int answer_ = 0;
  MessageBoxCapture* previous_;
};

// Installs the thread's hook for the whole test program (a gtest environment does this).
void InstallMessageBoxHook();
void RemoveMessageBoxHook();

}  // namespace orvan::testing
