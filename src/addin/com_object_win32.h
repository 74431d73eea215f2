// What every COM class of the server shares: the server's count of live objects and factory
// locks, the identities of the classes, the type information of their interfaces from the
// library's own type library, the error path back to the client, and a base class for an object
// whose default interface is dual.
#pragma once

#include <atomic>

#include "platform/win32/com_win32.h"
#include "platform/win32/win32.h"
#include "support/automation.h"

namespace orvan::win32 {

// {CLSID, default interface} of the seven classes.
struct ClassIds {
  CLSID clsid;
  IID iid;
};
inline constexpr ClassIds kAddinIds = {
    {0x22A03E1D, 0x5747, 0x4F3C, {0xA3, 0xB0, 0x71, 0x8E, 0xBA, 0xC5, 0xCB, 0x60}},
    {0x955D02B4, 0xBFA3, 0x4956, {0xAE, 0xAA, 0xA9, 0x83, 0x7E, 0xBF, 0xDC, 0x49}}};
inline constexpr ClassIds kDsrExcelIds = {
    {0x20E545B0, 0x613F, 0x4AF2, {0xAC, 0xC8, 0xC7, 0x76, 0xFC, 0x3E, 0x9E, 0xFC}},
    {0xADCAAC4E, 0xECC4, 0x4660, {0x99, 0x92, 0x6B, 0x49, 0x45, 0x08, 0xA3, 0x31}}};
inline constexpr ClassIds kDsrPowerpointIds = {
    {0xD76F6F12, 0xB1B9, 0x4C98, {0x85, 0x00, 0x17, 0x15, 0x21, 0x04, 0xA4, 0x72}},
    {0x82E499ED, 0x554B, 0x46DB, {0xA0, 0x82, 0xF0, 0x78, 0xC6, 0x58, 0xEB, 0xB0}}};
inline constexpr ClassIds kDsrWordIds = {
    {0x5AE15024, 0x866A, 0x4778, {0x82, 0xEB, 0x68, 0xF5, 0x16, 0xE4, 0x5D, 0xF5}},
    {0x94800EBA, 0x8B22, 0x40BB, {0x9C, 0x35, 0xA7, 0x26, 0x05, 0x04, 0x19, 0x4F}}};
inline constexpr ClassIds kExcelDesignerIds = {
    {0xA21C133D, 0xABA4, 0x434F, {0xAB, 0xAA, 0xFD, 0xDC, 0x5E, 0xC1, 0xCB, 0xC8}},
    {0x8122E544, 0x3BB9, 0x4D13, {0x8F, 0x51, 0x2A, 0x69, 0x44, 0xE7, 0x45, 0x64}}};
inline constexpr ClassIds kPowerPointDesignerIds = {
    {0xF680BF36, 0x87A9, 0x4C09, {0xA5, 0x3F, 0x25, 0x2B, 0x6E, 0xD6, 0xFA, 0x2F}},
    {0x311C4353, 0xD396, 0x4E14, {0xB4, 0xE5, 0xFF, 0x0A, 0x4D, 0xD0, 0x44, 0xBA}}};
inline constexpr ClassIds kWordDesignerIds = {
    {0x5C7BA2AE, 0xFFFC, 0x40EC, {0x85, 0x73, 0xBB, 0xEB, 0xD7, 0x4F, 0x11, 0x77}},
    {0x322CD265, 0xFE0C, 0x4E69, {0x9E, 0xA6, 0x62, 0xAF, 0xDA, 0xA7, 0x9A, 0xD1}}};

// Objects alive and class factory locks held; the library may be unloaded at zero.
void ServerLock() noexcept;
void ServerUnlock() noexcept;
bool ServerInUse() noexcept;

// The type information of an interface of the library's own type library, or of one that it
// refers to through an imported library, loaded from the TYPELIB resource of the module that
// holds this code, once per thread. Null with the failure when there is none.
HRESULT OwnTypeInfo(REFIID iid, ITypeInfo** out) noexcept;

// The result a method returns for an error: Basic's run-time errors as 0x800A0000 | number,
// other numbers (HRESULTs) as they are, with description and source set as the thread's error
// information for the interface, where OLE Automation's dispatch takes them into EXCEPINFO.
HRESULT ReportError(const VbError& error, REFIID iid) noexcept;

// Runs a method's body; whatever it raises becomes the method's result (see ReportError).
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
// DISPIDs, optional and by-reference arguments as the type library declares them. Names the
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
    if (SUCCEEDED(hr)) hr = info->GetIDsOfNames(names, count, ids);
    if (FAILED(hr) && by_name_) hr = by_name_->GetIDsOfNames(IID_NULL, names, count, locale, ids);
    return hr;
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
