// The real clipboard and OLE pictures: what the add-in puts is witnessed by another process
// (the clipboard reader), and the button-face paste leaves the mapped icon there.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "commandbars/icons.h"
#include "platform/win32/platform_win32.h"
#include "sim/office/fake_object.h"
#include "win32/bitmap_pixels_win32.h"

namespace orvan::testing {
namespace {

// Runs the clipboard reader with its argument and returns its report by line name ("text",
// "bitmap"), with "exit" holding its exit code.
std::map<std::string, std::string> RunReader(const std::string& argument = "") {
  std::map<std::string, std::string> report;
  const std::string command =
      std::string("\"\"") + ORVAN_CLIPBOARD_READER_PATH + "\" " + argument + "\"";
  FILE* output = _popen(command.c_str(), "rb");
  if (output == nullptr) return report;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, output)) {
    std::string line = buffer;
    line.erase(line.find_last_not_of("\r\n") + 1);
    const std::size_t colon = line.find(": ");
    if (colon != std::string::npos) report[line.substr(0, colon)] = line.substr(colon + 2);
  }
  report["exit"] = std::to_string(_pclose(output));
  return report;
}

TEST(ClipboardWin32, WhatIsPutIsSeenByAnotherProcessUntilCleared) {
  win32::Win32Clipboard clipboard;
  ASSERT_TRUE(clipboard.Clear());
  {
    const PictureRef picture =
        win32::BitmapPicture(SolidBitmap(4, 3, 0x1E90C8), nullptr, /*own=*/true);
    ASSERT_NE(picture, nullptr);
    EXPECT_TRUE(clipboard.SetPicture(*picture));
  }  // the clipboard keeps its own copy of the released picture's bitmap
  EXPECT_TRUE(clipboard.SetText("Grüße aus Köln"));

  auto seen = RunReader();
  EXPECT_EQ(seen["text"], "\"Grüße aus Köln\"");
  EXPECT_EQ(seen["bitmap"], "4x3 1E90C8");
  // Reading back is the command bars' test: the user's picture and text return after the faces.

  ASSERT_TRUE(clipboard.Clear());
  seen = RunReader();
  EXPECT_EQ(seen["text"], "none");
  EXPECT_EQ(seen["bitmap"], "none");
  EXPECT_EQ(clipboard.GetPicture(), nullptr);
  EXPECT_EQ(clipboard.GetText(), "");

  // An empty text is a text all the same.
  EXPECT_TRUE(clipboard.SetText(""));
  EXPECT_EQ(RunReader()["text"], "\"\"");
}

TEST(ClipboardWin32, ContentsOutliveTheProcessThatPutThem) {
  ASSERT_EQ(RunReader("put")["exit"], "0");
  auto seen = RunReader();
  EXPECT_EQ(seen["text"], "\"Übergabe\"");  // what the reader puts
  EXPECT_EQ(seen["bitmap"], "3x2 3C5A78");
}

TEST(GraphicsWin32, OnlyAnOwningPictureDeletesItsBitmapAtItsLastRelease) {
  win32::Win32Graphics graphics;
  for (const bool own : {true, false}) {
    SCOPED_TRACE(own ? "owning" : "not owning");
    const HBITMAP bitmap = SolidBitmap(2, 2, 0x808080);
    PictureRef picture =
        graphics.CreatePictureFromBitmap(reinterpret_cast<Graphics::Bitmap>(bitmap), 0, own);
    ASSERT_NE(picture, nullptr);
    PictureRef second = picture;
    picture.reset();
    BITMAP info{};
    EXPECT_NE(GetObjectW(bitmap, sizeof info, &info), 0) << "deleted while referenced";
    second.reset();
    EXPECT_EQ(GetObjectW(bitmap, sizeof info, &info) != 0, !own);
    if (!own) DeleteObject(bitmap);
  }
}

// The add-in DLL loaded for its bitmap resources, and a button face colour of the test's own
// that is put back afterwards.
class IconsWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    dll_ = LoadLibraryA(ORVAN_ADDIN_DLL_PATH);
    ASSERT_NE(dll_, nullptr) << "error " << GetLastError();
    old_face_ = GetSysColor(COLOR_BTNFACE);
    SetFace(RGB(0x20, 0x60, 0xA0));  // shown as 2060A0
  }
  void TearDown() override {
    if (old_face_) SetFace(*old_face_);
    if (dll_) FreeLibrary(dll_);
  }
  static void SetFace(COLORREF colour) {
    const int element = COLOR_BTNFACE;
    ASSERT_TRUE(SetSysColors(1, &element, &colour));
  }

  HMODULE dll_ = nullptr;
  std::optional<COLORREF> old_face_;
};

TEST_F(IconsWin32, ThePastedFaceHasTheButtonFaceColourForItsBackground) {
  win32::Win32Clipboard clipboard;
  ASSERT_TRUE(clipboard.SetText("vorher"));
  auto world = std::make_shared<sim::FakeObjectWorld>();
  auto button = std::make_shared<sim::FakeObject>(world, "Button");
  std::map<std::string, std::string> seen;
  button->OnCall("PasteFace", [&](const Args&) {
    seen = RunReader();
    return Value();
  });

  EXPECT_TRUE(PasteIconOnCommandbarButton(101, button));
  EXPECT_EQ(seen["text"], "none");
  const std::string bitmap = seen["bitmap"];
  EXPECT_EQ(bitmap.substr(bitmap.find(' ') + 1), "2060A0") << bitmap;
}

}  // namespace
}  // namespace orvan::testing
