#include "sim/officesim/clipboard_face_win32.h"

#include <cstdio>
#include <vector>

namespace orvan::sim {

BitmapLook LookAt(HBITMAP bitmap) {
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

std::optional<std::string> ClipboardFace() {
  if (!OpenClipboard(nullptr)) return std::nullopt;
  std::optional<std::string> seen;
  if (const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
    const BitmapLook look = LookAt(bitmap);
    char text[48];
    std::snprintf(text, sizeof text, "%dx%d #%06X", look.width, look.height,
                  static_cast<unsigned>(look.top_left));
    seen = text;
  }
  CloseClipboard();
  return seen;
}

}  // namespace orvan::sim
