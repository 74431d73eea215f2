// Connection points of our objects: a client's sink advised there receives the object's events
// as Office raises them, Click(Ctrl, CancelDefault) and OnUpdate() as DISPID 1 of the sink.
#include <map>
#include <memory>
#include <mutex>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::win32 {
namespace {


class EventPoint final : public SingleInterfaceObject<IConnectionPoint, IID_IConnectionPoint> {
 public:
  EventPoint(IConnectionPointContainer* container, ObjectRef object, EventInterface which)
      : container_(ComPtr<IConnectionPointContainer>::Share(container)),
        object_(std::move(object)),
        which_(which) {}

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) return E_POINTER;
    *iid = Events();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE
  GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (container == nullptr) return E_POINTER;
    *container = ComPtr<IConnectionPointContainer>(container_).Detach();
    return S_OK;
  }
  // The sink must answer the event dispinterface, as Office asks for it.
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> target;
    if (FAILED(sink->QueryInterface(Events(), reinterpret_cast<void**>(target.Receive()))) ||
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
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
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
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
  }

 private:
  ~EventPoint() override = default;

  const IID& Events() const { return EventsIid(which_); }

  // Calls the sink's DISPID 1 with the event's arguments (Ctrl, CancelDefault by reference) and
  // writes CancelDefault back; the sink's error is raised to the object that raised the event.
  static void Raise(const ComPtr<IDispatch>& target, std::span<Value> args) {
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
    EXCEPINFO info{};
    const HRESULT hr = target->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                      nullptr, &info, nullptr);
    if (args.size() == 2) args[1] = Value(cancel != VARIANT_FALSE);
    if (FAILED(hr)) throw ErrorFromResult(hr, &info);
  }

  ComPtr<IConnectionPointContainer> container_;
  ObjectRef object_;
  EventInterface which_;
  std::mutex mutex_;
  DWORD last_cookie_ = 0;
  std::map<DWORD, std::unique_ptr<EventConnection>> connections_;
};


}  // namespace

IConnectionPoint* NewEventPoint(IConnectionPointContainer* container, ObjectRef object,
                                EventInterface which) {
  return new EventPoint(container, std::move(object), which);  // owns itself by its references
}

}  // namespace orvan::win32
