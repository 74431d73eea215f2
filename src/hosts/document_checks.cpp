#include "hosts/document_checks.h"

#include "support/message_box.h"
#include "support/trace.h"

namespace orvan {
namespace {

// Per host, in the order the kinds are tested: its collection and the message for none open.
struct OpenCheck {
  AppKind kind;
  const char* collection;
  const char* message;
};

constexpr OpenCheck kOpenChecks[] = {
    {AppKind::kWord, "Documents", "Sie müssen zuerst ein Dokument öffnen"},
    {AppKind::kPowerPoint, "Presentations", "Sie müssen zuerst eine Präsentation öffnen"},
    {AppKind::kExcel, "Workbooks", "Sie müssen zuerst eine Arbeitsmappe öffnen"},
};

}  // namespace

bool IsDocumentOpen(const ObjectRef& application) {
  try {
    const AppKind kind = KindOf(application);
    for (const OpenCheck& check : kOpenChecks) {
      if (check.kind != kind) continue;
      if (ToLong(Get(ObjectMember(application, check.collection), "Count")) == 0) {
        MsgBox(check.message, kStyleInformation);
        return false;
      }
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
    // The index is an Integer; counted in 32 bits, a count of 32767 ends instead of wrapping.
    for (std::int32_t i = 1; i <= n; ++i) {
      WriteTrace("Dokument-Index: " + std::to_string(i));
      const Value document = GetItem(app_instance, "Documents", static_cast<std::int16_t>(i));
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
