// What every COM class of the server shares: the server's count of live objects and factory
// locks, the identities of the classes, the type information of their interfaces from the
// library's own type library, the error path back to the client, and a base class for an object
// whose default interface is dual.
#pragma once

#include <atomic>

#include "OrvanpdfVtAddin.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "platform/win32/win32.h"
#include "support/automation.h"

namespace orvan::win32 {

// {CLSID, default interface} of the seven classes, as the type library declares them.
struct ClassIds {
  const CLSID& clsid;
  const IID& iid;
};
inline constexpr ClassIds kAddinIds = {CLSID_Addin, IID__Addin};
inline constexpr ClassIds kDsrExcelIds = {CLSID_dsrPdfVtAddinExcel, IID__dsrPdfVtAddinExcel};
inline constexpr ClassIds kDsrPowerpointIds = {CLSID_dsrPdfVtAddinPowerpoint,
                                               IID__dsrPdfVtAddinPowerpoint};
inline constexpr ClassIds kDsrWordIds = {CLSID_dsrPdfVtAddinWord, IID__dsrPdfVtAddinWord};
inline constexpr ClassIds kExcelDesignerIds = {CLSID_ExcelDesigner, IID__ExcelDesigner};
inline constexpr ClassIds kPowerPointDesignerIds = {CLSID_PowerPointDesigner,
                                                    IID__PowerPointDesigner};
inline constexpr ClassIds kWordDesignerIds = {CLSID_WordDesigner, IID__WordDesigner};

// Objects alive and class factory locks held; the library may be unloaded at zero.
void ServerLock() noexcept;
void ServerUnlock() noexcept;

// The type information of an interface of the library's own type library, or of one that it
// refers to through an imported library, loaded from the TYPELIB resource of the module that
// holds this code, once per thread. Null with the failure when there is none.
HRESULT OwnTypeInfo(REFIID iid, ITypeInfo** out) noexcept;

// Runs a method's body; whatever it raises becomes the method's result (see ReportError in
// dispatch_win32.h).
template <typename Body>
HRESULT Guarded(REFIID iid, Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    try {
      return ReportError(CurrentError(), iid);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
}

// Creates an object of class T (created by its default constructor) and hands out the interface
// asked for; an error of the constructor becomes the result.
template <typename T>
HRESULT CreateInstance(REFIID iid, void** out) noexcept {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  T* object = nullptr;
  const HRESULT created = Guarded(T::kIds.iid, [&] { object = new T(); });
  if (FAILED(created)) return created;
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

// COM interfaces have no virtual destructor; these objects delete themselves in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The IDispatch of one dual interface, served through its type information: member names,
// DISPIDs, optional and by-reference arguments as the type library declares them. Members the
// library does not have go to the by-name face, when the object has one.
template <typename Interface>
class DispatchThroughTypeInfo : public Interface {
 public:
  explicit DispatchThroughTypeInfo(const IID& iid) : iid_(iid) {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) final {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) final {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return OwnTypeInfo(iid_, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) final {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    ComPtr<ITypeInfo> info;
    HRESULT hr = OwnTypeInfo(iid_, info.Receive());
    if (FAILED(hr)) return hr;
    // A member of the interface is looked up there with its argument names, so that a name it
    // does not take is unknown; only members the interface lacks go to the by-name face.
    if (count > 0 && FAILED(info->GetIDsOfNames(names, 1, ids)) && by_name_) {
      return by_name_->GetIDsOfNames(IID_NULL, names, count, locale, ids);
    }
    return info->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo,
                                   UINT* bad_argument) final {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    HRESULT hr = OwnTypeInfo(iid_, info.Receive());
    if (FAILED(hr)) return hr;
    SetErrorInfo(0, nullptr);  // only an error of this call reaches EXCEPINFO
    hr = info->Invoke(static_cast<Interface*>(this), id, flags, params, result, excepinfo,
                      bad_argument);
    if (hr == DISP_E_MEMBERNOTFOUND && by_name_) {
      hr = by_name_->Invoke(id, riid, locale, flags, params, result, excepinfo, bad_argument);
    }
    return hr;
  }

 protected:
  const IID& iid() const { return iid_; }
  // Members answered by name besides the interface's own (the object holds the reference).
  void SetByName(IDispatch* by_name) { by_name_ = by_name; }

 private:
  const IID& iid_;
  IDispatch* by_name_ = nullptr;
};

// An object of ours with its default interface and the other dual interfaces it implements (each
// a DispatchThroughTypeInfo): reference counting, the server's live-object count, and
// QueryInterface for IUnknown, IDispatch, the default interface, ISupportErrorInfo and what
// OtherInterface() adds.
template <typename Default, typename... Others>
class ComObject : public DispatchThroughTypeInfo<Default>,
                  public Others...,
                  public ISupportErrorInfo {
 public:
  explicit ComObject(const IID& iid) : DispatchThroughTypeInfo<Default>(iid) { ServerLock(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) final {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, DefaultIid())) {
      *out = static_cast<Default*>(this);
    } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else {
      *out = OtherInterface(riid);
    }
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() final { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() final {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) final {
    return SupportsErrorInfo(riid) ? S_OK : S_FALSE;
  }

 protected:
  virtual ~ComObject() { ServerUnlock(); }
  // Runs a method's body (see Guarded) with the object held until it returns: a client may
  // release it meanwhile, from a message loop that the body runs.
  template <typename Body>
  HRESULT RunHeld(REFIID iid, Body&& body) noexcept {
    AddRef();
    const HRESULT hr = Guarded(iid, std::forward<Body>(body));
    Release();
    return hr;
  }
  // Another interface the object answers (this, cast to it), or null.
  virtual void* OtherInterface(REFIID) { return nullptr; }
  // The interfaces whose failures come with error information.
  virtual bool SupportsErrorInfo(REFIID riid) const { return IsEqualIID(riid, DefaultIid()); }
  const IID& DefaultIid() const { return DispatchThroughTypeInfo<Default>::iid(); }
  // Names the default interface lacks, answered by name.
  void SetDefaultByName(IDispatch* by_name) {
    DispatchThroughTypeInfo<Default>::SetByName(by_name);
  }

 private:
  std::atomic<ULONG> references_{1};
};

#pragma GCC diagnostic pop

}  // namespace orvan::win32
