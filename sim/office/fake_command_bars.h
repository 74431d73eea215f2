// Fake Office command bars: the bars and controls of one host type, kept in a store that outlives
// the host objects, reached by the add-in through Application.CommandBars and changed by tests as
// the user would change them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/office/fake_object.h"

namespace orvan::sim {

class OfficeWorld;
enum class HostType;

// Office's MsoBarPosition, MsoBarType and MsoControlType values.
namespace mso {
inline constexpr std::int32_t kBarLeft = 0;
inline constexpr std::int32_t kBarTop = 1;
inline constexpr std::int32_t kBarRight = 2;
inline constexpr std::int32_t kBarBottom = 3;
inline constexpr std::int32_t kBarFloating = 4;
inline constexpr std::int32_t kBarPopup = 5;
inline constexpr std::int32_t kBarMenuBar = 6;
inline constexpr std::int32_t kBarTypeNormal = 0;
inline constexpr std::int32_t kBarTypeMenuBar = 1;
inline constexpr std::int32_t kBarTypePopup = 2;
inline constexpr std::int32_t kControlButton = 1;
inline constexpr std::int32_t kControlEdit = 2;
inline constexpr std::int32_t kControlDropdown = 3;
inline constexpr std::int32_t kControlComboBox = 4;
inline constexpr std::int32_t kControlPopup = 10;
}  // namespace mso

struct FakeControl;

// A button's face as the host holds it: what it shows, described as the transcript names it, and
// its pixels (0xRRGGBB, top row first) when the picture came from a real clipboard.
struct ButtonFace {
  ButtonFace() = default;
  // A face known by its description alone, as a test's clipboard gives it.
  ButtonFace(std::string text) : description(std::move(text)) {}  // NOLINT: implicit on purpose
  std::string description;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;

  friend bool operator==(const ButtonFace& face, std::string_view text) {
    return face.description == text;
  }
};

// The controls of a bar or a pop-up in their order; a control's Index is its place here.
struct ControlList : std::enable_shared_from_this<ControlList> {
  std::vector<std::shared_ptr<FakeControl>> items;

  // The first control, at any depth, whose tag is the text or whose caption is it (letter case
  // and "&" ignored); nullptr when there is none.
  FakeControl* Find(const std::string& tag_or_caption) const;
  FakeControl* FindId(std::int32_t id) const;
  std::vector<std::string> Tags() const;
  std::vector<std::string> Captions() const;
};

struct FakeControl {
  std::int32_t type = mso::kControlButton;
  std::int32_t id = 1;  // custom controls have Id 1
  bool built_in = false;
  std::string tag;
  std::string caption;
  std::string parameter;
  std::string on_action;
  std::int32_t style = 0;  // msoButtonAutomatic
  bool begin_group = false;
  bool enabled = true;
  bool visible = true;
  bool temporary = false;
  std::optional<ButtonFace> face;         // what the last PasteFace took from the clipboard
  std::shared_ptr<ControlList> controls;  // pop-ups only
  std::weak_ptr<ControlList> parent;
  bool deleted = false;

  std::int32_t Index() const;
};

struct FakeBar {
  std::string name;
  std::int32_t type = mso::kBarTypeNormal;
  std::int32_t position = mso::kBarFloating;
  std::int32_t row = 1;  // docking row within its area, 1 = first
  std::int32_t left = 200;
  std::int32_t top = 200;
  std::int32_t width = 150;
  std::int32_t height = 26;
  bool visible = false;
  bool enabled = true;
  bool built_in = false;
  bool temporary = false;
  bool deleted = false;
  std::shared_ptr<ControlList> controls = std::make_shared<ControlList>();
};

// The command bars of one host type, as its installation keeps them between sessions.
class CommandBarStore {
 public:
  explicit CommandBarStore(HostType type);

  // FindControl compares tags without regard to letter case (default: exactly).
  bool tag_match_ignores_case = false;
  // A connection that ends keeps its sink until the store goes, as a host may hold a client's
  // sink after Unadvise (default: let go at once).
  bool keeps_ended_sinks = false;

