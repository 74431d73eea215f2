// The three add-in designers as COM classes: their default interface and IDTExtensibility2 over
// the portable AddinDesigner, created with its controller as the host's creation does. Besides
// their interface's members, their IDispatch answers the designer's names by name ("DoInit",
// "DoDeInit" and the click handlers), which is how the automation class Addin reaches them.
#pragma once

#include <memory>

#include "OrvanpdfVtAddin.h"
#include "addin/com_object_win32.h"
#include "addin/designer.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::win32 {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// IDTExtensibility2's IDispatch, through its type information in the add-in designer library.
class ExtensibilityFace : public DispatchThroughTypeInfo<IDTExtensibility2> {
 public:
  ExtensibilityFace() : DispatchThroughTypeInfo(IID_IDTExtensibility2) {}
};

template <typename Interface>
class AddinDesignerObject : public ComObject<Interface, ExtensibilityFace> {
 public:
  AddinDesignerObject(const ClassIds& ids, AppKind host)
      : ComObject<Interface, ExtensibilityFace>(ids.iid), designer_(AddinDesigner::Create(host)) {
    designer_->AddinInstance_Initialize();
    by_name_ = ComPtr<IDispatch>::Adopt(ExposeObject(designer_));
    this->SetDefaultByName(by_name_.get());
  }

  HRESULT STDMETHODCALLTYPE AddinInstance_Initialize() override {
    return Run([](AddinDesigner& d) { d.AddinInstance_Initialize(); });
  }

  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode connect_mode,
                                         IDispatch* addin_inst, SAFEARRAY**) override {
    return RunExtensibility([&](AddinDesigner& d) {
      d.IDTExtensibility2_OnConnection(WrapDispatch(application),
                                       Value(static_cast<std::int32_t>(connect_mode)),
                                       WrapDispatch(addin_inst));
    });
  }
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode remove_mode, SAFEARRAY**) override {
    return RunExtensibility([&](AddinDesigner& d) {
      d.IDTExtensibility2_OnDisconnection(Value(static_cast<std::int32_t>(remove_mode)));
    });
  }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override {
    return RunExtensibility([](AddinDesigner& d) { d.IDTExtensibility2_OnAddInsUpdate(); });
  }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override {
    return RunExtensibility([](AddinDesigner& d) { d.IDTExtensibility2_OnStartupComplete(); });
  }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override {
    return RunExtensibility([](AddinDesigner& d) { d.IDTExtensibility2_OnBeginShutdown(); });
  }

 protected:
  void* OtherInterface(REFIID riid) override {
    return IsEqualIID(riid, IID_IDTExtensibility2) ? static_cast<IDTExtensibility2*>(this)
                                                   : nullptr;
  }
  // Runs a method's body on the designer. The object and its designer are held until the body
  // returns: the host may release them meanwhile, from a message loop the body runs.
  template <typename Body>
  HRESULT Run(Body&& body) {
    return RunFor(this->DefaultIid(), std::forward<Body>(body));
  }
  // IDTExtensibility2's failures carry error information of that interface.
  template <typename Body>
  HRESULT RunExtensibility(Body&& body) {
    return RunFor(IID_IDTExtensibility2, std::forward<Body>(body));
  }
  template <typename Body>
  HRESULT RunFor(REFIID iid, Body&& body) {
    return this->RunHeld(iid, [&] {
      const std::shared_ptr<AddinDesigner> designer = designer_;
      body(*designer);
    });
  }
  bool SupportsErrorInfo(REFIID riid) const override {
    return IsEqualIID(riid, IID_IDTExtensibility2) ||
           ComObject<Interface, ExtensibilityFace>::SupportsErrorInfo(riid);
  }
  // A click handler by its vtable: the control and CancelDefault written back.
  HRESULT Click(void (AddinDesigner::*handler)(const ObjectRef&, bool&), _CommandBarButton* ctrl,
                VARIANT_BOOL* cancel_default) {
    if (cancel_default == nullptr) return E_POINTER;
    return Run([&](AddinDesigner& d) {
      bool cancel = *cancel_default != VARIANT_FALSE;
      (d.*handler)(WrapDispatch(ctrl), cancel);
      *cancel_default = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    });
  }

  std::shared_ptr<AddinDesigner> designer_;
  ComPtr<IDispatch> by_name_;
};

#pragma GCC diagnostic pop

}  // namespace orvan::win32
