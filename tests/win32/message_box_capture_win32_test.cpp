#include <gtest/gtest.h>

#include "platform/win32/win32.h"
#include "win32/message_box_capture_win32.h"

namespace orvan::testing {
namespace {

TEST(MessageBoxCaptureWin32, CapturesTitleTextAndStyleAndDismissesEachBox) {
  MessageBoxCapture capture;
  EXPECT_EQ(MessageBoxA(nullptr, "Fehler:\r\nkaputt", "Orvan pdf vatner Add-In", 48), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "Function X nicht gefunden!", "Orvan pdf vatner Add-In", 16),
            IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "info", "t", 64), IDOK);
  ASSERT_EQ(capture.boxes().size(), 3u);
  EXPECT_EQ(capture.boxes()[0].title, "Orvan pdf vatner Add-In");
  EXPECT_EQ(capture.boxes()[0].text, "Fehler:\r\nkaputt");
  EXPECT_EQ(capture.boxes()[0].style, 48u);
  EXPECT_EQ(capture.boxes()[1].text, "Function X nicht gefunden!");
  EXPECT_EQ(capture.boxes()[1].style, 16u);
  EXPECT_EQ(capture.boxes()[2].style, 64u);
}

TEST(MessageBoxCaptureWin32, AnswersOtherButtonSetsAsTold) {
  MessageBoxCapture capture;
  capture.AnswerWith(IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Save?", "q", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(capture.boxes().size(), 1u);
  EXPECT_EQ(capture.boxes()[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
}

TEST(MessageBoxCaptureWin32, NestedCapturesCollectSeparately) {
  MessageBoxCapture outer;
  {
    MessageBoxCapture inner;
    MessageBoxA(nullptr, "inner", "t", 0);
    EXPECT_EQ(inner.boxes().size(), 1u);
  }
  MessageBoxA(nullptr, "outer", "t", 0);
  ASSERT_EQ(outer.boxes().size(), 1u);
  EXPECT_EQ(outer.boxes()[0].text, "outer");
  EXPECT_EQ(outer.boxes()[0].style, 0u);
}

}  // namespace
}  // namespace orvan::testing
