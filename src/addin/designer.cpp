#include "addin/designer.h"

#include "hosts/document_checks.h"
#include "printjob/print_job.h"
#include "support/utf8.h"

namespace orvan {

AddinDesigner::AddinDesigner(AppKind host)
    : host_(host),
      p_mctlBtnEvents_(ClickSink(&AddinDesigner::p_mctlBtnEvents_Click)),
      p_mctlBtnEvents2_(ClickSink(&AddinDesigner::p_mctlBtnEvents2_Click)),
      p_mctlMenuEvents_(ClickSink(&AddinDesigner::p_mctlMenuEvents_Click)),
      p_mctlMenuEvents2_(ClickSink(&AddinDesigner::p_mctlMenuEvents2_Click)),
      p_mctlBtnCommandBarEvents_(EventInterface::kCommandBarsEvents,
                                 [this](const std::string& event, std::span<Value>) {
                                   if (event == "OnUpdate") p_mctlBtnCommandBarEvents_OnUpdate();
                                 }) {
  TraitsOf(host);  // only the three hosts have designers
}

EventSink AddinDesigner::ClickSink(void (AddinDesigner::*command)(const ObjectRef&, bool&)) {
  return EventSink(EventInterface::kCommandBarButtonEvents,
                   [this, command](const std::string& event, std::span<Value> args) {
                     if (event != "Click" || args.size() != 2) return;
                     bool cancel_default = ToLong(args[1]) != 0;
                     (this->*command)(AsObject(args[0]), cancel_default);
                     args[1] = cancel_default;
                   });
}

HostController& AddinDesigner::Controller() const {
  if (!p_mobjDesigner_) throw VbError::Runtime(vberr::kObjectNotSet);
  return *p_mobjDesigner_;
}

void AddinDesigner::AddinInstance_Initialize() {
  p_mobjDesigner_ = HostController::Create(host_);
  p_mobjDesigner_->Initialize();
}

void AddinDesigner::IDTExtensibility2_OnConnection(const ObjectRef& application,
                                                   const Value& connect_mode,
                                                   const ObjectRef& addin_inst) {
  HostController& controller = Controller();
  controller.DoInit(application, connect_mode, addin_inst);
  if (g_bAutomationMode) return;  // the automation client delivers the clicks
  // Hooking runs step by step with errors ignored; a controller without buttons hooks nothing.
  ErrorsIgnored ignored;
  const auto hook = [&](EventSink& sink, const ObjectRef& control) {
    ignored.Step([&] {
      if (control) sink.Hook(control);
    });
  };
  hook(p_mctlBtnEvents_, controller.ToolbarButtons(std::int16_t{0}));
  hook(p_mctlBtnEvents2_, controller.ToolbarButtons(std::int16_t{1}));
  hook(p_mctlMenuEvents_, controller.MenubarButtons(std::int16_t{0}));
  hook(p_mctlMenuEvents2_, controller.MenubarButtons(std::int16_t{1}));
  if (host_ == AppKind::kExcel) {
    ignored.Step([&] {
      p_mctlBtnCommandBarEvents_.Hook(ObjectMember(controller.AppInstance(), "CommandBars"));
    });
  }
}

void AddinDesigner::IDTExtensibility2_OnDisconnection(const Value& remove_mode) {
  Controller().DoDeInit(remove_mode);
}

void AddinDesigner::IDTExtensibility2_OnStartupComplete() {
  HostController& controller = Controller();
  if (!controller.traits().checks_documents) return;
  if (!controller.CheckIfDocumentIsAvailable()) controller.DoDeInit(kUserClosed);
}

void AddinDesigner::p_mctlBtnEvents_Click(const ObjectRef& ctrl, bool& cancel_default) {
  Controller().BtnEvents_Click(ctrl, cancel_default);
}

void AddinDesigner::p_mctlBtnEvents2_Click(const ObjectRef& /*ctrl*/, bool& /*cancel_default*/) {
  HostController& controller = Controller();
  const ObjectRef& application = controller.AppInstance();
  if (!IsDocumentOpen(application)) return;
  const ObjectRef document = ObjectMember(application, controller.traits().document_member);
  // The dialog's own quiet flag is a copy: nothing it does reaches the controller.
  const bool quiet = controller.RegistryNotUsable();
  OpenPrinterConfiguration(application, document, quiet);
}

void AddinDesigner::p_mctlMenuEvents_Click(const ObjectRef& ctrl, bool& cancel_default) {
  p_mctlBtnEvents_Click(ctrl, cancel_default);
}

void AddinDesigner::p_mctlMenuEvents2_Click(const ObjectRef& ctrl, bool& cancel_default) {
  p_mctlBtnEvents2_Click(ctrl, cancel_default);
}

void AddinDesigner::p_mctlBtnCommandBarEvents_OnUpdate() noexcept {
  // One statement with errors ignored: without a print button to read, the Start button is
  // left as it is.
  ErrorsIgnored ignored;
  ignored.Step([&] {
    const Value enabled = orvan::Get(Controller().PrintButton(), "Enabled");
    orvan::Put(p_mctlBtnEvents_.object(), "Enabled", enabled);
  });
}

}  // namespace orvan

namespace orvan {
namespace {

// Argument i of a call: by position, else by the parameter's name; missing when not given.
Value Argument(const Args& args, std::size_t i, const char* name) {
  if (i < args.positional.size()) return args.positional[i];
  for (const NamedArgument& a : args.named) {
    if (utf8::TextEquals(a.name, name)) return a.value;
  }
  return Value::Missing();
}

Value Required(const Args& args, std::size_t i, const char* name) {
  Value v = Argument(args, i, name);
  if (v.IsMissing()) throw VbError::Runtime(vberr::kArgumentNotOptional);
  return v;
}

}  // namespace

void AddinDesigner::Put(const std::string& /*member*/, const Value& /*value*/,
                        const Args& /*args*/) {
  throw VbError::Runtime(vberr::kMemberNotFound);
}

Value AddinDesigner::Call(const std::string& member, const Args& args) {
  const std::string name = utf8::UpperCase(member);
  if (name == "ADDININSTANCE_INITIALIZE") {
    AddinInstance_Initialize();
  } else if (name == "DOINIT") {
    Controller().DoInit(AsObject(Required(args, 0, "Application")),
                        Argument(args, 1, "ConnectMode"), Argument(args, 2, "AddInInst"));
  } else if (name == "DODEINIT") {
    // A client that takes the add-in down gives no mode; it closes the add-in as a user would.
    Value mode = Argument(args, 0, "RemoveMode");
    Controller().DoDeInit(mode.IsMissing() ? Value(kUserClosed) : mode);
  } else if (name == "P_MCTLBTNEVENTS_CLICK" || name == "P_MCTLBTNEVENTS2_CLICK") {
    const ObjectRef ctrl = AsObject(Required(args, 0, "Ctrl"));
    const Value cancel = Argument(args, 1, "CancelDefault");
    bool cancel_default = !cancel.IsMissing() && ToLong(cancel) != 0;
    if (name == "P_MCTLBTNEVENTS_CLICK") {
      p_mctlBtnEvents_Click(ctrl, cancel_default);
    } else {
      p_mctlBtnEvents2_Click(ctrl, cancel_default);
    }
  } else {
    throw VbError::Runtime(vberr::kMemberNotFound);
  }
  return Value();
}

}  // namespace orvan
