// The add-in's entry object in one host, as Office loads it: it owns the host's controller, runs
// it from the connection events and routes the clicks of the toolbar buttons and menu items to
// the two commands. The COM classes dsrPdfVtAddinWord, dsrPdfVtAddinExcel and
// dsrPdfVtAddinPowerpoint wrap one each.
#pragma once

#include <functional>
#include <memory>

#include "hosts/host_controller.h"
#include "support/automation.h"

namespace orvan {

// Also an automation object: besides its own members it answers "DoInit" and "DoDeInit"
// (forwarded to its controller) and, in every host, the two click handlers by name, which is how
// the automation class Addin reaches them.
class AddinDesigner final : public Object {
  struct Key {};  // only Create makes designers: their sinks need the shared owner

 public:
  // The designer of Word, Excel or PowerPoint, holding no controller yet: its creator calls
  // AddinInstance_Initialize, as the host's creation of the object does. The designer's sinks
  // reach it through a weak reference that each event locks, so a host that lets go of the
  // designer while one of its commands runs (inside a message box or the printer's dialog)
  // frees it only when the command has returned.
  static std::shared_ptr<AddinDesigner> Create(AppKind host);
  AddinDesigner(Key, AppKind host);
  AddinDesigner(const AddinDesigner&) = delete;
  AddinDesigner& operator=(const AddinDesigner&) = delete;

  // Creates a fresh controller (replacing any earlier one) and initialises it. Errors reach
  // the caller.
  void AddinInstance_Initialize();

  // IDTExtensibility2. OnConnection's start-up and hooking raise nothing (only a designer
  // without a controller raises 91); the others hand failures to the caller.
  void IDTExtensibility2_OnConnection(const ObjectRef& application, const Value& connect_mode,
                                      const ObjectRef& addin_inst);
  void IDTExtensibility2_OnDisconnection(const Value& remove_mode);
  void IDTExtensibility2_OnAddInsUpdate() {}
  void IDTExtensibility2_OnStartupComplete();
  void IDTExtensibility2_OnBeginShutdown() {}

  // The Start and Config commands, and the menu items that run them.
  void p_mctlBtnEvents_Click(const ObjectRef& ctrl, bool& cancel_default);
  void p_mctlBtnEvents2_Click(const ObjectRef& ctrl, bool& cancel_default);
  void p_mctlMenuEvents_Click(const ObjectRef& ctrl, bool& cancel_default);
  void p_mctlMenuEvents2_Click(const ObjectRef& ctrl, bool& cancel_default);
  // Excel: the Start button follows the host's own print button. Raises nothing.
  void p_mctlBtnCommandBarEvents_OnUpdate() noexcept;

  const std::shared_ptr<HostController>& p_mobjDesigner() const { return p_mobjDesigner_; }

  Value Get(const std::string& member, const Args& args) override { return Call(member, args); }
  void Put(const std::string& member, const Value& value, const Args& args) override;
  Value Call(const std::string& member, const Args& args) override;
  bool TakesNamedArgument(const std::string& member, const std::string& name) const override;

 private:
  using Command = void (AddinDesigner::*)(const ObjectRef&, bool&);

  // The controller, shared for as long as the caller runs: a further AddinInstance_Initialize
  // replaces the designer's reference but not the caller's. Error 91 when there is none.
  std::shared_ptr<HostController> Controller() const;
  // A sink whose Click runs the given command of the designer the weak reference finds.
  static EventSink ClickSink(const std::shared_ptr<std::weak_ptr<AddinDesigner>>& self,
                             Command command);
  // Runs a command unless one is running already on this thread (of any designer: they share the
  // thread's job API library and the host's printer): a click that arrives meanwhile (from a
  // nested message loop) does nothing.
  static void RunCommand(const std::function<void()>& command);

  AppKind host_;
  // Filled by Create and shared with the sinks' handlers; a handler that a host still calls
  // after the designer is gone finds nothing in it.
  std::shared_ptr<std::weak_ptr<AddinDesigner>> self_;
  std::shared_ptr<HostController> p_mobjDesigner_;
  EventSink p_mctlBtnEvents_;
  EventSink p_mctlBtnEvents2_;
  EventSink p_mctlMenuEvents_;
  EventSink p_mctlMenuEvents2_;
  EventSink p_mctlBtnCommandBarEvents_;  // Excel only
};

}  // namespace orvan
