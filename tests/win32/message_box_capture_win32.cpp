#include "win32/message_box_capture_win32.h"

#include <gtest/gtest.h>

#include <optional>

namespace orvan::testing {
namespace {

std::optional<sim::MessageBoxWatcher> watcher;
thread_local MessageBoxCapture* current = nullptr;

void Seen(const CapturedMessageBox& box) {
  if (current != nullptr) {
    current->Record(box);
  } else {
    ADD_FAILURE() << "unexpected message box \"" << box.title << "\": \"" << box.text
                  << "\" (style " << box.style << ")";
  }
}

}  // namespace

MessageBoxCapture::MessageBoxCapture() : previous_(current) {
  current = this;
}

MessageBoxCapture::~MessageBoxCapture() {
  current = previous_;
}

void InstallMessageBoxHook() {
  if (!watcher) watcher.emplace(Seen);
}

void RemoveMessageBoxHook() {
  watcher.reset();
}

}  // namespace orvan::testing
