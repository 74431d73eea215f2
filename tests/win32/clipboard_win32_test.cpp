// The real clipboard and OLE pictures: the button-face paste leaves the mapped icon on the
// clipboard, as another process (the clipboard reader) sees it. (A text put back on it:
// word_bars_places.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>

#include "commandbars/icons.h"
#include "platform/win32/platform_win32.h"
#include "sim/office/fake_object.h"

namespace orvan::testing {
namespace {

// What the clipboard reader reports, by line name: "text" and "bitmap".
std::map<std::string, std::string> RunReader() {
  std::map<std::string, std::string> report;
  // cmd /c drops the outer pair of quotes.
  FILE* output = _popen("\"\"" ORVAN_CLIPBOARD_READER_PATH "\"\"", "rb");
  if (output == nullptr) return report;
  for (char buffer[256]; std::fgets(buffer, sizeof buffer, output);) {
    std::string line = buffer;
    line.erase(line.find_last_not_of("\r\n") + 1);
    const std::size_t colon = line.find(": ");
    if (colon != std::string::npos) report[line.substr(0, colon)] = line.substr(colon + 2);
  }
  _pclose(output);
  return report;
}

TEST(GraphicsWin32, AnOwningPictureDeletesItsBitmapAtItsLastRelease) {
  const std::uint32_t grey[4] = {0x808080, 0x808080, 0x808080, 0x808080};
  const HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, grey);
  PictureRef picture = win32::Win32Graphics().CreatePictureFromBitmap(
      reinterpret_cast<Graphics::Bitmap>(bitmap), 0, true);
  ASSERT_NE(picture, nullptr);
  PictureRef second = picture;
  picture.reset();
  BITMAP info{};
  EXPECT_NE(GetObjectW(bitmap, sizeof info, &info), 0) << "deleted while referenced";
  second.reset();
  EXPECT_EQ(GetObjectW(bitmap, sizeof info, &info), 0);
}

// The face is pasted from a clipboard that holds the icon alone (this program carries the
// add-in's bitmaps), its background in the button face colour of the moment: the test's own.
TEST(IconsWin32, ThePastedFaceHasTheButtonFaceColourForItsBackground) {
  const int element = COLOR_BTNFACE;
  const COLORREF old_face = GetSysColor(element), face = RGB(0x20, 0x60, 0xA0);
  ASSERT_TRUE(SetSysColors(1, &element, &face));
  ASSERT_TRUE(win32::Win32Clipboard().SetText("vorher"));
  auto button = std::make_shared<sim::FakeObject>(std::make_shared<sim::FakeObjectWorld>(), "B");
  std::map<std::string, std::string> seen;
  button->OnCall("PasteFace", [&](const Args&) {
    seen = RunReader();
    return Value();
  });

  EXPECT_TRUE(PasteIconOnCommandbarButton(101, button));
  SetSysColors(1, &element, &old_face);
  EXPECT_EQ(seen["text"], "none");
  EXPECT_EQ(seen["bitmap"].substr(seen["bitmap"].find(' ') + 1), "2060A0") << seen["bitmap"];
}

}  // namespace
}  // namespace orvan::testing
