// Office's interfaces and events through the adapters. The identities of Office's interfaces, as
// Office's type libraries name them; our objects as a client meets them. Events of host objects
// through their connection points, as Office raises them: the adapter finds the point, advises its
// sink, delivers the event to the handler with CancelDefault written back, and unadvises when the
// connection ends. (Hosts served through both IDispatch adapters meet the add-in in the scenarios,
// which show whether a control is told a button.)
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "doubles/raised_error.h"
#include "office_interfaces.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "sim/office/fake_object.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

const IID& kButtonEvents = win32::kIidCommandBarButtonEvents;
const IID& kCommandBarsEvents = win32::kIidCommandBarsEvents;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// An event source with one connection point for one dispinterface, all in one object. It asks
// the sink for the dispinterface on Advise, as Office does, and raises DISPID 1; what the
// adapter does not call is not implemented.
class FakeEventSource final : public IDispatch,
                              public IConnectionPointContainer,
                              public IConnectionPoint {
 public:
  explicit FakeEventSource(const IID& events, HRESULT advise_result = S_OK)
      : events_(events), advise_result_(advise_result) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    *out = IsEqualIID(riid, IID_IConnectionPointContainer)
               ? static_cast<void*>(static_cast<IConnectionPointContainer*>(this))
           : IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)
               ? static_cast<IDispatch*>(this)
               : nullptr;
    if (*out) AddRef();
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    *point = IsEqualIID(riid, events_) ? this : nullptr;
    if (*point) AddRef();
    return *point ? S_OK : CONNECT_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* unknown, DWORD* cookie) override {
    if (FAILED(advise_result_)) return advise_result_;
    *cookie = 42;
    return SUCCEEDED(unknown->QueryInterface(events_, reinterpret_cast<void**>(sink.Receive())))
               ? S_OK
               : CONNECT_E_CANNOTCONNECT;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    unadvised.push_back(cookie);
    sink.Reset();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  // Raises the event: Click(Ctrl, CancelDefault) for buttons, OnUpdate() for the bars.
  HRESULT Raise(VARIANT_BOOL* cancel_default, EXCEPINFO* info) {
    VARIANT args[2];
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = cancel_default;
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = static_cast<IDispatch*>(this);
    DISPPARAMS params{args, nullptr, cancel_default ? 2u : 0u, 0};
    return sink->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, info,
                        nullptr);
  }

  std::atomic<ULONG> references{1};
  ComPtr<IDispatch> sink;
  std::vector<DWORD> unadvised;

 private:
  const IID& events_;
  HRESULT advise_result_;
};

#pragma GCC diagnostic pop

