// Small bitmaps for the clipboard tests, shared by the test program and the clipboard reader
// (which read them back with sim::LookAt).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/win32.h"

namespace orvan::testing {

// A width x height bitmap of one colour (0xRRGGBB); the caller deletes it.
inline HBITMAP SolidBitmap(int width, int height, std::uint32_t rgb) {
  const std::vector<std::uint32_t> bits(static_cast<std::size_t>(width * height), rgb);
  return CreateBitmap(width, height, 1, 32, bits.data());
}

}  // namespace orvan::testing
