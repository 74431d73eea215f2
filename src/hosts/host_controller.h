// The add-in in one host: the controller that sets it up (DoInit), takes it down (DoDeInit) and
// carries the print command (BtnEvents_Click). One class serves Word, Excel and PowerPoint; what
// differs between them is data (HostTraits).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/automation.h"

namespace orvan {

// True on this thread for good once an automation client took over the add-in: designers that
// connect afterwards hook no click sinks, and the client delivers the clicks.
inline thread_local bool g_bAutomationMode = false;

// Disconnect mode 1 (ext_dm_UserClosed): the add-in takes itself down.
inline constexpr std::int32_t kUserClosed = 1;

// What one host's controller does differently.
struct HostTraits {
  AppKind host;
  const char* controller_name;       // the controller class, "WordDesigner"
  const char* window_classes[2];     // main window classes, searched in turn (nullptr: none)
  const char* menu_bar;              // the host's menu bar command bar
  const char* document_member;       // the application's current document
  const char* error_where;           // where a print error was caught, for ShowErrorMessage
  bool has_print_button;             // Excel: keeps the host's own print button
  bool remove_mode_required;         // PowerPoint: DoDeInit's RemoveMode is not optional
  bool checks_documents;             // Word: CheckIfDocumentIsAvailable
  bool reads_printer_first;          // PowerPoint: OldPrinter read before the error handler
  bool ignores_errors_after_switch;  // Excel: host errors ignored once the PDF printer is active
};

// The traits of Word, Excel or PowerPoint; any other kind raises error 5.
const HostTraits& TraitsOf(AppKind host);

class HostController final : public Object, public std::enable_shared_from_this<HostController> {
 public:
  static std::shared_ptr<HostController> Create(AppKind host);
  const HostTraits& traits() const { return traits_; }

  bool RegistryNotUsable() const { return registry_not_usable_; }
  // The main window's handle as a 32-bit integer.
  Value GlobalhWnd() const { return global_hwnd_; }
  void SetGlobalhWnd(const Value& value) { global_hwnd_ = ToLong(value); }
  const ObjectRef& AppInstance() const { return app_instance_; }
  void SetAppInstance(ObjectRef application) { app_instance_ = std::move(application); }
  Value Menubar() const { return menubar_; }
  void SetMenubar(const Value& value) { menubar_ = ToText(value); }
  const ObjectRef& PrintButton() const { return print_button_; }
  void SetPrintButton(ObjectRef button) { print_button_ = std::move(button); }
  // Element a_Index of the toolbar's buttons or the menu's items (0 Start, 1 Config); nothing
  // for any failure.
  ObjectRef ToolbarButtons(const Value& a_Index) const noexcept;
  ObjectRef MenubarButtons(const Value& a_Index) const noexcept;

  // Finds the host's main window and sets the menu bar's name.
  void Initialize();
  // The print command. Errors after the document check are shown, not raised.
  void BtnEvents_Click(const ObjectRef& ctrl, bool& cancel_default);
  // Sets the add-in up in the host; reports its own failures and never raises.
  void DoInit(const ObjectRef& application, const Value& connect_mode,
              const Value& addin_inst) noexcept;
  // Stores the toolbar's state and removes toolbar and menu; errors reach the caller.
  void DoDeInit(const Value& remove_mode);
  // Word only (any host answers): whether the document collection can be used.
  bool CheckIfDocumentIsAvailable();

  // The public members by name, as an automation client reaches them.
  Value Get(const std::string& member, const Args& args) override;
  void Put(const std::string& member, const Value& value, const Args& args) override;
  Value Call(const std::string& member, const Args& args) override;
  // Its members by name take no named arguments.
  bool TakesNamedArgument(const std::string&, const std::string&) const override { return false; }

 private:
  explicit HostController(const HostTraits& traits) : traits_(traits) {}

  // The print command after the document check, with its error handler.
  void PrintActiveDocument(std::string& old_printer, std::int32_t& job);
  // Step 7: the host prints its current document in the foreground.
  void PrintOut();

  const HostTraits& traits_;
  ObjectRef print_button_;
  ObjectRef app_instance_;
  std::int32_t global_hwnd_ = 0;
  std::string menubar_;
  bool registry_not_usable_ = false;
  std::vector<ObjectRef> toolbar_buttons_;
  std::vector<ObjectRef> menubar_buttons_;
};

}  // namespace orvan
