#include "printjob/active_printer.h"

#include <limits>
#include <optional>

#include "jobapi/vatner_api.h"
#include "printjob/mod_printer.h"
#include "support/trace.h"
#include "support/utf8.h"

namespace orvan {
namespace {

using utf8::TextContains;
using utf8::TextEquals;

constexpr std::int16_t kPrinterNotActive = 5216;
constexpr const char* kPortJoiners[] = {" on ", " auf "};

std::string ActivePrinterOf(const ObjectRef& object) {
  return ToText(Get(object, "ActivePrinter"));
}

// Word: the printer set-up dialog switches without making the printer the system default.
std::string SwitchWord(const ObjectRef& app, const std::string& printer_name,
                       std::optional<VbError>& handed_on) {
  ErrorsIgnored resume;
  bool differs = true;  // also when the printer cannot be read
  resume.Step([&] { differs = !TextEquals(ActivePrinterOf(app), printer_name); });
  if (!differs) {
    std::string current;
    resume.Clear();
    if (!resume.Step([&] { current = ActivePrinterOf(app); })) handed_on = resume.LastError();
    return current;
  }
  ObjectRef dialog;
  resume.Step([&] { dialog = AsObject(GetItem(app, "Dialogs", 97)); });
  resume.Step([&] { Put(dialog, "Printer", printer_name); });
  resume.Step([&] { Put(dialog, "DoNotSetAsSysDefault", true); });
  resume.Step([&] { Call(dialog, "Execute"); });
  // After a switch a failed reading is a run-time error of the caller's.
  return ActivePrinterOf(app);
}

// Excel: the PDF printer needs its port, joined as the installation words it; a former printer's
// text is handed back unchanged.
std::string SwitchExcel(const ObjectRef& app, const std::string& printer_name) {
  ErrorsIgnored resume;
  bool differs = true;
  resume.Step([&] { differs = !TextEquals(ActivePrinterOf(app), printer_name); });
  if (differs) {
    if (printer_name != PdfPrinterName()) {
      resume.Step([&] { Put(app, "ActivePrinter", printer_name); });
    } else {
      for (const char* joiner : kPortJoiners) {
        const std::string port = GetPrinterInfo(printer_name).PortName;  // read afresh each try
        resume.Step([&] { Put(app, "ActivePrinter", printer_name + joiner + port); });
        bool active = false;
        resume.Step([&] { active = TextContains(ActivePrinterOf(app), printer_name); });
        if (active) break;
      }
    }
  }
  std::string current;
  resume.Step([&] { current = ActivePrinterOf(app); });
  return current;
}

std::string SwitchPowerPoint(const ObjectRef& app, const std::string& printer_name) {
  ErrorsIgnored resume;
  ObjectRef options;
  resume.Step(
      [&] { options = ObjectMember(ObjectMember(app, "ActivePresentation"), "PrintOptions"); });
  bool differs = true;
  resume.Step([&] { differs = !TextEquals(ActivePrinterOf(options), printer_name); });
  if (differs) resume.Step([&] { Put(options, "ActivePrinter", printer_name); });
  std::string current;
  resume.Step([&] { current = ActivePrinterOf(options); });
  return current;
}

}  // namespace

bool ChangeActivePrinter(const ObjectRef& application, const std::string& printer_name,
                         std::int16_t& error_number, std::string& error_description) {
  WriteTrace("Umstellen auf: " + printer_name);
  std::optional<VbError> handed_on;
  std::string current;
  switch (KindOf(application)) {
    case AppKind::kWord:
      current = SwitchWord(application, printer_name, handed_on);
      break;
    case AppKind::kExcel:
      current = SwitchExcel(application, printer_name);
      break;
    case AppKind::kPowerPoint:
      current = SwitchPowerPoint(application, printer_name);
      break;
    case AppKind::kOther:
      break;
  }
  error_number = 0;
  error_description.clear();
  if (handed_on) {
    // The number goes into a 16-bit variable; one that does not fit is raised as it is, so that
    // the caller's handler shows it whole.
    if (handed_on->number() < std::numeric_limits<std::int16_t>::min() ||
        handed_on->number() > std::numeric_limits<std::int16_t>::max()) {
      throw *handed_on;
    }
    error_number = static_cast<std::int16_t>(handed_on->number());
    error_description = handed_on->description();
  }
  WriteTrace("Suche " + printer_name + " in " + current);
  if (!TextContains(current, printer_name) && error_number == 0) error_number = kPrinterNotActive;
  return error_number == 0;
}

}  // namespace orvan
