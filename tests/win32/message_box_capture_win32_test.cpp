#include <gtest/gtest.h>

#include "platform/win32/win32.h"
#include "win32/message_box_capture_win32.h"

namespace orvan::testing {
namespace {

TEST(MessageBoxCaptureWin32, CapturesTitleTextAndStyleAndAnswersWithTheFirstButton) {
  struct Box {
    const char* text;
    const char* title;
    unsigned style;
    int answer;
  };
  const Box shown[] = {{"Fehler:\r\nkaputt", "Orvan pdf vatner Add-In", 48, IDOK},
                       {"Function X nicht gefunden!", "Orvan pdf vatner Add-In", 16, IDOK},
                       {"info", "t", 64, IDOK},
                       {"plain", "t", 0, IDOK},
                       {"Save?", "q", MB_YESNO | MB_ICONQUESTION, IDYES}};
  MessageBoxCapture outer;
  {
    MessageBoxCapture inner;  // a nested capture collects on its own
    for (const Box& box : shown)
      EXPECT_EQ(MessageBoxA(nullptr, box.text, box.title, box.style), box.answer) << box.text;
    ASSERT_EQ(inner.boxes().size(), std::size(shown));
    for (std::size_t i = 0; i < std::size(shown); ++i) {
      EXPECT_EQ(inner.boxes()[i].title, shown[i].title);
      EXPECT_EQ(inner.boxes()[i].text, shown[i].text);
      EXPECT_EQ(inner.boxes()[i].style, shown[i].style) << shown[i].text;
    }
  }
  MessageBoxA(nullptr, "outer", "t", 0);
  ASSERT_EQ(outer.boxes().size(), 1u);
  EXPECT_EQ(outer.boxes()[0].text, "outer");
}

}  // namespace
}  // namespace orvan::testing
