// The automation class Addin: a client such as a macro drives the add-in through it instead of
// the host's add-in mechanism. Init creates the host's designer and starts it, PushButtonEvent
// raises the command of a clicked toolbar button, DeInit takes the add-in down. The first Init
// puts this thread in automation mode for good.
#pragma once

#include <functional>

#include "support/automation.h"

namespace orvan {

class Addin {
 public:
  // Makes the designer of a host, created and initialised as the host's creation would do.
  using DesignerFactory = std::function<ObjectRef(AppKind)>;

  // Designers made by the portable core; the COM class passes its own factory.
  Addin();
  explicit Addin(DesignerFactory make_designer) : make_designer_(std::move(make_designer)) {}

  const Value& AddinDsr() const { return addin_dsr_; }
  void SetAddinDsr(const Value& designer) { addin_dsr_ = designer; }

  // Failures of the named calls reach the caller.
  void Init(const Value& app);
  void DeInit(const Value& app);
  void PushButtonEvent(const Value& app, const Value& ctl);

 private:
  // Calls a member of the object in AddinDsr by name.
  void CallDesigner(const std::string& member, const Args& args) const;

  DesignerFactory make_designer_;
  Value addin_dsr_;
};

}  // namespace orvan
