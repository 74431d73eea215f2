#include "sim/office/fake_command_bars.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "sim/office/fake_office.h"
#include "sim/officesim/scenario.h"
#include "support/utf8.h"

namespace orvan::sim {
namespace {

using utf8::TextEquals;

// What Office answers when a member fails without an error of its own (E_FAIL).
constexpr std::int32_t kMethodFailed = -2147467259;
constexpr std::int32_t kNamedArgumentNotFound = 448;

std::string WithoutAmpersands(const std::string& text) {
  std::string plain;
  for (char c : text) {
    if (c != '&') plain += c;
  }
  return plain;
}

// Captions match as Office matches them in Controls("File"): any letter case, "&" ignored.
bool CaptionEquals(const std::string& a, const std::string& b) {
  return TextEquals(WithoutAmpersands(a), WithoutAmpersands(b));
}

bool Docked(std::int32_t position) {
  return position >= mso::kBarLeft && position <= mso::kBarBottom;
}

std::shared_ptr<FakeControl> NewControl(std::int32_t type, std::int32_t id, std::string caption,
                                        bool built_in) {
  auto control = std::make_shared<FakeControl>();
  control->type = type;
  control->id = id;
  control->caption = std::move(caption);
  control->built_in = built_in;
  if (type == mso::kControlPopup) control->controls = std::make_shared<ControlList>();
  return control;
}

void Insert(ControlList& list, const std::shared_ptr<FakeControl>& control, std::size_t at) {
  control->parent = list.weak_from_this();
  list.items.insert(list.items.begin() + static_cast<std::ptrdiff_t>(at), control);
}

std::shared_ptr<FakeControl> Clone(const FakeControl& original) {
  auto copy = std::make_shared<FakeControl>(original);
  copy->parent.reset();
  if (original.controls) {
    copy->controls = std::make_shared<ControlList>();
    for (const auto& child : original.controls->items) {
      Insert(*copy->controls, Clone(*child), copy->controls->items.size());
    }
  }
  return copy;
}

void MarkDeleted(FakeControl& control) {
  control.deleted = true;
  if (control.controls) {
    for (const auto& child : control.controls->items)
      MarkDeleted(*child);
  }
}

// Takes the control out of its list; its place there.
std::size_t Detach(FakeControl& control) {
  const auto list = control.parent.lock();
  if (!list) throw std::logic_error("control is not on a bar");
  auto it = std::find_if(list->items.begin(), list->items.end(),
                         [&](const auto& c) { return c.get() == &control; });
  const auto at = static_cast<std::size_t>(it - list->items.begin());
  const std::shared_ptr<FakeControl> keep = *it;  // the list may hold the last reference
  list->items.erase(it);
  control.parent.reset();
  return at;
}

// Moves the control before the one now at `before` (1-based) in the target, or to its end when
// `before` is 0 or one past the last.
void Place(const std::shared_ptr<FakeControl>& control, ControlList& target, std::int32_t before) {
  std::shared_ptr<FakeControl> anchor;
  if (before >= 1 && before <= static_cast<std::int32_t>(target.items.size())) {
    anchor = target.items[static_cast<std::size_t>(before - 1)];
  }
  const std::size_t old = Detach(*control);
  std::size_t at = target.items.size();
  if (anchor == control) {
    at = old;  // before itself: it stays where it was
  } else if (anchor) {
    at = static_cast<std::size_t>(std::find(target.items.begin(), target.items.end(), anchor) -
                                  target.items.begin());
  }
  Insert(target, control, at);
}

void DropTemporary(ControlList& list) {
  for (auto it = list.items.begin(); it != list.items.end();) {
    if ((*it)->temporary) {
      MarkDeleted(**it);
      it = list.items.erase(it);
      continue;
    }
    if ((*it)->controls) DropTemporary(*(*it)->controls);
    ++it;
  }
}

// The hosts' own bars as a fresh installation has them.
struct BuiltInControl {
  std::int32_t id;
  const char* caption;
};

constexpr BuiltInControl kFileMenu[] = {{18, "&New..."}, {23, "&Open..."},        {106, "&Close"},
                                        {3, "&Save"},    {109, "Print Pre&view"}, {4, "&Print..."},
                                        {752, "E&xit"}};
constexpr BuiltInControl kStandard[] = {
    {2520, "&New"}, {23, "&Open"}, {3, "&Save"}, {2521, "&Print"}, {109, "Print Pre&view"}};
constexpr BuiltInControl kFormatting[] = {{113, "&Bold"}, {114, "&Italic"}, {115, "&Underline"}};

std::vector<BuiltInControl> Menus(HostType type, bool chart) {
  std::vector<BuiltInControl> menus = {{30002, "&File"},   {30003, "&Edit"},   {30004, "&View"},
                                       {30005, "&Insert"}, {30006, "F&ormat"}, {30007, "&Tools"}};
  switch (type) {
    case HostType::kWord:
      menus.push_back({30083, "T&able"});
      break;
    case HostType::kExcel:
      menus.push_back(chart ? BuiltInControl{30022, "&Chart"} : BuiltInControl{30011, "&Data"});
      break;
    case HostType::kPowerPoint:
      menus.push_back({30012, "Sli&de Show"});
      break;
  }
  menus.push_back({30009, "&Window"});
  menus.push_back({30010, "&Help"});
  return menus;
}

std::shared_ptr<FakeBar> BuiltInBar(std::string name, std::int32_t type, std::int32_t row,
                                    bool visible) {
  auto bar = std::make_shared<FakeBar>();
  bar->name = std::move(name);
  bar->type = type;
  bar->position = mso::kBarTop;
  bar->row = row;
  bar->left = 0;
  bar->top = 26 * (row - 1);
  bar->visible = visible;
  bar->built_in = true;
  return bar;
}

std::shared_ptr<FakeBar> MenuBar(HostType type, std::string name, bool chart, bool visible) {
  auto bar = BuiltInBar(std::move(name), mso::kBarTypeMenuBar, 1, visible);
  for (const BuiltInControl& menu : Menus(type, chart)) {
    auto popup = NewControl(mso::kControlPopup, menu.id, menu.caption, true);
    if (menu.id == 30002) {
      for (const BuiltInControl& item : kFileMenu) {
        Insert(*popup->controls, NewControl(mso::kControlButton, item.id, item.caption, true),
               popup->controls->items.size());
      }
    }
    Insert(*bar->controls, popup, bar->controls->items.size());
  }
  return bar;
}

template <std::size_t N>
std::shared_ptr<FakeBar> Toolbar(std::string name, std::int32_t row,
                                 const BuiltInControl (&buttons)[N]) {
  auto bar = BuiltInBar(std::move(name), mso::kBarTypeNormal, row, true);
  for (const BuiltInControl& b : buttons) {
    Insert(*bar->controls, NewControl(mso::kControlButton, b.id, b.caption, true),
           bar->controls->items.size());
  }
  return bar;
}

std::vector<std::shared_ptr<FakeBar>> BuiltInBars(HostType type) {
  std::vector<std::shared_ptr<FakeBar>> bars;
  if (type == HostType::kExcel) {
    bars.push_back(MenuBar(type, "Worksheet Menu Bar", false, true));
    bars.push_back(MenuBar(type, "Chart Menu Bar", true, false));
  } else {
    bars.push_back(MenuBar(type, "Menu Bar", false, true));
  }
  bars.push_back(Toolbar("Standard", 2, kStandard));
  bars.push_back(Toolbar("Formatting", 3, kFormatting));
  return bars;
}

}  // namespace

// ---- the store ----

FakeControl* ControlList::Find(const std::string& tag_or_caption) const {
  for (const auto& c : items) {
    if (c->tag == tag_or_caption || CaptionEquals(c->caption, tag_or_caption)) return c.get();
    if (c->controls) {
      if (FakeControl* found = c->controls->Find(tag_or_caption)) return found;
    }
  }
  return nullptr;
}

FakeControl* ControlList::FindId(std::int32_t id) const {
  for (const auto& c : items) {
    if (c->id == id) return c.get();
    if (c->controls) {
      if (FakeControl* found = c->controls->FindId(id)) return found;
    }
  }
  return nullptr;
}

std::vector<std::string> ControlList::Tags() const {
  std::vector<std::string> tags;
  for (const auto& c : items)
    tags.push_back(c->tag);
  return tags;
}

std::vector<std::string> ControlList::Captions() const {
  std::vector<std::string> captions;
  for (const auto& c : items)
    captions.push_back(c->caption);
  return captions;
}

std::int32_t FakeControl::Index() const {
  const auto list = parent.lock();
  if (!list) return 0;
  for (std::size_t i = 0; i < list->items.size(); ++i) {
    if (list->items[i].get() == this) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

CommandBarStore::CommandBarStore(HostType type)
    : type_(type),
      source_(kHostNames[static_cast<std::size_t>(type)].source),
      bars_(BuiltInBars(type)),
      built_ins_(BuiltInBars(type)) {}

void CommandBarStore::Restart() {
  for (const auto& bar : std::vector<std::shared_ptr<FakeBar>>(bars_)) {
    if (bar->temporary) RemoveBar(*bar);
  }
  for (const auto& bar : bars_)
    DropTemporary(*bar->controls);
}

namespace {

// One line per bar ("bar") and control ("control DEPTH"), fields as quoted words.
void SaveControls(const ControlList& list, int depth, std::string& out) {
  for (const auto& c : list.items) {
    if (c->temporary || c->deleted) continue;
    out += "control " + std::to_string(depth) + " " + std::to_string(c->type) + " " +
           std::to_string(c->id) + " " + std::to_string(c->built_in) + " " + Quote(c->tag) + " " +
           Quote(c->caption) + " " + Quote(c->parameter) + " " + Quote(c->on_action) + " " +
           std::to_string(c->style) + " " + std::to_string(c->begin_group) + " " +
           std::to_string(c->enabled) + " " + std::to_string(c->visible) + " " +
           (c->face ? "1 " + Quote(*c->face) : "0 \"\"") + "\n";
    if (c->controls) SaveControls(*c->controls, depth + 1, out);
  }
}

std::int32_t Whole(const std::string& word) {
  std::size_t used = 0;
  const long n = std::stol(word, &used);
  if (used != word.size()) throw std::runtime_error("not a number: " + word);
  return static_cast<std::int32_t>(n);
}

}  // namespace

std::string CommandBarStore::Save() const {
  std::string out = "command bars 1\n";
  for (const auto& bar : bars_) {
    if (bar->temporary || bar->deleted) continue;
    out += "bar " + Quote(bar->name) + " " + std::to_string(bar->type) + " " +
           std::to_string(bar->position) + " " + std::to_string(bar->row) + " " +
           std::to_string(bar->left) + " " + std::to_string(bar->top) + " " +
           std::to_string(bar->width) + " " + std::to_string(bar->height) + " " +
           std::to_string(bar->visible) + " " + std::to_string(bar->enabled) + " " +
           std::to_string(bar->built_in) + "\n";
    SaveControls(*bar->controls, 0, out);
  }
  return out;
}

void CommandBarStore::Load(const std::string& text) {
  std::vector<std::shared_ptr<FakeBar>> bars;
  std::vector<ControlList*> lists;  // the list each depth adds to
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const std::vector<std::string> w = SplitWords(line, "command bars", ++number);
    if (number == 1) {
      if (line != "command bars 1") throw std::runtime_error("not a saved command bar store");
      continue;
    }
    if (w.size() == 12 && w[0] == "bar") {
      auto bar = std::make_shared<FakeBar>();
      bar->name = w[1];
      bar->type = Whole(w[2]);
      bar->position = Whole(w[3]);
      bar->row = Whole(w[4]);
      bar->left = Whole(w[5]);
      bar->top = Whole(w[6]);
      bar->width = Whole(w[7]);
      bar->height = Whole(w[8]);
      bar->visible = Whole(w[9]) != 0;
      bar->enabled = Whole(w[10]) != 0;
      bar->built_in = Whole(w[11]) != 0;
      lists = {bar->controls.get()};
      bars.push_back(std::move(bar));
    } else if (w.size() == 15 && w[0] == "control" && !bars.empty()) {
      const auto depth = static_cast<std::size_t>(Whole(w[1]));
      if (depth >= lists.size() || lists[depth] == nullptr) {
        throw std::runtime_error("command bars line " + std::to_string(number) +
                                 ": a control outside a pop-up");
      }
      auto c = NewControl(Whole(w[2]), Whole(w[3]), w[6], Whole(w[4]) != 0);
      c->tag = w[5];
      c->parameter = w[7];
      c->on_action = w[8];
      c->style = Whole(w[9]);
      c->begin_group = Whole(w[10]) != 0;
      c->enabled = Whole(w[11]) != 0;
      c->visible = Whole(w[12]) != 0;
      if (Whole(w[13]) != 0) c->face = w[14];
      Insert(*lists[depth], c, lists[depth]->items.size());
      lists.resize(depth + 1);
      lists.push_back(c->controls.get());  // its own controls, for a pop-up
    } else {
      throw std::runtime_error("command bars line " + std::to_string(number) + ": " + line);
    }
  }
  bars_ = std::move(bars);
}

FakeBar* CommandBarStore::Bar(const std::string& name) const {
  for (const auto& bar : bars_) {
    if (TextEquals(bar->name, name)) return bar.get();
  }
  return nullptr;
}

std::vector<FakeBar*> CommandBarStore::Bars() const {
  std::vector<FakeBar*> bars;
  for (const auto& bar : bars_)
    bars.push_back(bar.get());
  return bars;
}

std::vector<std::string> CommandBarStore::BarNames() const {
  std::vector<std::string> names;
  for (const auto& bar : bars_)
    names.push_back(bar->name);
  return names;
}

std::int32_t CommandBarStore::Index(const FakeBar& bar) const {
  for (std::size_t i = 0; i < bars_.size(); ++i) {
    if (bars_[i].get() == &bar) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

std::shared_ptr<FakeBar> CommandBarStore::AddBar(std::string name, std::int32_t position,
                                                 bool menu_bar, bool temporary, bool unique) {
  // msoBarMenuBar is for the Macintosh only; Windows Office refuses it.
  if (position < mso::kBarLeft || position > mso::kBarPopup) {
    throw VbError::Runtime(vberr::kInvalidProcedureCall, source_);
  }
  if (name.empty()) {
    for (int n = 1; name.empty() || Bar(name); ++n)
      name = "Custom " + std::to_string(n);
  }
  if (unique && Bar(name)) throw VbError::Runtime(vberr::kInvalidProcedureCall, source_);
  auto bar = std::make_shared<FakeBar>();
  bar->name = std::move(name);
  bar->type = position == mso::kBarPopup ? mso::kBarTypePopup
              : menu_bar                 ? mso::kBarTypeMenuBar
                                         : mso::kBarTypeNormal;
  bar->temporary = temporary;
  bars_.push_back(bar);
  Dock(*bar, position);
  return bar;
}

void CommandBarStore::RemoveBar(FakeBar& bar) {
  bar.deleted = true;
  for (const auto& c : bar.controls->items)
    MarkDeleted(*c);
  std::erase_if(bars_, [&](const auto& b) { return b.get() == &bar; });
  CompactRows();
}

void CommandBarStore::Dock(FakeBar& bar, std::int32_t position) {
  bar.position = position;
  if (Docked(position)) {
    std::int32_t last = 0;
    for (const auto& other : bars_) {
      if (other.get() != &bar && other->position == position) last = std::max(last, other->row);
    }
    bar.row = last + 1;  // a bar docked anew gets a row of its own after the others
  }
  CompactRows();
}

void CommandBarStore::CompactRows() {
  for (std::int32_t area = mso::kBarLeft; area <= mso::kBarBottom; ++area) {
    std::set<std::int32_t> rows;
    for (const auto& bar : bars_) {
      if (bar->position == area) rows.insert(bar->row);
    }
    for (const auto& bar : bars_) {
      if (bar->position != area) continue;
      bar->row = static_cast<std::int32_t>(std::distance(rows.begin(), rows.find(bar->row))) + 1;
    }
  }
}

FakeBar& CommandBarStore::UserAddsBar(const std::string& name, bool temporary) {
  auto bar = AddBar(name, mso::kBarFloating, false, temporary, false);
  bar->visible = true;  // a toolbar made in the Customize dialog shows at once
  return *bar;
}

void CommandBarStore::UserMovesBar(FakeBar& bar, std::int32_t position, std::int32_t row,
                                   std::int32_t left, std::int32_t top) {
  if (position < mso::kBarLeft || position > mso::kBarFloating || bar.type == mso::kBarTypePopup) {
    throw std::logic_error("the user can dock or float a toolbar only");
  }
  bar.position = position;
  bar.row = row;
  bar.left = left;
  bar.top = top;
  CompactRows();
}

void CommandBarStore::UserDeletesBar(FakeBar& bar) {
  if (bar.built_in) throw std::logic_error("Office does not let the user delete a built-in bar");
  RemoveBar(bar);
}

FakeControl& CommandBarStore::UserAddsControl(ControlList& target, std::int32_t type,
                                              const std::string& tag, const std::string& caption,
                                              std::int32_t before) {
  auto control = NewControl(type, 1, caption, false);
  control->tag = tag;
  const auto count = static_cast<std::int32_t>(target.items.size());
  Insert(target, control,
         static_cast<std::size_t>(before >= 1 && before <= count ? before - 1 : count));
  return *control;
}

void CommandBarStore::UserMovesControl(FakeControl& control, ControlList& target,
                                       std::int32_t before) {
  const auto list = control.parent.lock();
  if (!list) throw std::logic_error("control is not on a bar");
  for (const auto& c : list->items) {
    // A copy: Place takes the control out of the list that `c` refers into.
    if (c.get() == &control) return Place(std::shared_ptr<FakeControl>(c), target, before);
  }
}

void CommandBarStore::UserDeletesControl(FakeControl& control) {
  MarkDeleted(control);  // before Detach, which may free it
  Detach(control);
}

// ---- the automation objects over the store ----

namespace {

struct Context {
  std::shared_ptr<OfficeWorld> world;
  std::shared_ptr<CommandBarStore> store;
  std::string source;

  [[noreturn]] void Invalid() const {
    throw VbError::Runtime(vberr::kInvalidProcedureCall, source);
  }
  [[noreturn]] void Failed(const std::string& member, const std::string& object) const {
    throw VbError(kMethodFailed, "Method '" + member + "' of object '" + object + "' failed",
                  source);
  }
};
using Ctx = std::shared_ptr<const Context>;

// A method's arguments by parameter name, given by position or by name; a positional argument
// left out (or Empty) counts as omitted.
class Params {
 public:
  Params(const Ctx& ctx, const Args& args, std::vector<const char*> names)
      : names_(std::move(names)), values_(names_.size()) {
    if (args.positional.size() > names_.size()) {
      throw VbError::Runtime(vberr::kWrongArgumentCount, ctx->source);
    }
    for (std::size_t i = 0; i < args.positional.size(); ++i) {
      if (!args.positional[i].IsEmpty() && !args.positional[i].IsMissing()) {
        values_[i] = args.positional[i];
      }
    }
    for (const NamedArgument& a : args.named) {
      const std::size_t i = Find(a.name);
      if (i == names_.size()) {
        throw VbError(kNamedArgumentNotFound, "Named argument not found", ctx->source);
      }
      values_[i] = a.value;
    }
  }

  const std::optional<Value>& operator[](const char* name) const { return values_[Find(name)]; }
  std::optional<std::int32_t> Long(const char* name) const {
    const auto& v = (*this)[name];
    return v ? std::optional<std::int32_t>(ToLong(*v)) : std::nullopt;
  }
  bool Flag(const char* name) const { return Long(name).value_or(0) != 0; }
  std::string Text(const char* name) const {
    const auto& v = (*this)[name];
    return v ? ToText(*v) : std::string();
  }

 private:
  std::size_t Find(const std::string& name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (TextEquals(names_[i], name)) return i;
    }
    return names_.size();
  }
  std::vector<const char*> names_;
  std::vector<std::optional<Value>> values_;
};

// A bar's wrapper, so that Move can tell which bar it was given.
class BarObject final : public FakeObject {
 public:
  BarObject(std::shared_ptr<FakeObjectWorld> world, std::string name, std::shared_ptr<FakeBar> bar)
      : FakeObject(std::move(world), std::move(name)), bar_(std::move(bar)) {}
  const std::shared_ptr<FakeBar>& bar() const { return bar_; }

 private:
  std::shared_ptr<FakeBar> bar_;
};

// A property without parameters refuses arguments, as Office's do when called directly; through
// IDispatch the arguments go to the default member of what it gives (Controls(1)).
void NoArguments(const Ctx& ctx, const Args& args) {
  if (!args.empty()) throw VbError::Runtime(vberr::kWrongArgumentCount, ctx->source);
}

// Registers an object's members so that every access fails once its bar or control is deleted.
class Members {
 public:
  using Gone = std::function<bool()>;
  Members(FakeObject& object, Ctx ctx, std::string interface_name, Gone gone)
      : object_(object),
        ctx_(std::move(ctx)),
        name_(std::move(interface_name)),
        gone_(std::move(gone)) {}

  void Get(const char* member, FakeObject::Getter getter) {
    object_.OnGet(member, Guard(member, std::move(getter)));
  }
  void Call(const char* member, FakeObject::Getter method) {
    object_.OnCall(member, Guard(member, std::move(method)));
  }
  void Put(const char* member, std::function<void(const Value&)> putter) {
    object_.OnPut(member, [ctx = ctx_, name = name_, gone = gone_, m = std::string(member),
                           putter = std::move(putter)](const Value& v, const Args&) {
      if (gone()) ctx->Failed(m, name);
      putter(v);
    });
  }
  // A property read and written as it is.
  template <typename T, typename Convert>
  void Property(const char* member, T* field, Convert convert) {
    Get(member, [field](const Args&) -> Value { return *field; });
    Put(member, [field, convert](const Value& v) { *field = convert(v); });
  }

 private:
  FakeObject::Getter Guard(const char* member, FakeObject::Getter inner) const {
    return [ctx = ctx_, name = name_, gone = gone_, m = std::string(member),
            inner = std::move(inner)](const Args& args) -> Value {
      if (gone()) ctx->Failed(m, name);
      return inner(args);
    };
  }

  FakeObject& object_;
  Ctx ctx_;
  std::string name_;
  Gone gone_;
};

bool AsFlag(const Value& v) {
  return ToLong(v) != 0;
}

// FindControl's criteria; those not given match any control.
struct Criteria {
  std::optional<std::int32_t> type;
  std::optional<std::int32_t> id;
  std::optional<std::string> tag;
  bool visible = false;
  bool recursive = false;
  bool ignore_case = false;

  Criteria(const Params& p, bool ignore_tag_case) : ignore_case(ignore_tag_case) {
    type = p.Long("Type");
    id = p.Long("Id");
    if (p["Tag"] && !ToText(*p["Tag"]).empty()) tag = ToText(*p["Tag"]);
    visible = p.Flag("Visible");
  }

  bool Matches(const FakeControl& c) const {
    if (type && c.type != *type) return false;
    if (id && c.id != *id) return false;
    if (tag && !(ignore_case ? TextEquals(c.tag, *tag) : c.tag == *tag)) return false;
    return !visible || c.visible;
  }

  // The first match, depth first; with Visible only the bar's own controls count, since no
  // menu is open while the add-in runs.
  std::shared_ptr<FakeControl> Search(const ControlList& list) const {
    for (const auto& c : list.items) {
      if (Matches(*c)) return c;
      if (recursive && !visible && c->controls) {
        if (auto found = Search(*c->controls)) return found;
      }
    }
    return nullptr;
  }
};

}  // namespace

struct CommandBarStore::Hook {
  std::shared_ptr<FakeControl> button;  // none for OnUpdate
  EventHandler handler;
  bool keeps_sink = false;
  bool connected = true;
};

namespace {

class HookConnection final : public EventConnection {
 public:
  explicit HookConnection(std::shared_ptr<CommandBarStore::Hook> hook) : hook_(std::move(hook)) {}
  // Ending a connection lets go of the sink at once, as a connection point's Unadvise does,
  // unless the store keeps ended sinks.
  ~HookConnection() override {
    hook_->connected = false;
    if (!hook_->keeps_sink) hook_->handler = nullptr;
  }
  HookConnection(const HookConnection&) = delete;
  HookConnection& operator=(const HookConnection&) = delete;

 private:
  std::shared_ptr<CommandBarStore::Hook> hook_;
};

// Whether a click on `clicked` reaches a handler hooked to `hooked`.
bool ClickReaches(const FakeControl& hooked, const FakeControl& clicked) {
  if (&hooked == &clicked) return true;
  if (hooked.deleted) return false;
  if (!clicked.tag.empty()) return hooked.tag == clicked.tag;
  return clicked.built_in && hooked.built_in && hooked.id == clicked.id;
}

}  // namespace

std::unique_ptr<EventConnection> CommandBarStore::Connect(std::vector<std::shared_ptr<Hook>>& hooks,
                                                          std::shared_ptr<FakeControl> button,
                                                          EventHandler handler) {
  std::erase_if(hooks, [](const auto& h) { return !h->connected && !h->keeps_sink; });
  hooks.push_back(
      std::make_shared<Hook>(Hook{std::move(button), std::move(handler), keeps_ended_sinks}));
  return std::make_unique<HookConnection>(hooks.back());
}

void CommandBarStore::Raise(const std::vector<std::shared_ptr<Hook>>& hooks,
                            const FakeControl* clicked, const std::string& event,
                            std::span<Value> args) {
  const std::vector<std::shared_ptr<Hook>> now = hooks;
  for (const auto& hook : now) {
    if (!hook->connected) continue;
    if (clicked && !ClickReaches(*hook->button, *clicked)) continue;
    try {
      // A copy: the handler may end its own connection while it runs.
      const EventHandler handler = hook->handler;
      if (handler) handler(event, args);
    } catch (const VbError& e) {
      event_errors.push_back(e);
    }
  }
}

std::size_t CommandBarStore::ClickHandlers() const {
  return static_cast<std::size_t>(std::count_if(click_hooks_.begin(), click_hooks_.end(),
                                                [](auto& h) { return h->connected; }));
}

std::size_t CommandBarStore::UpdateHandlers() const {
  return static_cast<std::size_t>(std::count_if(update_hooks_.begin(), update_hooks_.end(),
                                                [](auto& h) { return h->connected; }));
}

void CommandBarStore::RaiseOnUpdate() {
  Raise(update_hooks_, nullptr, "OnUpdate", {});
}

struct CommandBarObjects {
  static ObjectRef Make(const std::shared_ptr<OfficeWorld>& world,
                        const std::shared_ptr<CommandBarStore>& store) {
    store->world_ = world;
    return Bars(std::make_shared<const Context>(Context{world, store, store->source_}));
  }

  static ObjectRef Bars(const Ctx& ctx) {
    auto collection = std::make_shared<FakeObject>(ctx->world, "CommandBars");
    Members m(*collection, ctx, "_CommandBars", [] { return false; });
    const auto& store = ctx->store;
    m.Get("Count",
          [store](const Args&) -> Value { return static_cast<std::int32_t>(store->bars_.size()); });
    const auto item = [ctx](const Args& args) -> Value {
      const Params p(ctx, args, {"Index"});
      if (!p["Index"]) throw VbError::Runtime(vberr::kArgumentNotOptional, ctx->source);
      const Value& index = *p["Index"];
      const auto& bars = ctx->store->bars_;
      if (index.type() == Value::Type::kString) {
        for (const auto& bar : bars) {
          if (TextEquals(bar->name, index.AsString())) return Bar(ctx, bar);
        }
        ctx->Invalid();
      }
      const std::int32_t i = ToLong(index);
      if (i < 1 || i > static_cast<std::int32_t>(bars.size())) ctx->Invalid();
      return Bar(ctx, bars[static_cast<std::size_t>(i - 1)]);
    };
    m.Get(kDefaultMember, item);
    m.Get("Item", item);
    m.Call("Add", [ctx](const Args& args) -> Value {
      const Params p(ctx, args, {"Name", "Position", "MenuBar", "Temporary"});
      return Bar(ctx,
                 ctx->store->AddBar(p.Text("Name"), p.Long("Position").value_or(mso::kBarFloating),
                                    p.Flag("MenuBar"), p.Flag("Temporary")));
    });
    collection->OnConnect(EventInterface::kCommandBarsEvents, [store](EventHandler handler) {
      return store->Connect(store->update_hooks_, nullptr, std::move(handler));
    });
    // Searches every bar and, as Office does, the menus' items too.
    m.Call("FindControl", [ctx](const Args& args) -> Value {
      Criteria criteria(Params(ctx, args, {"Type", "Id", "Tag", "Visible"}),
                        ctx->store->tag_match_ignores_case);
      criteria.recursive = true;
      for (const auto& bar : ctx->store->bars_) {
        if (criteria.visible && !bar->visible) continue;
        if (auto found = criteria.Search(*bar->controls)) return Control(ctx, found);
      }
      return ObjectRef();
    });
    return collection;
  }

  static ObjectRef Bar(const Ctx& ctx, const std::shared_ptr<FakeBar>& bar) {
    auto object = std::make_shared<BarObject>(ctx->world, "CommandBar(\"" + bar->name + "\")", bar);
    Members m(*object, ctx, "CommandBar", [bar] { return bar->deleted; });
    const auto store = ctx->store;
    const auto rename = [ctx, bar](const Value& v) {
      const std::string name = ToText(v);
      if (bar->built_in) ctx->Failed("Name", "CommandBar");
      const FakeBar* other = ctx->store->Bar(name);
      if (name.empty() || (other && other != bar.get())) ctx->Invalid();
      bar->name = name;
    };
    for (const char* member : {"Name", "NameLocal"}) {
      m.Get(member, [bar](const Args&) -> Value { return bar->name; });
      m.Put(member, rename);
    }
    m.Get("Index", [store, bar](const Args&) -> Value { return store->Index(*bar); });
    m.Property("Left", &bar->left, ToLong);
    m.Property("Top", &bar->top, ToLong);
    m.Property("Width", &bar->width, ToLong);
    m.Property("Height", &bar->height, ToLong);
    m.Property("Enabled", &bar->enabled, AsFlag);
    m.Get("Position", [bar](const Args&) -> Value { return bar->position; });
    m.Put("Position", [ctx, bar](const Value& v) {
      const std::int32_t position = ToLong(v);
      if (bar->type == mso::kBarTypePopup) {
        if (position != mso::kBarPopup) ctx->Invalid();
        return;
      }
      // A toolbar docks or floats; it cannot become a shortcut menu or (on Windows) the
      // Macintosh menu bar.
      if (position < mso::kBarLeft || position > mso::kBarFloating) ctx->Invalid();
      if (position != bar->position) ctx->store->Dock(*bar, position);
    });
    m.Get("RowIndex", [bar](const Args&) -> Value { return bar->row; });
    m.Put("RowIndex", [ctx, bar](const Value& v) {
      const std::int32_t row = ToLong(v);
      if (!Docked(bar->position)) ctx->Failed("RowIndex", "CommandBar");
      if (row < -1) ctx->Invalid();
      if (row == 0) {
        bar->row = 0;  // msoBarRowFirst: a row of its own before the others
      } else if (row == -1) {
        std::int32_t last = 0;  // msoBarRowLast: a row of its own after the others
        for (const auto& other : ctx->store->bars_) {
          if (other->position == bar->position) last = std::max(last, other->row);
        }
        bar->row = last + 1;
      } else {
        bar->row = row;  // shares that row with the bars in it
      }
      ctx->store->CompactRows();
    });
    m.Get("Visible", [bar](const Args&) -> Value { return bar->visible; });
    m.Put("Visible", [ctx, bar](const Value& v) {
      if (bar->type == mso::kBarTypePopup) ctx->Failed("Visible", "CommandBar");
      bar->visible = AsFlag(v);
    });
    m.Get("BuiltIn", [bar](const Args&) -> Value { return bar->built_in; });
    m.Get("Type", [bar](const Args&) -> Value { return bar->type; });
    m.Get("Controls", [ctx, bar](const Args& args) -> Value {
      NoArguments(ctx, args);
      return Controls(ctx, bar->controls, "CommandBar(\"" + bar->name + "\").Controls",
                      [bar] { return bar->deleted; });
    });
    m.Call("FindControl", [ctx, bar](const Args& args) -> Value {
      const Params p(ctx, args, {"Type", "Id", "Tag", "Visible", "Recursive"});
      Criteria criteria(p, ctx->store->tag_match_ignores_case);
      criteria.recursive = p.Flag("Recursive");
      if (criteria.visible && !bar->visible) return ObjectRef();
      const auto found = criteria.Search(*bar->controls);
      return found ? Control(ctx, found) : ObjectRef();
    });
    m.Call("Delete", [ctx, bar](const Args&) -> Value {
      if (bar->built_in) ctx->Failed("Delete", "CommandBar");
      ctx->store->RemoveBar(*bar);
      return Value();
    });
    return object;
  }

  static ObjectRef Controls(const Ctx& ctx, const std::shared_ptr<ControlList>& list,
                            const std::string& name, const Members::Gone& gone) {
    auto object = std::make_shared<FakeObject>(ctx->world, name);
    Members m(*object, ctx, "CommandBarControls", gone);
    m.Get("Count",
          [list](const Args&) -> Value { return static_cast<std::int32_t>(list->items.size()); });
    const auto item = [ctx, list](const Args& args) -> Value {
      const Params p(ctx, args, {"Index"});
      if (!p["Index"]) throw VbError::Runtime(vberr::kArgumentNotOptional, ctx->source);
      const Value& index = *p["Index"];
      if (index.type() == Value::Type::kString) {
        for (const auto& c : list->items) {
          if (CaptionEquals(c->caption, index.AsString())) return Control(ctx, c);
        }
        ctx->Invalid();
      }
      const std::int32_t i = ToLong(index);
      if (i < 1 || i > static_cast<std::int32_t>(list->items.size())) ctx->Invalid();
      return Control(ctx, list->items[static_cast<std::size_t>(i - 1)]);
    };
    m.Get(kDefaultMember, item);
    m.Get("Item", item);
    m.Call("Add", [ctx, list](const Args& args) -> Value {
      const Params p(ctx, args, {"Type", "Id", "Parameter", "Before", "Temporary"});
      const std::int32_t type = p.Long("Type").value_or(mso::kControlButton);
      const std::int32_t id = p.Long("Id").value_or(1);
      std::shared_ptr<FakeControl> control;
      if (id != 1) {
        // A built-in control, copied from the host's own bars.
        FakeControl* original = nullptr;
        for (const auto& bar : ctx->store->built_ins_) {
          if (!original) original = bar->controls->FindId(id);
        }
        if (!original) ctx->Invalid();
        control = Clone(*original);
      } else {
        const bool known = type == mso::kControlButton || type == mso::kControlEdit ||
                           type == mso::kControlDropdown || type == mso::kControlComboBox ||
                           type == mso::kControlPopup;
        if (!known) ctx->Invalid();
        control = NewControl(type, 1, std::string(), false);
      }
      const auto count = static_cast<std::int32_t>(list->items.size());
      const std::int32_t before = p.Long("Before").value_or(count + 1);
      if (before < 1 || before > count + 1) ctx->Invalid();
      control->parameter = p.Text("Parameter");
      control->temporary = p.Flag("Temporary");
      Insert(*list, control, static_cast<std::size_t>(before - 1));
      return Control(ctx, control);
    });
    return object;
  }

  static ObjectRef Control(const Ctx& ctx, const std::shared_ptr<FakeControl>& c) {
    const std::string label = !c->tag.empty()       ? "\"" + c->tag + "\""
                              : !c->caption.empty() ? "\"" + c->caption + "\""
                                                    : "#" + std::to_string(c->Index());
    const std::string name = "Control(" + label + ")";
    auto object = std::make_shared<FakeObject>(ctx->world, name);
    const bool button = c->type == mso::kControlButton;
    const bool popup = c->type == mso::kControlPopup;
    const std::string interface_name = button  ? "_CommandBarButton"
                                       : popup ? "CommandBarPopup"
                                               : "_CommandBarComboBox";
    const Members::Gone gone = [c] { return c->deleted; };
    Members m(*object, ctx, interface_name, gone);
    const auto text = [](const Value& v) { return ToText(v); };
    m.Property("Tag", &c->tag, text);
    m.Property("Caption", &c->caption, text);
    m.Property("Parameter", &c->parameter, text);
    m.Property("OnAction", &c->on_action, text);
    m.Property("BeginGroup", &c->begin_group, AsFlag);
    m.Property("Enabled", &c->enabled, AsFlag);
    m.Property("Visible", &c->visible, AsFlag);
    m.Get("Type", [c](const Args&) -> Value { return c->type; });
    m.Get("Id", [c](const Args&) -> Value { return c->id; });
    m.Get("BuiltIn", [c](const Args&) -> Value { return c->built_in; });
    m.Get("Index", [c](const Args&) -> Value { return c->Index(); });
    m.Call("Delete", [ctx, c](const Args& args) -> Value {
      const Params p(ctx, args, {"Temporary"});
      Detach(*c);
      MarkDeleted(*c);
      return Value();
    });
    m.Call("Move", [ctx, c](const Args& args) -> Value {
      const Params p(ctx, args, {"Bar", "Before"});
      std::shared_ptr<ControlList> target = c->parent.lock();
      if (p["Bar"]) {
        const ObjectRef given = AsObject(*p["Bar"]);
        if (!given) ctx->Invalid();
        const auto* wrapper = dynamic_cast<const BarObject*>(given.get());
        // A bar that came back through IDispatch is known by its name.
        FakeBar* bar =
            wrapper ? wrapper->bar().get() : ctx->store->Bar(ToText(orvan::Get(given, "Name")));
        if (!bar || bar->deleted) ctx->Invalid();
        target = bar->controls;
      }
      const auto count = static_cast<std::int32_t>(target->items.size());
      const std::int32_t before = p.Long("Before").value_or(count + 1);
      if (before < 1 || before > count + 1) ctx->Invalid();
      Place(c, *target, before);
      return Control(ctx, c);
    });
    if (button) {
      object->Implement(OfficeInterface::kCommandBarButton);
      object->OnConnect(EventInterface::kCommandBarButtonEvents, [ctx, c](EventHandler handler) {
        if (c->deleted) ctx->Failed("Advise", "_CommandBarButton");
        return ctx->store->Connect(ctx->store->click_hooks_, c, std::move(handler));
      });
      m.Get("Style", [c](const Args&) -> Value { return c->style; });
      m.Put("Style", [ctx, c](const Value& v) {
        // MsoButtonStyle: automatic, icon, caption, icon and caption, and the wrapping ones.
        static const std::set<std::int32_t> kStyles = {0, 1, 2, 3, 7, 11, 14, 15};
        const std::int32_t style = ToLong(v);
        if (!kStyles.contains(style)) ctx->Invalid();
        c->style = style;
      });
      m.Call("PasteFace", [ctx, c](const Args&) -> Value {
        const auto& clipboard = ctx->world->clipboard_face;
        std::optional<std::string> face = clipboard ? clipboard() : std::nullopt;
        if (!face) ctx->Failed("PasteFace", "_CommandBarButton");
        c->face = std::move(face);
        return Value();
      });
    }
    if (popup) {
      m.Get("Controls", [ctx, c, name, gone](const Args& args) -> Value {
        NoArguments(ctx, args);
        return Controls(ctx, c->controls, name + ".Controls", gone);
      });
    }
    return object;
  }
};

bool CommandBarStore::UserClicks(FakeControl& button) {
  if (button.deleted || !button.enabled || !button.visible) return false;
  const auto world = world_.lock();
  // While no host handed out its command bars, no one can have hooked the button's clicks.
  if (!world) return false;
  const auto list = button.parent.lock();
  if (!list) throw std::logic_error("the button belongs to no bar");
  std::shared_ptr<FakeControl> shared;
  for (const auto& c : list->items) {
    if (c.get() == &button) shared = c;
  }
  const Ctx ctx =
      std::make_shared<const Context>(Context{world, world->command_bars(type_), source_});
  Value args[] = {CommandBarObjects::Control(ctx, shared), false};
  Raise(click_hooks_, &button, "Click", args);
  return ToLong(args[1]) != 0;
}

ObjectRef MakeCommandBars(const std::shared_ptr<OfficeWorld>& world,
                          const std::shared_ptr<CommandBarStore>& store) {
  return CommandBarObjects::Make(world, store);
}

}  // namespace orvan::sim
