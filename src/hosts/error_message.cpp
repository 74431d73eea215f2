#include "hosts/error_message.h"

#include "support/message_box.h"

namespace orvan {

void ShowErrorMessage(const VbError& error, const std::string& where, const std::string& extra) {
  const std::string crlf = "\r\n";
  MsgBox("Es ist ein Fehler aufgetreten." + crlf + "Fehler:" + std::to_string(error.number()) +
             crlf + error.description() + crlf + error.source() + " (" + where + ", " + extra + ")",
         kStyleExclamation, kAddinTitle);
}

}  // namespace orvan
