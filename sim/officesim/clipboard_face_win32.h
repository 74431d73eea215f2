// What a button face pasted from the Windows clipboard shows: the clipboard's bitmap, named after
// the add-in's icon it is when it is one, else described by its size, a digest of its pixels and
// the colours it uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32.h"
#include "sim/office/fake_command_bars.h"

namespace orvan::sim {

struct BitmapLook {
  int width = 0;
  int height = 0;
  std::uint32_t top_left = 0;         // 0xRRGGBB
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, top row first
  bool valid = false;
};

// The bitmap's size and pixels, read with GetDIBits.
BitmapLook LookAt(HBITMAP bitmap);

// "start", "config" (the add-in's icons as its buttons should show them); "WxH #RRGGBB" for a
// picture of one colour; else "WxH digest XXXXXXXX colours #RRGGBB ..." (the colours sorted, at
// most eight named, then "and N more").
std::string DescribeFace(const BitmapLook& look);

// Learns the faces the add-in in that module gives its buttons: its bitmap resources with
// magenta mapped to the button-face colour of the moment, as CreateMappedBitmap maps them.
void LearnFaces(const std::wstring& module_path);

// The bitmap on the clipboard, described as DescribeFace does, with its pixels; nullopt when the
// clipboard holds none or cannot be opened.
std::optional<ButtonFace> ClipboardFace();

// How many bitmaps ClipboardFace has read in this process. Wine keeps, of each bitmap read from
// the clipboard, the data it rebuilt the bitmap from (its user32 never frees it; Windows keeps
// nothing), about 1 KB a 16x16 face, so a long run's memory is judged net of these.
std::int64_t ClipboardBitmapsRead();

}  // namespace orvan::sim
