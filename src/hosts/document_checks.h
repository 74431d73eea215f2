// Whether the host has a document, workbook or presentation the commands can work on.
#pragma once

#include "support/automation.h"

namespace orvan {

// True when a document can be worked on; tells the user when the host has none open. A host
// that refuses to answer gives False without a message.
bool IsDocumentOpen(const ObjectRef& application);

// Word, once started: true unless its document collection cannot be used at all.
bool CheckIfDocumentIsAvailable(const ObjectRef& app_instance);

}  // namespace orvan
