// What a button face pasted from the Windows clipboard shows: the clipboard's bitmap described
// by its size and top-left pixel, which tells the add-in's icons apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/win32.h"

namespace orvan::sim {

struct BitmapLook {
  int width = 0;
  int height = 0;
  std::uint32_t top_left = 0;  // 0xRRGGBB
  bool valid = false;
};

// The bitmap's size and its top-left pixel, read with GetDIBits.
BitmapLook LookAt(HBITMAP bitmap);

// The bitmap on the clipboard as "WxH #RRGGBB"; nullopt when the clipboard holds none or cannot
// be opened.
std::optional<std::string> ClipboardFace();

}  // namespace orvan::sim