TEST(EventConnectionWin32, ClickReachesTheHandlerAndCancelDefaultComesBack) {
  FakeEventSource button(kButtonEvents);
  {
    const ObjectRef control = win32::WrapDispatch(&button);
    std::vector<std::string> seen;
    auto connection = control->Connect(EventInterface::kCommandBarButtonEvents,
                                       [&](const std::string& event, std::span<Value> args) {
                                         seen.push_back(event);
                                         ASSERT_EQ(args.size(), 2u);
                                         EXPECT_EQ(AsObject(args[0])->Kind(), AppKind::kOther);
                                         EXPECT_FALSE(ToLong(args[1]) != 0);
                                         args[1] = true;
                                       });
    ASSERT_TRUE(button.sink);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(button.Raise(&cancel, nullptr), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    EXPECT_EQ(seen, std::vector<std::string>{"Click"});

    // A sink kept by the source after the connection ended reaches nobody.
    const ComPtr<IDispatch> kept = button.sink;
    connection.reset();
    EXPECT_EQ(button.unadvised, std::vector<DWORD>{42});
    button.sink = kept;
    cancel = VARIANT_FALSE;
    EXPECT_EQ(button.Raise(&cancel, nullptr), S_OK);
    EXPECT_EQ(seen.size(), 1u);
    button.sink.Reset();
  }
  EXPECT_EQ(button.references, 1u);
}

// A handler's error reaches the source with its number (Basic's or a host's HRESULT),
// description and source.
TEST(EventConnectionWin32, OnUpdateAndHandlerErrorsGoBackToTheSource) {
  FakeEventSource bars(kCommandBarsEvents);
  const ObjectRef object = win32::WrapDispatch(&bars);
  const VbError errors[] = {{1004, "Nope", "Test"}, {-2147188160, "Invalid request", "PP"}};
  int updates = 0;
  auto connection = object->Connect(EventInterface::kCommandBarsEvents,
                                    [&](const std::string& event, std::span<Value> args) {
                                      EXPECT_EQ(event, "OnUpdate");
                                      EXPECT_TRUE(args.empty());
                                      if (updates++ > 0) throw errors[updates - 2];
                                    });
  EXPECT_EQ(bars.Raise(nullptr, nullptr), S_OK);
  for (const VbError& error : errors) {
    EXCEPINFO info{};
    EXPECT_EQ(bars.Raise(nullptr, &info), DISP_E_EXCEPTION);
    const VbError raised = win32::ErrorFromResult(DISP_E_EXCEPTION, &info);
    EXPECT_EQ(std::tuple(raised.number(), raised.description(), raised.source()),
              std::tuple(error.number(), error.description(), error.source()));
  }
  EXPECT_EQ(updates, 3);
}

TEST(EventConnectionWin32, ObjectsWithoutThoseEventsRefuse) {
  FakeEventSource bars(kCommandBarsEvents);
  FakeEventSource full(kButtonEvents, CONNECT_E_ADVISELIMIT);
  // Exposed by the adapter, raising no events.
  const auto exposed = ComPtr<IDispatch>::Adopt(win32::ExposeObject(
      std::make_shared<sim::FakeObject>(std::make_shared<sim::FakeObjectWorld>(), "P")));
  const std::tuple<const char*, IDispatch*, std::int32_t> cases[] = {
      {"no connection points", exposed.get(), vberr::kNoSuchEvents},
      {"other events only", &bars, vberr::kNoSuchEvents},
      {"advise refused", &full, static_cast<std::int32_t>(CONNECT_E_ADVISELIMIT)}};
  for (const auto& [what, source, number] : cases) {
    const ObjectRef object = win32::WrapDispatch(source);
    EXPECT_EQ(ErrorNumberOf([&] {
                object->Connect(EventInterface::kCommandBarButtonEvents,
                                [](const std::string&, std::span<Value>) {});
              }),
              number)
        << what;
  }
  EXPECT_EQ(bars.references, 1u);
  EXPECT_EQ(full.references, 1u);
}

template <typename Interface>
ComPtr<Interface> Query(IUnknown* object, const IID& iid, HRESULT* hr = nullptr) {
  ComPtr<Interface> face;
  const HRESULT result = object->QueryInterface(iid, reinterpret_cast<void**>(face.Receive()));
  if (hr) *hr = result;
  return face;
}

// Our objects raise their events through connection points: the points enumerated are the ones
// found by interface (to unadvise there), a sink must answer the event dispinterface, and
// CancelDefault set by the handler comes back to the object that raised the event.
TEST(EventConnectionWin32, OurObjectsRaiseTheirEventsThroughConnectionPoints) {
  EventHandler raise;
  auto button = std::make_shared<sim::FakeObject>(std::make_shared<sim::FakeObjectWorld>(), "B");
  button->OnConnect(EventInterface::kCommandBarButtonEvents, [&](EventHandler handler) {
    raise = std::move(handler);
    return std::make_unique<EventConnection>();
  });
  const auto exposed = ComPtr<IDispatch>::Adopt(win32::ExposeObject(button));
  const auto container =
      Query<IConnectionPointContainer>(exposed.get(), IID_IConnectionPointContainer);
  ASSERT_TRUE(container);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.Receive()), S_OK);
  ComPtr<IConnectionPoint> point, listed, past_end, none;
  ASSERT_EQ(container->FindConnectionPoint(kButtonEvents, point.Receive()), S_OK);
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(1, listed.Receive(), &fetched), S_OK);
  EXPECT_EQ(listed.get(), point.get());
  EXPECT_EQ(points->Next(1, past_end.Receive(), &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(container->FindConnectionPoint(kCommandBarsEvents, none.Receive()),
            CONNECT_E_NOCONNECTION);
  FakeEventSource plain(kCommandBarsEvents);  // a sink without the button events
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(static_cast<IDispatch*>(&plain), &cookie), CONNECT_E_CANNOTCONNECT);

  auto connection = win32::WrapDispatch(exposed.get())
                        ->Connect(EventInterface::kCommandBarButtonEvents,
                                  [](const std::string& event, std::span<Value> args) {
                                    EXPECT_EQ(event, "Click");
                                    EXPECT_EQ(ToText(Get(AsObject(args[0]), "Tag")), "Start");
                                    args[1] = true;
                                  });
  button->Field("Tag", Value(std::string("Start")));
  Value args[2] = {Value(ObjectRef(button)), Value(false)};
  raise("Click", args);
  EXPECT_EQ(args[1], Value(true));
}

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

// Our objects as a client meets them: one COM identity per object however often it is handed
// out (Basic's Is), and the application and button interfaces only as typed faces that work
// through their vtables.
TEST(ObjectDispatchWin32, OneIdentityAndTypedFaces) {
  const auto world = std::make_shared<sim::FakeObjectWorld>();
  const auto word = std::make_shared<sim::FakeObject>(world, "Application", AppKind::kWord);
  word->Field("Name", Value(std::string("Microsoft Word")));
  const auto button = std::make_shared<sim::FakeObject>(world, "Button");
  button->Field("Caption", Value(std::string("Start")))
      .Implement(OfficeInterface::kCommandBarButton);

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
}

}  // namespace
}  // namespace orvan::testing
