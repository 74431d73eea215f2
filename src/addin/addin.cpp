#include "addin/addin.h"

#include "addin/designer.h"
#include "commandbars/command_bar_names.h"

namespace orvan {

Addin::Addin()
    : make_designer_([](AppKind host) -> ObjectRef {
        auto designer = AddinDesigner::Create(host);
        designer->AddinInstance_Initialize();
        return designer;
      }) {}

void Addin::Init(const Value& app) {
  g_bAutomationMode = true;
  const ObjectRef application = app.type() == Value::Type::kObject ? app.AsObject() : nullptr;
  // The host is told by the application interface the object answers.
  const AppKind host = KindOf(application);
  if (host != AppKind::kOther) addin_dsr_ = make_designer_(host);
  CallDesigner("DoInit", {app});
}

void Addin::DeInit(const Value& /*app*/) {
  CallDesigner("DoDeInit", {});
}

void Addin::PushButtonEvent(const Value& /*app*/, const Value& ctl) {
  const ObjectRef control = AsObject(ctl);
  // Only the toolbar's two buttons raise a command; tags compare exactly.
  if (ToText(Get(control, "Tag")) == kStartTag) {
    CallDesigner("p_mctlBtnEvents_Click", {ctl, false});
  } else if (ToText(Get(control, "Tag")) == kConfigTag) {
    CallDesigner("p_mctlBtnEvents2_Click", {ctl, false});
  }
}

void Addin::CallDesigner(const std::string& member, const Args& args) const {
  if (addin_dsr_.type() != Value::Type::kObject) throw VbError::Runtime(vberr::kObjectRequired);
  // Held for the call: the client may assign another designer while it runs.
  const ObjectRef designer = addin_dsr_.AsObject();
  Call(designer, member, args);
}

}  // namespace orvan
