// The command bars of one host type as its installation keeps them, and what the user does to
// them by hand.
#include <algorithm>
#include <set>
#include <stdexcept>

#include "sim/office/command_bar_parts.h"
#include "sim/office/fake_office.h"
#include "support/utf8.h"

namespace orvan::sim {

using namespace bars;
using utf8::TextEquals;

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

}  // namespace orvan::sim
