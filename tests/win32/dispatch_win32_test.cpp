// The identities of Office's interfaces, as Office's type libraries name them: the hosts, a
// button and the events. Hosts served through both IDispatch adapters meet the add-in in the
// scenarios (officesim), which show whether a control is told a button.
#include <gtest/gtest.h>

#include "office_interfaces.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "sim/office/fake_object.h"

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

using win32::ComPtr;

template <typename Interface>
ComPtr<Interface> Query(IUnknown* object, const IID& iid, HRESULT* hr = nullptr) {
  ComPtr<Interface> face;
  const HRESULT result = object->QueryInterface(iid, reinterpret_cast<void**>(face.Receive()));
  if (hr) *hr = result;
  return face;
}

// Our objects as a client meets them: one COM identity per object however often it is handed
// out (Basic's Is), the application and button interfaces only as typed faces that work through
// their vtables, and the connection points enumerated.
TEST(ObjectDispatchWin32, OneIdentityTypedFacesAndEnumeratedPoints) {
  const auto world = std::make_shared<sim::FakeObjectWorld>();
  const auto word = std::make_shared<sim::FakeObject>(world, "Application", AppKind::kWord);
  word->Field("Name", Value(std::string("Microsoft Word")));
  const auto button = std::make_shared<sim::FakeObject>(world, "Button");
  button->Field("Caption", Value(std::string("Start")))
      .Implement(OfficeInterface::kCommandBarButton);
  button->OnConnect(EventInterface::kCommandBarButtonEvents,
                    [](EventHandler) { return std::make_unique<EventConnection>(); });

  const auto first = ComPtr<IDispatch>::Adopt(win32::ExposeObject(word));
  const auto again = ComPtr<IDispatch>::Adopt(win32::ExposeObject(word));
  EXPECT_EQ(Query<IUnknown>(first.get(), IID_IUnknown).get(),
            Query<IUnknown>(again.get(), IID_IUnknown).get());

  const auto application = Query<_WordApplication>(first.get(), win32::kIidWordApplication);
  ASSERT_TRUE(application);
  win32::ScopedBstr name;
  EXPECT_EQ(application->get_Name(name.Receive()), S_OK);
  EXPECT_EQ(win32::BstrText(name.get()), "Microsoft Word");
  EXPECT_EQ(Query<IUnknown>(application.get(), IID_IUnknown).get(),
            Query<IUnknown>(first.get(), IID_IUnknown).get());
  HRESULT hr = S_OK;
  for (const IID* other : {&win32::kIidExcelApplication, &win32::kIidCommandBarButton}) {
    EXPECT_FALSE(Query<IUnknown>(first.get(), *other, &hr));
    EXPECT_EQ(hr, E_NOINTERFACE);
  }

  const auto exposed = ComPtr<IDispatch>::Adopt(win32::ExposeObject(button));
  const auto typed = Query<_CommandBarButton>(exposed.get(), win32::kIidCommandBarButton);
  ASSERT_TRUE(typed);
  EXPECT_EQ(typed->put_Caption(win32::ScopedBstr(L"Los").get()), S_OK);
  EXPECT_EQ(ToText(button->Get("Caption", {})), "Los");
  long style = 0;
  EXPECT_EQ(typed->get_Style(&style), MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 438));

  const auto container =
      Query<IConnectionPointContainer>(exposed.get(), IID_IConnectionPointContainer);
  ASSERT_TRUE(container);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.Receive()), S_OK);
  ComPtr<IConnectionPoint> found, listed, past_end;
  ASSERT_EQ(container->FindConnectionPoint(win32::kIidCommandBarButtonEvents, found.Receive()),
            S_OK);
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(1, listed.Receive(), &fetched), S_OK);
  EXPECT_EQ(listed.get(), found.get());
  EXPECT_EQ(points->Next(1, past_end.Receive(), &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

}  // namespace
}  // namespace orvan::testing
