// A second process for the clipboard tests. Without arguments it reports what the clipboard holds:
//   text: "<UTF-8 text>" | text: none
//   bitmap: <width>x<height> <top-left pixel RRGGBB> | bitmap: none
// With "put" it puts kPutText and a 3x2 bitmap of kPutColour through the add-in's clipboard
// service after emptying the clipboard, and ends (exit code 0 when both were put).
#include <cstdio>
#include <string>

#include "platform/win32/platform_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "sim/officesim/clipboard_face_win32.h"
#include "win32/bitmap_pixels_win32.h"

namespace {

constexpr const char* kPutText = "Übergabe";
constexpr std::uint32_t kPutColour = 0x3C5A78;

void Print(const std::string& line) {
  std::printf("%s\n", line.c_str());
}

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

int Report() {
  bool open = false;
  for (int attempt = 0; attempt < 50 && !open; ++attempt) {
    open = OpenClipboard(nullptr);
    if (!open) Sleep(20);
  }
  if (!open) {
    Print("clipboard: cannot open");
    return 1;
  }
  Print(TextLine());
  Print(BitmapLine());
  CloseClipboard();
  return 0;
}

int Put() {
  orvan::win32::Win32Clipboard clipboard;
  const HBITMAP bitmap = orvan::testing::SolidBitmap(3, 2, kPutColour);
  const orvan::PictureRef picture = orvan::win32::BitmapPicture(bitmap, nullptr, true);
  const bool put =
      clipboard.Clear() && picture && clipboard.SetPicture(*picture) && clipboard.SetText(kPutText);
  return put ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "put") return Put();
  return Report();
}
