// The command bars' own plumbing, shared by the store, its automation objects and its events:
// controls moved, copied and deleted in their lists, and what Office answers when a member fails.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/office/fake_command_bars.h"

namespace orvan::sim::bars {

// What Office answers when a member fails without an error of its own (E_FAIL).
inline constexpr std::int32_t kMethodFailed = -2147467259;
inline constexpr std::int32_t kNamedArgumentNotFound = 448;

// Captions match as Office matches them in Controls("File"): any letter case, "&" ignored.
bool CaptionEquals(const std::string& a, const std::string& b);
bool Docked(std::int32_t position);
std::shared_ptr<FakeControl> NewControl(std::int32_t type, std::int32_t id, std::string caption,
                                        bool built_in);
void Insert(ControlList& list, const std::shared_ptr<FakeControl>& control, std::size_t at);
// A deep copy, in no list yet.
std::shared_ptr<FakeControl> Clone(const FakeControl& original);
// The control and everything in it count as deleted.
void MarkDeleted(FakeControl& control);
// Takes the control out of its list; its place there.
std::size_t Detach(FakeControl& control);
// Moves the control before the one now at `before` (1-based) in the target, or to its end when
// `before` is 0 or one past the last.
void Place(const std::shared_ptr<FakeControl>& control, ControlList& target, std::int32_t before);
// The temporary controls of the list and its menus go.
void DropTemporary(ControlList& list);
// The hosts' own bars as a fresh installation has them.
std::vector<std::shared_ptr<FakeBar>> BuiltInBars(HostType type);

}  // namespace orvan::sim::bars
