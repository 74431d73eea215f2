// Switching the host's active printer, whichever of the three hosts it is.
#pragma once

#include <cstdint>
#include <string>

#include "support/automation.h"

namespace orvan {

// Makes printer_name (a bare name, or a printer text the host gave before) the host's active
// printer. error_number receives 0, the host's error number (Word, when reading the printer
// failed without a switch) or 5216 when the printer is not active afterwards; true exactly when
// it is 0. In Word a failed reading after a switch raises to the caller; so does a host error
// number that does not fit 16 bits.
bool ChangeActivePrinter(const ObjectRef& application, const std::string& printer_name,
                         std::int16_t& error_number, std::string& error_description);

}  // namespace orvan
