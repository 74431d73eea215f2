#include "hosts/document_checks.h"

#include "support/message_box.h"
#include "support/trace.h"

namespace orvan {
namespace {

bool IsEmptyCollection(const ObjectRef& application, const char* collection) {
  return ToLong(Get(ObjectMember(application, collection), "Count")) == 0;
}

}  // namespace

bool IsDocumentOpen(const ObjectRef& application) {
  try {
    switch (KindOf(application)) {
      case AppKind::kWord:
        if (IsEmptyCollection(application, "Documents")) {
          MsgBox("Sie müssen zuerst ein Dokument öffnen", kStyleInformation);
          return false;
        }
        break;
      case AppKind::kPowerPoint:
        if (IsEmptyCollection(application, "Presentations")) {
          MsgBox("Sie müssen zuerst eine Präsentation öffnen", kStyleInformation);
          return false;
        }
        break;
      case AppKind::kExcel:
        if (IsEmptyCollection(application, "Workbooks")) {
          MsgBox("Sie müssen zuerst eine Arbeitsmappe öffnen", kStyleInformation);
          return false;
        }
        break;
      case AppKind::kOther:
        break;
    }
    return true;
  } catch (const VbError&) {
    return false;
  }
}

bool CheckIfDocumentIsAvailable(const ObjectRef& app_instance) {
  try {
    const ObjectRef documents = ObjectMember(app_instance, "Documents");
    const Value count = Get(documents, "Count");
    WriteTrace("Anzahl Dokumente: " + ToText(count));
    if (ToLong(count) == 0) return true;
    const std::int16_t n = ToInteger(count);
    for (std::int16_t i = 1; i <= n; ++i) {
      WriteTrace("Dokument-Index: " + std::to_string(i));
      const Value document = GetItem(app_instance, "Documents", i);
      if (document.type() == Value::Type::kObject && !document.IsNothing()) {
        WriteTrace("CheckIfDocumentIsAvailable = true");
        return true;
      }
    }
  } catch (const VbError&) {
    // The collection cannot be used.
  }
  WriteTrace("CheckIfDocumentIsAvailable = false");
  return false;
}

}  // namespace orvan
