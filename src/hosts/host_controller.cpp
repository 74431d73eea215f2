#include "hosts/host_controller.h"

#include <optional>

#include "commandbars/menu.h"
#include "commandbars/toolbar.h"
#include "hosts/document_checks.h"
#include "hosts/error_message.h"
#include "jobapi/vatner_api.h"
#include "printjob/active_printer.h"
#include "printjob/print_job.h"
#include "support/message_box.h"
#include "support/mod_window.h"
#include "support/platform.h"
#include "support/profile.h"
#include "support/registry_functions.h"
#include "support/utf8.h"

namespace orvan {
namespace {

// By AppKind::kWord, kExcel, kPowerPoint.
constexpr HostTraits kHosts[] = {
    {AppKind::kWord,
     "WordDesigner",
     {"opusapp", nullptr},
     "Menu Bar",
     "ActiveDocument",
     "Word: BtnEvents_Click",
     false,
     false,
     true,
     false,
     false},
    {AppKind::kExcel,
     "ExcelDesigner",
     {"xlmain", nullptr},
     "Worksheet Menu Bar",
     "ActiveWorkbook",
     "Excel: BtnEvents_Click",
     true,
     false,
     false,
     false,
     true},
    {AppKind::kPowerPoint,
     "PowerPointDesigner",
     {"pp9frameclass", "pp10frameclass"},
     "Menu Bar",
     "ActivePresentation",
     "PP: BtnEvents_Click",
     false,
     true,
     false,
     true,
     false},
};

// The printer product's settings below HKEY_CURRENT_USER; the per-host keys hang below these.
constexpr const char* kProductKey = "Software\\Orvan software GmbH\\Orvan pdf vatner\\";
constexpr const char* kPerHostKeys[] = {"Application DevMode\\", "Application Mapping\\"};

// The host's own print button on its "Standard" bar.
constexpr std::int32_t kPrintControlId = 2521;
constexpr std::int32_t kStoreSettings = 4;
constexpr std::int16_t kPrinterNotInstalled = 5216;

ObjectRef Element(const std::vector<ObjectRef>& elements, const Value& index) noexcept {
  try {
    const std::int16_t i = ToInteger(index);
    if (i < 0 || static_cast<std::size_t>(i) >= elements.size()) return nullptr;
    return elements[static_cast<std::size_t>(i)];
  } catch (...) {
    return nullptr;
  }
}

// Set button = object, for a variable typed as a command bar button.
ObjectRef AsButton(const Value& value) {
  ObjectRef object = AsObject(value);
  if (object && !object->Implements(OfficeInterface::kCommandBarButton)) {
    throw VbError::Runtime(vberr::kTypeMismatch);
  }
  return object;
}

// Tells the user why the PDF printer could not be made the active printer.
void ReportPrinterSwitch(std::int16_t error_number, const std::string& error_description) {
  if (error_number == 0) return;
  if (error_number == kPrinterNotInstalled) {
    MsgBox("Der Drucker mit dem Namen: '" + PdfPrinterName() + "' ist nicht installiert.",
           kStyleExclamation);
  } else {
    MsgBox("Beim Ändern des Druckers ist folgender Fehler aufgetreten:\rCode: " +
               std::to_string(error_number) + "\r" + error_description,
           kStyleExclamation);
  }
}

}  // namespace

const HostTraits& TraitsOf(AppKind host) {
  for (const HostTraits& traits : kHosts) {
    if (traits.host == host) return traits;
  }
  throw VbError::Runtime(vberr::kInvalidProcedureCall);
}

std::shared_ptr<HostController> HostController::Create(AppKind host) {
  return std::shared_ptr<HostController>(new HostController(TraitsOf(host)));
}

ObjectRef HostController::ToolbarButtons(const Value& a_Index) const noexcept {
  return Element(toolbar_buttons_, a_Index);
}

ObjectRef HostController::MenubarButtons(const Value& a_Index) const noexcept {
  return Element(menubar_buttons_, a_Index);
}

void HostController::Initialize() {
  std::uintptr_t window = 0;
  for (const char* window_class : traits_.window_classes) {
    if (window_class == nullptr || window != 0) break;
    window = CurrentPlatform().ui->FindWindowByClass(window_class);
  }
  // Window handles carry 32 significant bits, also in 64-bit processes.
  global_hwnd_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(window));
  menubar_ = traits_.menu_bar;
  if (window != 0) SetMessageBoxOwner(window);
}

