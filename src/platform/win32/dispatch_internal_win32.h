// What the IDispatch client, the objects of ours served as IDispatch and the event sinks they
// advise share.
#pragma once

#include <memory>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::win32 {

// The run-time error Basic raises for a failed call's HRESULT.
VbError MappedError(HRESULT hr);

// An object of ours as a new IDispatch reference, the same COM identity while a client holds it.
IDispatch* ServeObject(const ObjectRef& object);

// The source's connection point for the events; null when it has none.
ComPtr<IConnectionPoint> FindPoint(IDispatch* source, EventInterface which);
// Advises a sink at the source's point that calls the handler for each event; ending the
// connection unadvises it. Raises Basic's error when the source has no such point or refuses.
std::unique_ptr<EventConnection> ConnectPoint(IDispatch* source, EventInterface which,
                                              EventHandler handler);

// COM interfaces have no virtual destructor; the object deletes itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// An IDispatch of ours without type information: reference counting, QueryInterface for
// IUnknown, IDispatch and what the derived class adds, and no type info.
class UntypedDispatch : public SingleInterfaceObject<IDispatch, IID_IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
};

#pragma GCC diagnostic pop

}  // namespace orvan::win32
