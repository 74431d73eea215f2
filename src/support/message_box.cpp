#include "support/message_box.h"

#include "support/platform.h"

namespace orvan {

void MsgBox(const std::string& text, unsigned style, const std::string& title) {
  CurrentPlatform().ui->ShowMessage(text, title, style);
}

}  // namespace orvan
