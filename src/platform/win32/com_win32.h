// RAII owners for COM references, BSTRs, VARIANTs and registry keys, with Receive() for
// out-parameters.
#pragma once

#include <atomic>
#include <string>
#include <utility>

#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"

namespace orvan::win32 {

// Holds one reference to a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller owns.
  static ComPtr Adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Adds a reference of its own.
  static ComPtr Share(T* p) {
    if (p) p->AddRef();
    return Adopt(p);
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For an out-parameter that receives a new reference.
  T** Receive() {
    Reset();
    return &p_;
  }
  // Hands the reference to the caller.
  T* Detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

class ScopedBstr {
 public:
  ScopedBstr() = default;
  explicit ScopedBstr(const std::wstring& text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr() { SysFreeString(bstr_); }

  BSTR get() const { return bstr_; }
  BSTR* Receive() {
    SysFreeString(std::exchange(bstr_, nullptr));
    return &bstr_;
  }
  BSTR Detach() { return std::exchange(bstr_, nullptr); }

 private:
  BSTR bstr_ = nullptr;
};

// An EXCEPINFO whose texts are freed with it (ErrorFromResult takes them out first).
struct ScopedExcepInfo : EXCEPINFO {
  ScopedExcepInfo() : EXCEPINFO{} {}
  ScopedExcepInfo(const ScopedExcepInfo&) = delete;
  ScopedExcepInfo& operator=(const ScopedExcepInfo&) = delete;
  ~ScopedExcepInfo() {
    SysFreeString(bstrDescription);
    SysFreeString(bstrSource);
    SysFreeString(bstrHelpFile);
  }
};

class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { VariantClear(&v_); }

  const VARIANT& get() const { return v_; }
  VARIANT* Receive() {
    VariantClear(&v_);
    return &v_;
  }
  // Hands the contents to the caller, leaving this empty.
  VARIANT Detach() {
    VARIANT v = v_;
    VariantInit(&v_);
    return v;
  }

 private:
  VARIANT v_;
};

// An open registry key, closed with its owner.
class ScopedKey {
 public:
  ScopedKey() = default;
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  ~ScopedKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }
  HKEY* Receive() {
    if (key_) RegCloseKey(std::exchange(key_, nullptr));
    return &key_;
  }

 private:
  HKEY key_ = nullptr;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The objects of this module built on SingleInterfaceObject alive (class factories, event sinks,
// objects handed out as IDispatch); a server's classes hold a server lock instead. A server whose
// objects a client still holds must not be unloaded.
inline std::atomic<long> g_live_module_objects{0};
inline long LiveModuleObjects() noexcept {
  return g_live_module_objects.load();
}

// A COM object answering IUnknown and its interface (and what OtherInterface adds), which
// deletes itself with its last reference. Counted in LiveModuleObjects while it lives.
template <typename Interface, const IID& kIid>
class SingleInterfaceObject : public Interface {
 public:
  SingleInterfaceObject() noexcept { ++g_live_module_objects; }
  SingleInterfaceObject(const SingleInterfaceObject&) = delete;
  SingleInterfaceObject& operator=(const SingleInterfaceObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIid) ? static_cast<Interface*>(this)
                                                                    : OtherInterface(riid);
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~SingleInterfaceObject() { --g_live_module_objects; }
  // A new reference unless the last one is already gone (the object is being destroyed).
  bool TryAddRef() noexcept {
    ULONG count = references_.load();
    while (count != 0) {
      if (references_.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
  }
  // Another interface the object answers (this, cast to it; no reference added), or null.
  virtual void* OtherInterface(REFIID) { return nullptr; }

 private:
  std::atomic<ULONG> references_{1};
};

#pragma GCC diagnostic pop

// A BSTR's text in UTF-8.
inline std::string BstrText(BSTR text) {
  return text ? Narrow(std::wstring_view(text, SysStringLen(text))) : std::string();
}

}  // namespace orvan::win32
