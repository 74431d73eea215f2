// The toolbar and menu built in a fake Word reached through IDispatch, with the real clipboard
// and the DLL's own bitmaps: the user's clipboard survives the faces pasted through it.
#include <gtest/gtest.h>

#include <optional>

#include "commandbars/command_bar_names.h"
#include "commandbars/menu.h"
#include "commandbars/toolbar.h"
#include "doubles/office_fixture.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "platform/win32/platform_win32.h"
#include "support/language.h"
#include "sim/officesim/clipboard_face_win32.h"
#include "win32/bitmap_pixels_win32.h"

namespace orvan::testing {
namespace {

class CommandBarsWin32 : public OfficeTest {
 protected:
  CommandBarsWin32() : addin_(LoadLibraryA(ORVAN_ADDIN_DLL_PATH)) {
    // The doubles but for the system's clipboard and bitmaps.
    platform_ = fakes_.platform();
    platform_.graphics = win32::Win32Platform().graphics;
    platform_.clipboard = win32::Win32Platform().clipboard;
    scope_.emplace(platform_);
    SetLanguage(1);
    fakes_.strings.table = {{1000, "Start"}, {1001, "Config"}};
    fakes_.office->clipboard_face = sim::ClipboardFace;
  }
  ~CommandBarsWin32() override {
    SetLanguage(0);
    if (addin_) FreeLibrary(addin_);
  }

  HMODULE addin_;
  Platform platform_;
  std::optional<ScopedPlatform> scope_;
};

TEST_F(CommandBarsWin32, TheUsersPictureAndTextComeBackAfterButtonsGotTheirFaces) {
  ASSERT_NE(addin_, nullptr) << "cannot load " << ORVAN_ADDIN_DLL_PATH;
  Clipboard& clipboard = *platform_.clipboard;
  ASSERT_TRUE(clipboard.Clear());
  {
    const PictureRef users = win32::BitmapPicture(SolidBitmap(5, 3, 0xC81E1E), nullptr, true);
    ASSERT_TRUE(users && clipboard.SetPicture(*users));
  }
  ASSERT_TRUE(clipboard.SetText("Notiz für später"));

  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  const auto dispatch = win32::ComPtr<IDispatch>::Adopt(win32::ExposeObject(word.application()));
  const ObjectRef application = win32::WrapDispatch(dispatch.get());
  const std::vector<ObjectRef> buttons = CreateAddInCommandBarButton(application, {}, {});
  const std::vector<ObjectRef> items = CreateAddInCommandBarMenu(application, {}, {}, "Menu Bar");
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_TRUE(buttons[0] && buttons[1] && items[0] && items[1]);

  // Each control took a 16 x 16 face from the clipboard; the user's things are back.
  const sim::FakeBar* toolbar =
      fakes_.office->command_bars(sim::HostType::kWord)->Bar(kToolbarName);
  ASSERT_NE(toolbar, nullptr);
  for (const auto& button : toolbar->controls->items) {
    ASSERT_TRUE(button->face.has_value());
    EXPECT_EQ(button->face->substr(0, 5), "16x16");
  }
  EXPECT_EQ(sim::ClipboardFace(), "5x3 #C81E1E");
  EXPECT_EQ(clipboard.GetText(), "Notiz für später");
  clipboard.Clear();
}

}  // namespace
}  // namespace orvan::testing
