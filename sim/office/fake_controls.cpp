// Controls in their lists, and the bars a fresh installation of each host has.
#include <algorithm>
#include <stdexcept>

#include "sim/office/command_bar_parts.h"
#include "sim/office/fake_office.h"
#include "support/utf8.h"

namespace orvan::sim {
namespace bars {

using utf8::TextEquals;
namespace {

std::string WithoutAmpersands(const std::string& text) {
  std::string plain;
  for (char c : text) {
    if (c != '&') plain += c;
  }
  return plain;
}

}  // namespace

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

namespace {

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

}  // namespace

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

}  // namespace bars

using namespace bars;

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

}  // namespace orvan::sim
