#include "addin/designer.h"

#include "hosts/document_checks.h"
#include "printjob/print_job.h"
#include "support/profile.h"
#include "support/utf8.h"

namespace orvan {

std::shared_ptr<AddinDesigner> AddinDesigner::Create(AppKind host) {
  // Its own allocation, apart from the count: the weak references a host may keep through the
  // sinks then hold no designer's memory.
  std::shared_ptr<AddinDesigner> designer = std::make_unique<AddinDesigner>(Key{}, host);
  *designer->self_ = designer;
  return designer;
}

AddinDesigner::AddinDesigner(Key, AppKind host)
    : host_(host),
      self_(std::make_shared<std::weak_ptr<AddinDesigner>>()),
      p_mctlBtnEvents_(ClickSink(self_, &AddinDesigner::p_mctlBtnEvents_Click)),
      p_mctlBtnEvents2_(ClickSink(self_, &AddinDesigner::p_mctlBtnEvents2_Click)),
      p_mctlMenuEvents_(ClickSink(self_, &AddinDesigner::p_mctlMenuEvents_Click)),
      p_mctlMenuEvents2_(ClickSink(self_, &AddinDesigner::p_mctlMenuEvents2_Click)),
      p_mctlBtnCommandBarEvents_(EventInterface::kCommandBarsEvents,
                                 [self = self_](const std::string& event, std::span<Value>) {
                                   const auto designer = self->lock();
                                   if (designer && event == "OnUpdate") {
                                     designer->p_mctlBtnCommandBarEvents_OnUpdate();
                                   }
                                 }) {
  TraitsOf(host);  // only the three hosts have designers
}

EventSink AddinDesigner::ClickSink(const std::shared_ptr<std::weak_ptr<AddinDesigner>>& self,
                                   Command command) {
  return EventSink(EventInterface::kCommandBarButtonEvents,
                   [self, command](const std::string& event, std::span<Value> args) {
                     if (event != "Click" || args.size() != 2) return;
                     // Held until the command returns, whatever the host releases meanwhile.
                     const std::shared_ptr<AddinDesigner> designer = self->lock();
                     if (!designer) return;
                     bool cancel_default = ToLong(args[1]) != 0;
                     ((*designer).*command)(AsObject(args[0]), cancel_default);
                     args[1] = cancel_default;
                   });
}

std::shared_ptr<HostController> AddinDesigner::Controller() const {
  if (!p_mobjDesigner_) throw VbError::Runtime(vberr::kObjectNotSet);
  return p_mobjDesigner_;
}

void AddinDesigner::RunCommand(const std::function<void()>& command) {
  static thread_local bool running = false;
  if (running) return;
  running = true;
  struct Done {
    ~Done() { running = false; }
  } done;
  command();
}

void AddinDesigner::AddinInstance_Initialize() {
  p_mobjDesigner_ = HostController::Create(host_);
  p_mobjDesigner_->Initialize();
}

void AddinDesigner::IDTExtensibility2_OnConnection(const ObjectRef& application,
                                                   const Value& connect_mode,
                                                   const ObjectRef& addin_inst) {
  const profile::Event event("OnConnection");
  const std::shared_ptr<HostController> controller = Controller();
  controller->DoInit(application, connect_mode, addin_inst);
  if (g_bAutomationMode) return;  // the automation client delivers the clicks
  const profile::Phase phase("hooking");
  // Hooking runs step by step with errors ignored; a controller without buttons hooks nothing.
  ErrorsIgnored ignored;
  const auto hook = [&](EventSink& sink, const ObjectRef& control) {
    ignored.Step([&] {
      if (control) sink.Hook(control);
    });
  };
  hook(p_mctlBtnEvents_, controller->ToolbarButtons(std::int16_t{0}));
  hook(p_mctlBtnEvents2_, controller->ToolbarButtons(std::int16_t{1}));
  hook(p_mctlMenuEvents_, controller->MenubarButtons(std::int16_t{0}));
  hook(p_mctlMenuEvents2_, controller->MenubarButtons(std::int16_t{1}));
  if (host_ == AppKind::kExcel) {
    ignored.Step([&] {
      p_mctlBtnCommandBarEvents_.Hook(ObjectMember(controller->AppInstance(), "CommandBars"));
    });
  }
}

void AddinDesigner::IDTExtensibility2_OnDisconnection(const Value& remove_mode) {
  const profile::Event event("OnDisconnection");
  Controller()->DoDeInit(remove_mode);
}

void AddinDesigner::IDTExtensibility2_OnStartupComplete() {
  const std::shared_ptr<HostController> controller = Controller();
  if (!controller->traits().checks_documents) return;
  if (!controller->CheckIfDocumentIsAvailable()) controller->DoDeInit(kUserClosed);
}

void AddinDesigner::p_mctlBtnEvents_Click(const ObjectRef& ctrl, bool& cancel_default) {
  const profile::Event event("Start click");
  const std::shared_ptr<HostController> controller = Controller();
  RunCommand([&] { controller->BtnEvents_Click(ctrl, cancel_default); });
}

void AddinDesigner::p_mctlBtnEvents2_Click(const ObjectRef& /*ctrl*/, bool& /*cancel_default*/) {
  const profile::Event event("Config click");
  const std::shared_ptr<HostController> controller = Controller();
  RunCommand([&] {
    const ObjectRef application = controller->AppInstance();
    if (!IsDocumentOpen(application)) return;
    const ObjectRef document = ObjectMember(application, controller->traits().document_member);
    // The dialog's own quiet flag is a copy: nothing it does reaches the controller.
    const bool quiet = controller->RegistryNotUsable();
    OpenPrinterConfiguration(application, document, quiet);
  });
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
    const Value enabled = orvan::Get(Controller()->PrintButton(), "Enabled");
    orvan::Put(p_mctlBtnEvents_.object(), "Enabled", enabled);
  });
}

}  // namespace orvan

