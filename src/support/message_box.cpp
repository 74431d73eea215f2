#include "support/message_box.h"

#include "support/platform.h"

namespace orvan {

namespace {
thread_local std::uintptr_t main_window = 0;
}  // namespace

void MsgBox(const std::string& text, unsigned style, const std::string& title) {
  CurrentPlatform().ui->ShowMessage(text, title, style, main_window);
}

void SetMessageBoxOwner(std::uintptr_t window) {
  main_window = window;
}

}  // namespace orvan
