// The sinks the add-in advises at a host object's connection points (a button's Click, the
// command bars' OnUpdate).
#include "platform/win32/dispatch_internal_win32.h"

namespace orvan::win32 {
namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The sink a connection point calls: an IDispatch answering one event dispinterface, whose
// DISPID 1 is the event (Click with Ctrl and CancelDefault by reference, or OnUpdate). The
// connection cuts it off from its handler when it ends, so a late call reaches nobody.
class EventSinkDispatch final : public UntypedDispatch {
 public:
  EventSinkDispatch(const IID& events, EventInterface which, EventHandler handler)
      : events_(events), which_(which), handler_(std::move(handler)) {}

  void Disconnect() { handler_ = nullptr; }

  void* OtherInterface(REFIID riid) override {
    return IsEqualIID(riid, events_) ? static_cast<IDispatch*>(this) : nullptr;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                          DISPID* ids) override {
    if (ids == nullptr) return E_POINTER;
    for (UINT i = 0; i < count; ++i)
      ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO* info, UINT* bad_argument) override {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    const UINT count = params ? params->cArgs : 0;
    try {
      if (which_ == EventInterface::kCommandBarsEvents) {
        if (count != 0) return DISP_E_BADPARAMCOUNT;
        if (const EventHandler handler = handler_) handler("OnUpdate", {});
        return S_OK;
      }
      // Click(Ctrl, CancelDefault): the arguments arrive last to first.
      if (count != 2) return DISP_E_BADPARAMCOUNT;
      VARIANT& cancel = params->rgvarg[0];
      if (cancel.vt != (VT_BYREF | VT_BOOL) || cancel.pboolVal == nullptr) {
        if (bad_argument) *bad_argument = 0;
        return DISP_E_TYPEMISMATCH;
      }
      Value args[2] = {FromVariant(params->rgvarg[1]), Value(*cancel.pboolVal != VARIANT_FALSE)};
      // A copy: the handler may end this very connection.
      if (const EventHandler handler = handler_) handler("Click", args);
      *cancel.pboolVal = ToLong(args[1]) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    } catch (...) {
      FillExcepInfo(CurrentError(), info);
      return DISP_E_EXCEPTION;
    }
  }

 private:
  ~EventSinkDispatch() override = default;

  const IID& events_;
  EventInterface which_;
  EventHandler handler_;
};

// One advised sink; ending the connection unadvises it.
class PointConnection final : public EventConnection {
 public:
  PointConnection(ComPtr<IConnectionPoint> point, ComPtr<EventSinkDispatch> sink, DWORD cookie)
      : point_(std::move(point)), sink_(std::move(sink)), cookie_(cookie) {}
  ~PointConnection() override {
    sink_->Disconnect();
    point_->Unadvise(cookie_);
  }

 private:
  ComPtr<IConnectionPoint> point_;
  ComPtr<EventSinkDispatch> sink_;
  DWORD cookie_;
};

#pragma GCC diagnostic pop

}  // namespace

// The source's connection point for those events; null when it has none.
ComPtr<IConnectionPoint> FindPoint(IDispatch* source, EventInterface which) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(container.Receive()))) ||
      !container || FAILED(container->FindConnectionPoint(EventsIid(which), point.Receive()))) {
    return {};
  }
  return point;
}

std::unique_ptr<EventConnection> ConnectPoint(IDispatch* source, EventInterface which,
                                              EventHandler handler) {
  const IID& events = EventsIid(which);
  ComPtr<IConnectionPoint> point = FindPoint(source, which);
  if (!point) throw VbError::Runtime(vberr::kNoSuchEvents);
  auto sink =
      ComPtr<EventSinkDispatch>::Adopt(new EventSinkDispatch(events, which, std::move(handler)));
  DWORD cookie = 0;
  const HRESULT hr = point->Advise(sink.get(), &cookie);
  if (FAILED(hr)) throw MappedError(hr);
  return std::make_unique<PointConnection>(std::move(point), std::move(sink), cookie);
}

}  // namespace orvan::win32