void HostController::DoInit(const ObjectRef& application, const Value& connect_mode,
                            const Value& addin_inst) noexcept {
  try {
    app_instance_ = application;
    if (![&] {
          const profile::Phase phase("jobapi-check");
          return LoadVatnerAPI(GetAddinFolder() + kJobApiFileName) &&
                 CheckIfVatnerIsAvailable(app_instance_);
        }()) {
      DoDeInit(kUserClosed);
      return;
    }
    std::optional<profile::Phase> phase(std::in_place, "registry");
    for (const char* key : kPerHostKeys) {
      // Without the host's file name the key would name every host's settings.
      const std::string host_module = GetHostModuleName(false);
      if (host_module.empty()) continue;
      DeleteRegistryKeyTree(reg::kHkeyCurrentUser, kProductKey + (key + host_module));
    }
    {
      // The faces' clipboard operations share one opener window.
      const ClipboardBatch clipboard_batch(*CurrentPlatform().clipboard);
      phase.emplace("toolbar");
      if (traits_.has_print_button) {
        const ObjectRef standard = AsObject(GetItem(app_instance_, "CommandBars", "Standard"));
        print_button_ =
            AsButton(orvan::Call(standard, "FindControl", Args::Named("Id", kPrintControlId)));
      }
      toolbar_buttons_ = CreateAddInCommandBarButton(application, connect_mode, addin_inst);
      phase.emplace("menu");
      menubar_buttons_ = CreateAddInCommandBarMenu(application, connect_mode, addin_inst, menubar_);
    }
    phase.emplace("settings");
    if (!ApplyApplicationDevmodeStartup()) {
      registry_not_usable_ = true;
      RemoveVatnerPropertiesCommandButtons(shared_from_this());
    }
  } catch (...) {
    MsgBox("Error " + std::to_string(CurrentError().number()) +
               " occured while initializing the Orvan pdf vatner add-in.",
           kStyleCritical);
  }
}

void HostController::DoDeInit(const Value& remove_mode) {
  RemoveAddInCommandBarButton(app_instance_, remove_mode, menubar_);
  // In automation mode the controller would be unloaded here; it owns no window and nothing
  // that outlives its references, so there is nothing to unload.
}

bool HostController::CheckIfDocumentIsAvailable() {
  return orvan::CheckIfDocumentIsAvailable(app_instance_);
}

void HostController::BtnEvents_Click(const ObjectRef& /*ctrl*/, bool& /*cancel_default*/) {
  if (!IsDocumentOpen(app_instance_)) return;
  std::int32_t job = -1;
  std::string old_printer;
  if (traits_.reads_printer_first) old_printer = ToText(orvan::Get(app_instance_, "ActivePrinter"));
  try {
    PrintActiveDocument(old_printer, job);
  } catch (...) {
    ShowErrorMessage(CurrentError(), traits_.error_where, "");
  }
  if (job >= 0) OrvanPdfVtJobFree(job, false);
}