  // The host closes and starts again: temporary bars and controls are gone, the rest stays.
  void Restart();

  // What the host keeps on disk between sessions, as text: every bar and control but the
  // temporary ones. Load replaces the bars with those of the text; a malformed text raises
  // std::runtime_error and leaves the store as it was.
  std::string Save() const;
  void Load(const std::string& text);

  // The user clicks a button. A disabled, hidden or deleted one does nothing (false). Else
  // Office raises Click, in the order they were hooked, on every handler hooked to a button
  // with the clicked one's tag (a button without a tag: to it alone; a built-in one: to every
  // button of its Id), passing the clicked button and one CancelDefault that each handler may
  // set. A handler's error is kept in `event_errors` and the next handler still runs. Returns
  // CancelDefault.
  bool UserClicks(FakeControl& button);
  // Office updates its command bars (as it does at selection and window changes): OnUpdate
  // reaches every handler hooked to the CommandBars collection.
  void RaiseOnUpdate();
  // Handlers connected now: to buttons' Click, to the collection's OnUpdate.
  std::size_t ClickHandlers() const;
  std::size_t UpdateHandlers() const;
  std::vector<VbError> event_errors;

  // A handler hooked to a button's Click or to the collection's OnUpdate.
  struct Hook;

  // The bar of that name (any letter case), nullptr when there is none.
  FakeBar* Bar(const std::string& name) const;
  std::vector<std::string> BarNames() const;
  // Every bar, in the collection's order.
  std::vector<FakeBar*> Bars() const;
  std::int32_t Index(const FakeBar& bar) const;

  // What the user does by hand, or what other templates and add-ins left: a user's bar may
  // repeat a name in use. Built-in bars cannot be deleted (std::logic_error); a `before` of 0
  // appends.
  FakeBar& UserAddsBar(const std::string& name, bool temporary = false);
  void UserMovesBar(FakeBar& bar, std::int32_t position, std::int32_t row, std::int32_t left,
                    std::int32_t top);
  void UserDeletesBar(FakeBar& bar);
  FakeControl& UserAddsControl(ControlList& target, std::int32_t type, const std::string& tag,
                               const std::string& caption, std::int32_t before = 0);
  void UserMovesControl(FakeControl& control, ControlList& target, std::int32_t before = 0);
  void UserDeletesControl(FakeControl& control);

 private:
  friend struct CommandBarObjects;

  // CommandBars.Add refuses a name in use (unique); the user's bars may repeat one, as bars
  // kept in different templates do in Word.
  std::shared_ptr<FakeBar> AddBar(std::string name, std::int32_t position, bool menu_bar,
                                  bool temporary, bool unique = true);
  void RemoveBar(FakeBar& bar);
  std::unique_ptr<EventConnection> Connect(std::vector<std::shared_ptr<Hook>>& hooks,
                                           std::shared_ptr<FakeControl> button,
                                           EventHandler handler);
  // Runs the handlers of the hooks connected now; a copy, since a handler may hook or unhook.
  void Raise(const std::vector<std::shared_ptr<Hook>>& hooks, const FakeControl* clicked,
             const std::string& event, std::span<Value> args);
  void Dock(FakeBar& bar, std::int32_t position);
  // Renumbers the rows of each docking area 1, 2, ... keeping their order.
  void CompactRows();

  HostType type_;
  std::string source_;  // the host's error source, "Microsoft Word"
  std::vector<std::shared_ptr<FakeBar>> bars_;
  std::vector<std::shared_ptr<FakeBar>> built_ins_;  // untouched copies: the controls' catalogue
  std::vector<std::shared_ptr<Hook>> click_hooks_;
  std::vector<std::shared_ptr<Hook>> update_hooks_;
  std::weak_ptr<OfficeWorld> world_;  // for the Ctrl object a click passes
};

// The host's CommandBars collection over the store, journaled in the world.
ObjectRef MakeCommandBars(const std::shared_ptr<OfficeWorld>& world,
                          const std::shared_ptr<CommandBarStore>& store);

}  // namespace orvan::sim
