// Connection points of our objects: a client's sink advised there receives the object's events
// as Office raises them, Click(Ctrl, CancelDefault) and OnUpdate() as DISPID 1 of the sink.
#include "platform/win32/event_point_win32.h"

#include "platform/win32/dispatch_win32.h"

namespace orvan::win32 {

HRESULT EventPoint::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) {
    return E_NOINTERFACE;
  }
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT EventPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = EventsIid(which_);
  return S_OK;
}

HRESULT EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  container_->AddRef();
  *container = container_;
  return S_OK;
}

// The sink must answer the event dispinterface, as Office asks for it.
HRESULT EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  *cookie = 0;
  ComPtr<IDispatch> target;
  if (FAILED(sink->QueryInterface(EventsIid(which_), reinterpret_cast<void**>(target.Receive()))) ||
      !target) {
    return CONNECT_E_CANNOTCONNECT;
  }
  try {
    auto connection = object_->Connect(
        which_, [target](const std::string&, std::span<Value> args) { Raise(target, args); });
    const std::lock_guard<std::mutex> lock(mutex_);
    *cookie = ++last_cookie_;
    connections_[*cookie] = std::move(connection);
    return S_OK;
  } catch (...) {
    return CONNECT_E_CANNOTCONNECT;
  }
}

HRESULT EventPoint::Unadvise(DWORD cookie) {
  std::unique_ptr<EventConnection> ended;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = connections_.find(cookie);
    if (it == connections_.end()) return CONNECT_E_NOCONNECTION;
    ended = std::move(it->second);
    connections_.erase(it);
  }
  return S_OK;  // the connection ends outside the lock
}

HRESULT EventPoint::EnumConnections(IEnumConnections** connections) {
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

void EventPoint::Raise(const ComPtr<IDispatch>& target, std::span<Value> args) {
  ScopedVariant control;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT slots[2];
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  if (args.size() == 2) {
    ToVariant(args[0], control.Receive());
    cancel = ToLong(args[1]) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    slots[0].vt = VT_BYREF | VT_BOOL;  // arguments go last to first
    slots[0].pboolVal = &cancel;
    slots[1] = control.get();  // shallow: control keeps ownership
    params = DISPPARAMS{slots, nullptr, 2, 0};
  }
  ScopedExcepInfo info;
  const HRESULT hr = target->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    nullptr, &info, nullptr);
  if (args.size() == 2) args[1] = Value(cancel != VARIANT_FALSE);
  if (FAILED(hr)) throw ErrorFromResult(hr, &info);
}

}  // namespace orvan::win32
