// Small bitmaps for the clipboard tests and a look at their pixels, shared by the test program
// and the clipboard reader.
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

struct BitmapLook {
  int width = 0;
  int height = 0;
  std::uint32_t top_left = 0;  // 0xRRGGBB
  bool valid = false;
};

// The bitmap's size and its top-left pixel, read with GetDIBits.
inline BitmapLook LookAt(HBITMAP bitmap) {
  BitmapLook look;
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) == 0) return look;
  look.width = info.bmWidth;
  look.height = info.bmHeight;
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = info.bmWidth;
  format.bmiHeader.biHeight = -info.bmHeight;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(info.bmWidth * info.bmHeight));
  const HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(),
                             &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  look.valid = rows == info.bmHeight && !pixels.empty();
  if (look.valid) look.top_left = pixels[0] & 0x00FFFFFF;
  return look;
}

}  // namespace orvan::testing
