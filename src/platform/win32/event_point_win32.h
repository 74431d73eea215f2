// A connection point of one of our objects for one event interface. It lives inside the object
// that serves it (its container), whose reference count it shares, as ATL's points do: a client
// may look the point up again to unadvise.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <span>

#include "platform/win32/com_win32.h"
#include "support/automation.h"

namespace orvan::win32 {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class EventPoint final : public IConnectionPoint {
 public:
  EventPoint(IConnectionPointContainer* container, ObjectRef object, EventInterface which)
      : container_(container), object_(std::move(object)), which_(which) {}
  EventPoint(const EventPoint&) = delete;
  EventPoint& operator=(const EventPoint&) = delete;

  EventInterface which() const { return which_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return container_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return container_->Release(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE
  GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

 private:
  // Calls the sink's DISPID 1 with the event's arguments (Ctrl, CancelDefault by reference) and
  // writes CancelDefault back; the sink's error is raised to the object that raised the event.
  static void Raise(const ComPtr<IDispatch>& target, std::span<Value> args);

  IConnectionPointContainer* container_;  // the owner, which outlives the point
  ObjectRef object_;
  EventInterface which_;
  std::mutex mutex_;
  DWORD last_cookie_ = 0;
  std::map<DWORD, std::unique_ptr<EventConnection>> connections_;
};

#pragma GCC diagnostic pop

}  // namespace orvan::win32
