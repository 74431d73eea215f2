#include "sim/officesim/macro_runner_win32.h"

#include <activscp.h>

#include <atomic>
#include <utility>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "platform/win32/wide_text_win32.h"

namespace orvan::sim {

using win32::ComPtr;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The host's side of the script engine: names the application object and the helper, and keeps
// the first error the engine reports. The engine object owns it and closes the engine first.
class MacroEngine::Site final : public IActiveScriptSite, public IActiveScriptSiteWindow {
 public:
  Site(IDispatch* application, IDispatch* sim, HWND window)
      : application_(ComPtr<IDispatch>::Share(application)),
        sim_(ComPtr<IDispatch>::Share(sim)),
        window_(window) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IActiveScriptSite))) {
      *out = static_cast<IActiveScriptSite*>(this);
    } else if (IsEqualIID(riid, __uuidof(IActiveScriptSiteWindow))) {
      *out = static_cast<IActiveScriptSiteWindow*>(this);  // MsgBox and InputBox need it
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }

  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE GetLCID(LCID* lcid) override {
    if (lcid) *lcid = LOCALE_USER_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                                        ITypeInfo** info) override {
    if (item) *item = nullptr;
    if (info) *info = nullptr;
    IDispatch* const object = name == nullptr                        ? nullptr
                              : lstrcmpiW(name, L"Application") == 0 ? application_.get()
                              : lstrcmpiW(name, L"Sim") == 0         ? sim_.get()
                                                                     : nullptr;
    if (object == nullptr || (mask & SCRIPTINFO_ITYPEINFO)) return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_IUNKNOWN) && item) {
      object->AddRef();
      *item = object;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override {
    if (version) *version = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
    if (error == nullptr || error_) return S_OK;
    win32::ScopedExcepInfo info;
    error->GetExceptionInfo(&info);
    MacroError found;
    const VbError vb = win32::ErrorFromResult(DISP_E_EXCEPTION, &info);
    found.number = vb.number();
    found.description = vb.description();
    found.source = vb.source();
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    if (SUCCEEDED(error->GetSourcePosition(&context, &line, &column))) {
      found.line = static_cast<int>(line) + 1;
    }
    win32::ScopedBstr text;
    if (SUCCEEDED(error->GetSourceLineText(text.Receive())))
      found.text = win32::BstrText(text.get());
    error_ = std::move(found);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

  std::optional<MacroError> error_;

 private:
  win32::ComPtr<IDispatch> application_;
  win32::ComPtr<IDispatch> sim_;
  HWND window_;
  std::atomic<ULONG> references_{1};
};

#pragma GCC diagnostic pop

struct MacroEngine::Parts {
  ComPtr<IActiveScript> engine;
  ComPtr<IActiveScriptParse> parser;
};

namespace {

MacroError EngineFailed(const char* step, HRESULT hr) {
  MacroError error;
  error.number = static_cast<std::int32_t>(hr);
  error.description = std::string("the script engine failed: ") + step;
  return error;
}

}  // namespace

MacroEngine::MacroEngine() : parts_(std::make_unique<Parts>()) {}

MacroEngine::~MacroEngine() {
  if (parts_->engine) parts_->engine->Close();
  parts_->parser.Reset();
  parts_->engine.Reset();
}

std::unique_ptr<MacroEngine> MacroEngine::Create(IDispatch* application, IDispatch* sim,
                                                 std::uintptr_t window, MacroError* error) {
  std::unique_ptr<MacroEngine> engine(new MacroEngine());
  engine->site_ = std::make_unique<Site>(application, sim, reinterpret_cast<HWND>(window));
  CLSID vbscript;
  HRESULT hr = CLSIDFromProgID(L"VBScript", &vbscript);
  if (FAILED(hr)) {
    *error = EngineFailed("VBScript is not registered", hr);
    return nullptr;
  }
  Parts& parts = *engine->parts_;
  hr = CoCreateInstance(vbscript, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript),
                        reinterpret_cast<void**>(parts.engine.Receive()));
  if (FAILED(hr)) {
    *error = EngineFailed("CoCreateInstance", hr);
    return nullptr;
  }
  hr = parts.engine->QueryInterface(__uuidof(IActiveScriptParse),
                                    reinterpret_cast<void**>(parts.parser.Receive()));
  if (SUCCEEDED(hr)) hr = parts.engine->SetScriptSite(engine->site_.get());
  if (SUCCEEDED(hr)) hr = parts.parser->InitNew();
  if (SUCCEEDED(hr)) hr = parts.engine->AddNamedItem(L"Application", SCRIPTITEM_ISVISIBLE);
  if (SUCCEEDED(hr) && sim) hr = parts.engine->AddNamedItem(L"Sim", SCRIPTITEM_ISVISIBLE);
  if (SUCCEEDED(hr)) hr = parts.engine->SetScriptState(SCRIPTSTATE_CONNECTED);
  if (FAILED(hr)) {
    *error = EngineFailed("set-up", hr);
    return nullptr;
  }
  return engine;
}

std::optional<MacroError> MacroEngine::Run(const std::string& code) {
  site_->error_.reset();
  const std::wstring text = win32::Widen(code);
  win32::ScopedExcepInfo info;  // the error also goes to the site, which reports it
  // In the connected engine the code runs as it is parsed; its declarations stay.
  const HRESULT hr = parts_->parser->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                                     SCRIPTTEXT_ISVISIBLE, nullptr, &info);
  if (site_->error_) return std::exchange(site_->error_, std::nullopt);
  if (FAILED(hr)) return EngineFailed("ParseScriptText", hr);
  return std::nullopt;
}

}  // namespace orvan::sim
