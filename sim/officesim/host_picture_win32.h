// A picture of what the user sees of the host's command bars: the menu bar with one menu open,
// the docked toolbars in their docks and rows, floating ones where they float, each button's
// face as the host holds it (16x16, drawn twice as large) and its caption.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/office/fake_command_bars.h"

namespace orvan::sim {

struct HostPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, top row first
};

// Draws the host window titled `title` with the store's visible bars; `open_menu`, a pop-up of
// the menu bar, is shown open (nullptr: none).
HostPicture DrawHostWindow(const CommandBarStore& store, const std::string& title,
                           const FakeControl* open_menu);

}  // namespace orvan::sim
