// Office's events on command bars: Click on buttons, OnUpdate on the collection, as the user's
// clicks and the host's updates raise them.
#include <algorithm>
#include <stdexcept>

#include "sim/office/command_bar_objects.h"

namespace orvan::sim {

using namespace bars;

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

}  // namespace orvan::sim
