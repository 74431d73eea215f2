// Addin: the automation class a macro drives the add-in with. The designer it makes is the COM
// class of the host's designer, reached by name like any object a macro holds.
#include "addin/addin.h"

#include "OrvanpdfVtAddin.h"
#include "addin/com_classes_win32.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::win32 {
namespace {

// The designer class of a host, created through its class's creator.
ObjectRef MakeDesigner(AppKind host) {
  const Creator creators[] = {nullptr, CreateDsrPdfVtAddinWord, CreateDsrPdfVtAddinExcel,
                              CreateDsrPdfVtAddinPowerpoint};
  const Creator create = creators[static_cast<int>(host)];
  if (create == nullptr) throw VbError::Runtime(vberr::kInvalidProcedureCall);
  ComPtr<IDispatch> designer;
  const HRESULT hr = create(IID_IDispatch, reinterpret_cast<void**>(designer.Receive()));
  if (FAILED(hr)) throw ErrorFromResult(hr, nullptr);
  return WrapDispatch(designer.get());
}

class AddinObject final : public ComObject<_Addin> {
 public:
  static constexpr const ClassIds& kIds = kAddinIds;
  AddinObject() : ComObject(kIds.iid), addin_(MakeDesigner) {}

  HRESULT STDMETHODCALLTYPE get_AddinDsr(VARIANT* value) override {
    return Run([&] { ToVariant(addin_.AddinDsr(), value); });
  }
  HRESULT STDMETHODCALLTYPE put_AddinDsr(VARIANT value) override {
    return Run([&] { addin_.SetAddinDsr(FromVariant(value)); });
  }
  HRESULT STDMETHODCALLTYPE putref_AddinDsr(VARIANT value) override {
    return Run([&] { addin_.SetAddinDsr(FromVariant(value)); });
  }
  HRESULT STDMETHODCALLTYPE Init(VARIANT* app) override {
    return Run([&] { addin_.Init(FromVariant(*app)); });
  }
  HRESULT STDMETHODCALLTYPE DeInit(VARIANT* app) override {
    return Run([&] { addin_.DeInit(FromVariant(*app)); });
  }
  HRESULT STDMETHODCALLTYPE PushButtonEvent(VARIANT* app, CommandBarControl** ctl) override {
    return Run([&] { addin_.PushButtonEvent(FromVariant(*app), Value(WrapDispatch(*ctl))); });
  }

 private:
  template <typename Body>
  HRESULT Run(Body&& body) {
    return RunHeld(kIds.iid, std::forward<Body>(body));
  }

  Addin addin_;
};

}  // namespace

HRESULT CreateAddin(REFIID iid, void** out) noexcept {
  return CreateInstance<AddinObject>(iid, out);
}

}  // namespace orvan::win32
