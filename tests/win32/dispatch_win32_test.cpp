// Both IDispatch adapters together: a fake command bar control exposed as a real IDispatch and
// reached through the product's adapter, and the identities of Office's interfaces. Hosts served
// this way meet the add-in in the scenarios (officesim), which cover the rest of the round trip.
#include <gtest/gtest.h>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "sim/office/fake_object.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

TEST(DispatchWin32, CommandBarButtonsAreTold) {
  for (const bool is_button : {true, false}) {
    auto control =
        std::make_shared<sim::FakeObject>(std::make_shared<sim::FakeObjectWorld>(), "Control");
    if (is_button) control->Implement(OfficeInterface::kCommandBarButton);
    const auto dispatch = ComPtr<IDispatch>::Adopt(win32::ExposeObject(control));
    ComPtr<IUnknown> button;
    EXPECT_EQ(dispatch->QueryInterface(win32::kIidCommandBarButton,
                                       reinterpret_cast<void**>(button.Receive())),
              is_button ? S_OK : E_NOINTERFACE);  // the expected answer tells which
    EXPECT_EQ(win32::WrapDispatch(dispatch.get())->Implements(OfficeInterface::kCommandBarButton),
              is_button);
  }
}

// The interfaces that tell the hosts and a button apart, as Office's type libraries name them.
TEST(DispatchIdsWin32, OfficeInterfaceIdentities) {
  const std::pair<const IID*, const wchar_t*> ids[] = {
      {&win32::kIidWordApplication, L"{00020970-0000-0000-C000-000000000046}"},
      {&win32::kIidExcelApplication, L"{000208D5-0000-0000-C000-000000000046}"},
      {&win32::kIidPowerPointApplication, L"{91493442-5A91-11CF-8700-00AA0060263B}"},
      {&win32::kIidCommandBarButton, L"{000C030E-0000-0000-C000-000000000046}"},
      {&win32::kIidCommandBarButtonEvents, L"{000C0351-0000-0000-C000-000000000046}"},
      {&win32::kIidCommandBarsEvents, L"{000C0352-0000-0000-C000-000000000046}"}};
  for (const auto& [iid, text] : ids) {
    wchar_t written[40];
    ASSERT_GT(StringFromGUID2(*iid, written, 40), 0);
    EXPECT_STREQ(written, text);
  }
}

}  // namespace
}  // namespace orvan::testing
