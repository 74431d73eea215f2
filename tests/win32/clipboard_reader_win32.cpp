// A second process for the clipboard tests: it reports what the clipboard holds, as
//   text: "<UTF-8 text>" | text: none
//   bitmap: <width>x<height> <top-left pixel RRGGBB> | bitmap: none
#include <cstdio>

#include "platform/win32/wide_text_win32.h"
#include "sim/officesim/clipboard_face_win32.h"

namespace {

std::string TextLine() {
  const HANDLE text = GetClipboardData(CF_UNICODETEXT);
  const auto* chars = text ? static_cast<const wchar_t*>(GlobalLock(text)) : nullptr;
  if (chars == nullptr) return "text: none";
  const std::string line = "text: \"" + orvan::win32::Narrow(chars) + "\"";
  GlobalUnlock(text);
  return line;
}

std::string BitmapLine() {
  const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (bitmap == nullptr) return "bitmap: none";
  const orvan::sim::BitmapLook look = orvan::sim::LookAt(bitmap);
  if (!look.valid) return "bitmap: unreadable";
  char pixel[8];
  wsprintfA(pixel, "%06X", look.top_left);
  return "bitmap: " + std::to_string(look.width) + "x" + std::to_string(look.height) + " " + pixel;
}

}  // namespace

int main() {
  bool open = false;
  for (int attempt = 0; attempt < 50 && !open; ++attempt) {
    open = OpenClipboard(nullptr);
    if (!open) Sleep(20);
  }
  if (!open) {
    std::printf("clipboard: cannot open\n");
    return 1;
  }
  std::printf("%s\n%s\n", TextLine().c_str(), BitmapLine().c_str());
  CloseClipboard();
  return 0;
}
