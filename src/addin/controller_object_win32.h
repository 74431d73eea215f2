// The three host controllers as COM classes: the members their interfaces share, over the
// portable HostController. Excel adds PrintButton and Word CheckIfDocumentIsAvailable.
#pragma once

#include <memory>

#include "OrvanpdfVtAddin.h"
#include "addin/com_object_win32.h"
#include "hosts/host_controller.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::win32 {

// A command bar button for an out-parameter typed _CommandBarButton; nothing, or an object that
// is no button, gives null: reading the controller's buttons never fails.
inline _CommandBarButton* ExposeButton(const ObjectRef& button) {
  const auto dispatch = ComPtr<IDispatch>::Adopt(ExposeObject(button));
  _CommandBarButton* typed = nullptr;
  if (dispatch) {
    dispatch->QueryInterface(kIidCommandBarButton, reinterpret_cast<void**>(&typed));
  }
  return typed;
}

template <typename Interface>
class ControllerObject : public ComObject<Interface> {
 public:
  explicit ControllerObject(const ClassIds& ids, AppKind host)
      : ComObject<Interface>(ids.iid), controller_(HostController::Create(host)) {}

  HRESULT STDMETHODCALLTYPE get_RegistryNotUsable(VARIANT_BOOL* value) override {
    return Run([&] { *value = controller_->RegistryNotUsable() ? VARIANT_TRUE : VARIANT_FALSE; });
  }
  HRESULT STDMETHODCALLTYPE get_GlobalhWnd(VARIANT* value) override {
    return Run([&] { ToVariant(controller_->GlobalhWnd(), value); });
  }
  HRESULT STDMETHODCALLTYPE put_GlobalhWnd(VARIANT value) override {
    return Run([&] { controller_->SetGlobalhWnd(FromVariant(value)); });
  }
  HRESULT STDMETHODCALLTYPE get_AppInstance(IDispatch** value) override {
    return Run([&] { *value = ExposeObject(controller_->AppInstance()); });
  }
  HRESULT STDMETHODCALLTYPE putref_AppInstance(IDispatch* value) override {
    return Run([&] { controller_->SetAppInstance(WrapDispatch(value)); });
  }
  HRESULT STDMETHODCALLTYPE get_Menubar(VARIANT* value) override {
    return Run([&] { ToVariant(controller_->Menubar(), value); });
  }
  HRESULT STDMETHODCALLTYPE put_Menubar(VARIANT value) override {
    return Run([&] { controller_->SetMenubar(FromVariant(value)); });
  }
  HRESULT STDMETHODCALLTYPE get_ToolbarButtons(short* index, _CommandBarButton** value) override {
    return Run([&] { *value = ExposeButton(controller_->ToolbarButtons(Value(*index))); });
  }
  HRESULT STDMETHODCALLTYPE get_MenubarButtons(short* index, _CommandBarButton** value) override {
    return Run([&] { *value = ExposeButton(controller_->MenubarButtons(Value(*index))); });
  }
  HRESULT STDMETHODCALLTYPE Initialize() override {
    return Run([&] { controller_->Initialize(); });
  }
  HRESULT STDMETHODCALLTYPE BtnEvents_Click(_CommandBarButton* ctrl,
                                            VARIANT_BOOL* cancel_default) override {
    if (cancel_default == nullptr) return E_POINTER;
    return Run([&] {
      bool cancel = *cancel_default != VARIANT_FALSE;
      controller_->BtnEvents_Click(WrapDispatch(ctrl), cancel);
      *cancel_default = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE DoInit(IDispatch* application, ext_ConnectMode connect_mode,
                                   VARIANT addin_inst) override {
    return Run([&] {
      controller_->DoInit(WrapDispatch(application), Value(static_cast<std::int32_t>(connect_mode)),
                          FromVariant(addin_inst));
    });
  }
  HRESULT STDMETHODCALLTYPE DoDeInit(ext_DisconnectMode remove_mode) override {
    return Run([&] { controller_->DoDeInit(Value(static_cast<std::int32_t>(remove_mode))); });
  }

 protected:
  template <typename Body>
  HRESULT Run(Body&& body) {
    return this->RunHeld(this->DefaultIid(), std::forward<Body>(body));
  }

  std::shared_ptr<HostController> controller_;
};

}  // namespace orvan::win32
