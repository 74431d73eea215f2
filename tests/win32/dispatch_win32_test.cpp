// The identities of Office's interfaces, as Office's type libraries name them: the hosts, a
// button and the events. Hosts served through both IDispatch adapters meet the add-in in the
// scenarios (officesim), which show whether a control is told a button.
#include <gtest/gtest.h>

#include "platform/win32/dispatch_win32.h"

namespace orvan::testing {
namespace {

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
