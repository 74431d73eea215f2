#include "sim/officesim/macro_runner_win32.h"

#include <activscp.h>

#include <atomic>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "platform/win32/wide_text_win32.h"

namespace orvan::sim {
namespace {

using win32::ComPtr;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The host's side of the script engine: names the application object and keeps the first
// error the engine reports. It lives on the caller's stack, longer than the engine holds it.
class MacroSite final : public IActiveScriptSite, public IActiveScriptSiteWindow {
 public:
  MacroSite(IDispatch* application, HWND window) : application_(application), window_(window) {}

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
    if (name == nullptr || lstrcmpiW(name, L"Application") != 0) return TYPE_E_ELEMENTNOTFOUND;
    if (mask & SCRIPTINFO_ITYPEINFO) return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_IUNKNOWN) && item) {
      application_->AddRef();
      *item = application_;
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
  IDispatch* application_;
  HWND window_;
  std::atomic<ULONG> references_{1};
};

#pragma GCC diagnostic pop

}  // namespace

std::optional<MacroError> RunMacro(const std::string& code, IDispatch* application,
                                   std::uintptr_t window) {
  MacroSite site(application, reinterpret_cast<HWND>(window));
  auto failed = [](const char* step, HRESULT hr) {
    MacroError error;
    error.number = static_cast<std::int32_t>(hr);
    error.description = std::string("the script engine failed: ") + step;
    return error;
  };
  CLSID vbscript;
  HRESULT hr = CLSIDFromProgID(L"VBScript", &vbscript);
  if (FAILED(hr)) return failed("VBScript is not registered", hr);
  ComPtr<IActiveScript> engine;
  hr = CoCreateInstance(vbscript, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript),
                        reinterpret_cast<void**>(engine.Receive()));
  if (FAILED(hr)) return failed("CoCreateInstance", hr);
  ComPtr<IActiveScriptParse> parser;
  hr = engine->QueryInterface(__uuidof(IActiveScriptParse),
                              reinterpret_cast<void**>(parser.Receive()));
  if (SUCCEEDED(hr)) hr = engine->SetScriptSite(&site);
  if (SUCCEEDED(hr)) hr = parser->InitNew();
  if (SUCCEEDED(hr)) hr = engine->AddNamedItem(L"Application", SCRIPTITEM_ISVISIBLE);
  if (FAILED(hr)) {
    engine->Close();
    return failed("set-up", hr);
  }
  const std::wstring text = win32::Widen(code);
  win32::ScopedExcepInfo info;  // the error also goes to the site, which reports it
  hr = parser->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE,
                               nullptr, &info);
  if (SUCCEEDED(hr)) engine->SetScriptState(SCRIPTSTATE_CONNECTED);
  engine->Close();
  parser.Reset();
  engine.Reset();
  if (site.error_) return site.error_;
  if (FAILED(hr)) return failed("ParseScriptText", hr);
  return std::nullopt;
}

}  // namespace orvan::sim
