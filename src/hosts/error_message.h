// The message box for a run-time error that a command caught.
#pragma once

#include <string>

#include "support/error.h"

namespace orvan {

// Shows number, description and source of the error, and where it was caught.
void ShowErrorMessage(const VbError& error, const std::string& where, const std::string& extra);

}  // namespace orvan
