// Events of host objects through their connection points, as Office raises them: the adapter
// finds the point, advises its sink, delivers the event to the handler with CancelDefault written
// back, and unadvises when the connection ends.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <tuple>
#include <vector>

#include "doubles/raised_error.h"
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
  const auto plain =
      std::make_shared<sim::FakeObject>(std::make_shared<sim::FakeObjectWorld>(), "P");
  const auto exposed = ComPtr<IDispatch>::Adopt(win32::ExposeObject(plain));
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

// Our objects raise their events through connection points: a sink must answer the event
// dispinterface, the point found again is the same (to unadvise there), and CancelDefault set by
// the handler comes back to the object that raised the event.
TEST(EventConnectionWin32, OurObjectsRaiseTheirEventsThroughConnectionPoints) {
  EventHandler raise;
  auto button = std::make_shared<sim::FakeObject>(std::make_shared<sim::FakeObjectWorld>(), "B");
  button->OnConnect(EventInterface::kCommandBarButtonEvents, [&](EventHandler handler) {
    raise = std::move(handler);
    return std::make_unique<EventConnection>();
  });
  const auto exposed = ComPtr<IDispatch>::Adopt(win32::ExposeObject(button));
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(exposed->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(container.Receive())),
            S_OK);
  ComPtr<IConnectionPoint> point, again, none;
  ASSERT_EQ(container->FindConnectionPoint(kButtonEvents, point.Receive()), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(kButtonEvents, again.Receive()), S_OK);
  EXPECT_EQ(point.get(), again.get());
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

}  // namespace
}  // namespace orvan::testing
