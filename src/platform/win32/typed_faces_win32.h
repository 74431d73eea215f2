// Typed faces of our objects: the Office interfaces an early-bound caller may ask one of our
// objects for (a host's application interface, the command bar button interface), with their
// declared members answered by name on the object. A face lives inside the object's IDispatch
// wrapper and shares its identity and reference count; its IDispatch is the wrapper's.
#pragma once

#include <utility>

#include "office_interfaces.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::win32 {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

template <typename Interface>
class TypedFace : public Interface {
 public:
  // The wrapper that holds the face and the object it serves; both outlive the face.
  TypedFace(IDispatch* outer, Object* object) : outer_(outer), object_(object) {}
  TypedFace(const TypedFace&) = delete;
  TypedFace& operator=(const TypedFace&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) final {
    return outer_->QueryInterface(riid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() final { return outer_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() final { return outer_->Release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) final {
    return outer_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) final {
    return outer_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) final {
    return outer_->GetIDsOfNames(riid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo,
                                   UINT* bad_argument) final {
    return outer_->Invoke(id, riid, locale, flags, params, result, excepinfo, bad_argument);
  }

 protected:
  // Runs a member's body with the wrapper held; an error becomes the member's result.
  template <typename Body>
  HRESULT Member(Body&& body) noexcept {
    const ComPtr<IDispatch> held = ComPtr<IDispatch>::Share(outer_);
    try {
      body(*object_);
      return S_OK;
    } catch (...) {
      try {
        return ReportError(CurrentError(), __uuidof(Interface));
      } catch (...) {
        return E_OUTOFMEMORY;
      }
    }
  }
  // A property read into an out-parameter of the interface's type.
  HRESULT GetText(const char* member, BSTR* value);
  HRESULT GetFlag(const char* member, VARIANT_BOOL* value);
  HRESULT GetLong(const char* member, long* value);
  HRESULT PutValue(const char* member, const Value& value);

 private:
  IDispatch* outer_;
  Object* object_;
};

// A host's application interface: its name.
template <typename Interface>
class ApplicationFace final : public TypedFace<Interface> {
 public:
  using TypedFace<Interface>::TypedFace;
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override { return this->GetText("Name", name); }
};

// A command bar button.
class ButtonFace final : public TypedFace<_CommandBarButton> {
 public:
  using TypedFace::TypedFace;
  HRESULT STDMETHODCALLTYPE get_Caption(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Tag(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Tag(BSTR value) override;
  HRESULT STDMETHODCALLTYPE Delete(VARIANT temporary) override;
  HRESULT STDMETHODCALLTYPE get_Style(long* value) override;
  HRESULT STDMETHODCALLTYPE put_Style(long value) override;
};

#pragma GCC diagnostic pop

}  // namespace orvan::win32
