// The server's shared parts: the count that DllCanUnloadNow reads, the type information of our
// interfaces from the library's own type library, the error path, and the one class factory
// that serves every class of the table.
#include <cstddef>
#include <mutex>
#include <utility>
#include <vector>

#include "addin/com_classes_win32.h"
#include "addin/com_object_win32.h"
#include "platform/win32/platform_win32.h"
#include "support/thread_state.h"

namespace orvan::win32 {
namespace {

std::atomic<long> g_server_locks{0};
// Held while a class object is handed out and while DllCanUnloadNow decides and frees the
// per-thread state, so that no thread can start on a state that is about to go.
std::mutex g_server_mutex;

// The library's type library and the type information taken from it, per thread, kept with the
// modules' other per-thread state and released with it when the server may unload.
struct TypeInfoCache {
  ComPtr<ITypeLib> library;
  std::vector<std::pair<IID, ComPtr<ITypeInfo>>> infos;
};

HRESULT LoadOwnTypeLib(ITypeLib** library) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(OwnModule(), path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TYPE_E_CANTLOADLIBRARY;
  return LoadTypeLibEx(path, REGKIND_NONE, library);
}

// An interface the library refers to (IDTExtensibility2): through the classes' references.
HRESULT FindReferenced(ITypeLib* library, REFIID iid, ITypeInfo** out) {
  for (UINT i = 0, n = library->GetTypeInfoCount(); i < n; ++i) {
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(i, info.Receive()))) continue;
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) continue;
    const WORD implemented = attributes->typekind == TKIND_COCLASS ? attributes->cImplTypes : 0;
    info->ReleaseTypeAttr(attributes);
    for (UINT j = 0; j < implemented; ++j) {
      HREFTYPE ref = 0;
      ComPtr<ITypeInfo> face;
      if (FAILED(info->GetRefTypeOfImplType(j, &ref)) ||
          FAILED(info->GetRefTypeInfo(ref, face.Receive())) ||
          FAILED(face->GetTypeAttr(&attributes))) {
        continue;
      }
      const bool found = IsEqualIID(attributes->guid, iid);
      face->ReleaseTypeAttr(attributes);
      if (found) {
        *out = face.Detach();
        return S_OK;
      }
    }
  }
  return TYPE_E_ELEMENTNOTFOUND;
}

}  // namespace

void ServerLock() noexcept {
  ++g_server_locks;
}

void ServerUnlock() noexcept {
  --g_server_locks;
}

HRESULT CanUnloadNow() noexcept {
  const std::lock_guard lock(g_server_mutex);
  if (g_server_locks != 0 || LiveModuleObjects() != 0) return S_FALSE;
  ReleaseThreadStates();
  return S_OK;
}

HRESULT OwnTypeInfo(REFIID iid, ITypeInfo** out) noexcept {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  try {
    TypeInfoCache& cache = PerThread<TypeInfoCache>();
    for (const auto& [known, info] : cache.infos) {
      if (IsEqualIID(known, iid)) {
        *out = ComPtr<ITypeInfo>(info).Detach();
        return S_OK;
      }
    }
    if (!cache.library) {
      const HRESULT hr = LoadOwnTypeLib(cache.library.Receive());
      if (FAILED(hr)) return hr;
    }
    ComPtr<ITypeInfo> info;
    HRESULT hr = cache.library->GetTypeInfoOfGuid(iid, info.Receive());
    if (FAILED(hr)) hr = FindReferenced(cache.library.get(), iid, info.Receive());
    if (FAILED(hr)) return hr;
    cache.infos.emplace_back(iid, info);
    *out = info.Detach();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The class object of one class of the table. A factory counts as a live object while a client
// holds it, and LockServer holds the server on top.
class ClassFactory final : public SingleInterfaceObject<IClassFactory, IID_IClassFactory> {
 public:
  explicit ClassFactory(const ClassEntry& entry) : entry_(entry) { ServerLock(); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return entry_.create(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ServerLock();
    } else {
      ServerUnlock();
    }
    return S_OK;
  }

 private:
  ~ClassFactory() override { ServerUnlock(); }

  const ClassEntry& entry_;
};

#pragma GCC diagnostic pop

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const std::lock_guard lock(g_server_mutex);
  for (const ClassEntry& entry : kClasses) {
    if (!IsEqualCLSID(clsid, entry.ids.clsid)) continue;
    auto* factory = new (std::nothrow) ClassFactory(entry);
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace orvan::win32