void HostController::PrintActiveDocument(std::string& old_printer, std::int32_t& job) {
  if (!traits_.reads_printer_first)
    old_printer = ToText(orvan::Get(app_instance_, "ActivePrinter"));
  std::int16_t error_number = 0;
  std::string error_description;
  if (ChangeActivePrinter(app_instance_, PdfPrinterName(), error_number, error_description)) {
    // Excel carries on past any failing host call from here on; the others stop at the first.
    ErrorsIgnored ignored;
    const auto step = [&](auto&& run) {
      if (traits_.ignores_errors_after_switch) {
        ignored.Step(run);
      } else {
        run();
      }
    };
    DocInfos old_doc_infos;
    std::int32_t result = 0;
    step([&] {
      result =
          InitPrintJob(job, old_doc_infos, ObjectMember(app_instance_, traits_.document_member),
                       registry_not_usable_);
    });
    // A job that could not be prepared leaves the PDF printer active and prints nothing.
    if (!registry_not_usable_ && result != 1) return;
    step([&] { PrintOut(); });
    step([&] {
      std::int16_t number = 0;  // the switch back reports nothing
      std::string description;
      ChangeActivePrinter(app_instance_, old_printer, number, description);
    });
    step([&] { result = SetPrivateDocInfos(job, old_doc_infos); });
    if (result != 1) return;
    step([&] { OrvanPdfVtJobSaveDevModeProperty(job, kStoreSettings, true); });
  }
  ReportPrinterSwitch(error_number, error_description);
}

void HostController::PrintOut() {
  const profile::Phase phase("print");
  switch (traits_.host) {
    case AppKind::kWord:
      orvan::Call(ObjectMember(app_instance_, "ActiveDocument"), "PrintOut",
                  Args::Named("Background", false));
      break;
    case AppKind::kExcel:
      orvan::Call(ObjectMember(app_instance_, "ActiveSheet"), "PrintOut");
      break;
    default: {
      orvan::Put(ObjectMember(ObjectMember(app_instance_, "ActivePresentation"), "PrintOptions"),
                 "PrintInBackground", false);
      const ObjectRef slides =
          ObjectMember(ObjectMember(app_instance_, "ActivePresentation"), "Slides");
      if (ToLong(orvan::Get(slides, "Count")) == 0) {
        MsgBox("Ihre Präsentation enthält keine Folien", kStyleInformation);
      } else {
        orvan::Call(ObjectMember(app_instance_, "ActivePresentation"), "PrintOut");
      }
    }
  }
}

// By name the controller answers its properties, as procedures that take any controller read
// them; its methods are reached through its COM class.
Value HostController::Get(const std::string& member, const Args& args) {
  const std::string name = utf8::UpperCase(member);
  const auto index = [&args]() -> Value {
    if (args.positional.empty()) throw VbError::Runtime(vberr::kArgumentNotOptional);
    return args.positional[0];
  };
  if (name == "TOOLBARBUTTONS") return ToolbarButtons(index());
  if (name == "MENUBARBUTTONS") return MenubarButtons(index());
  if (!args.empty()) throw VbError::Runtime(vberr::kWrongArgumentCount);
  if (name == "REGISTRYNOTUSABLE") return registry_not_usable_;
  if (name == "GLOBALHWND") return GlobalhWnd();
  if (name == "APPINSTANCE") return app_instance_;
  if (name == "MENUBAR") return Menubar();
  if (name == "PRINTBUTTON" && traits_.has_print_button) return print_button_;
  throw VbError::Runtime(vberr::kMemberNotFound);
}

void HostController::Put(const std::string& member, const Value& value, const Args& args) {
  const std::string name = utf8::UpperCase(member);
  if (!args.empty()) throw VbError::Runtime(vberr::kWrongArgumentCount);
  if (name == "GLOBALHWND") {
    SetGlobalhWnd(value);
  } else if (name == "APPINSTANCE") {
    SetAppInstance(AsObject(value));
  } else if (name == "MENUBAR") {
    SetMenubar(value);
  } else if (name == "PRINTBUTTON" && traits_.has_print_button) {
    SetPrintButton(AsButton(value));
  } else {
    throw VbError::Runtime(vberr::kMemberNotFound);
  }
}

Value HostController::Call(const std::string& member, const Args& args) {
  return Get(member, args);
}

}  // namespace orvan