namespace orvan {
namespace {

// The members a client reaches by name, with their parameters in order.
struct MemberByName {
  const char* name;  // in capitals
  std::initializer_list<const char*> parameters;
};
constexpr MemberByName kMembersByName[] = {
    {"ADDININSTANCE_INITIALIZE", {}},
    {"DOINIT", {"Application", "ConnectMode", "AddInInst"}},
    {"DODEINIT", {"RemoveMode"}},
    {"P_MCTLBTNEVENTS_CLICK", {"Ctrl", "CancelDefault"}},
    {"P_MCTLBTNEVENTS2_CLICK", {"Ctrl", "CancelDefault"}},
};

const MemberByName* FindMember(const std::string& member) {
  const std::string name = utf8::UpperCase(member);
  for (const MemberByName& m : kMembersByName) {
    if (name == m.name) return &m;
  }
  return nullptr;
}

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

bool AddinDesigner::TakesNamedArgument(const std::string& member, const std::string& name) const {
  const MemberByName* found = FindMember(member);
  if (found == nullptr) return false;
  for (const char* parameter : found->parameters) {
    if (utf8::TextEquals(name, parameter)) return true;
  }
  return false;
}

Value AddinDesigner::Call(const std::string& member, const Args& args) {
  const MemberByName* found = FindMember(member);
  if (found == nullptr) throw VbError::Runtime(vberr::kMemberNotFound);
  for (const NamedArgument& a : args.named) {
    if (!TakesNamedArgument(member, a.name)) throw VbError::Runtime(vberr::kNamedArgumentNotFound);
  }
  if (args.positional.size() > found->parameters.size()) {
    throw VbError::Runtime(vberr::kWrongArgumentCount);
  }
  const std::string name = found->name;
  if (name == "ADDININSTANCE_INITIALIZE") {
    AddinInstance_Initialize();
  } else if (name == "DOINIT") {
    Controller()->DoInit(AsObject(Required(args, 0, "Application")),
                         Argument(args, 1, "ConnectMode"), Argument(args, 2, "AddInInst"));
  } else if (name == "DODEINIT") {
    // A client that takes the add-in down gives no mode; it closes the add-in as a user would.
    Value mode = Argument(args, 0, "RemoveMode");
    Controller()->DoDeInit(mode.IsMissing() ? Value(kUserClosed) : mode);
  } else {
    const ObjectRef ctrl = AsObject(Required(args, 0, "Ctrl"));
    const Value cancel = Argument(args, 1, "CancelDefault");
    bool cancel_default = !cancel.IsMissing() && ToLong(cancel) != 0;
    if (name == "P_MCTLBTNEVENTS_CLICK") {
      p_mctlBtnEvents_Click(ctrl, cancel_default);
    } else {
      p_mctlBtnEvents2_Click(ctrl, cancel_default);
    }
  }
  return Value();
}

}  // namespace orvan
