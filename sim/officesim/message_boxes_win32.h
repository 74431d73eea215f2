// Message boxes of the host's thread seen and answered at once, as a user who always presses the
// first button: the simulated host writes each to its transcript, and no run ever waits on one.
#pragma once

#include <functional>
#include <string>

namespace orvan::sim {

struct ShownMessageBox {
  std::string title;
  std::string text;
  // The box's style as the caller passed it, read back from what the box shows: its icon
  // (16 stop, 32 question, 48 exclamation, 64 information) plus its button set (0 OK only).
  unsigned style = 0;
};

// Hooks the calling thread's windows (WH_CBT): every dialog box of class "#32770" is described
// to `seen` as it activates and then closed with its first button. Destroying the watcher
// removes the hook. One watcher per thread.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(std::function<void(const ShownMessageBox&)> seen);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
};

}  // namespace orvan::sim
