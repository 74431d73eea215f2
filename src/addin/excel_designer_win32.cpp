// ExcelDesigner: Excel's host controller as a public class, with the host's own print button.
#include "addin/com_classes_win32.h"
#include "addin/controller_object_win32.h"

namespace orvan::win32 {
namespace {

class ExcelDesigner final : public ControllerObject<_ExcelDesigner> {
 public:
  static constexpr const ClassIds& kIds = kExcelDesignerIds;
  ExcelDesigner() : ControllerObject(kIds, AppKind::kExcel) {}

  HRESULT STDMETHODCALLTYPE get_PrintButton(_CommandBarButton** button) override {
    return Run([&] { *button = ExposeButton(controller_->PrintButton()); });
  }
  HRESULT STDMETHODCALLTYPE putref_PrintButton(_CommandBarButton* button) override {
    return Run([&] { controller_->SetPrintButton(WrapDispatch(button)); });
  }
};

}  // namespace

HRESULT CreateExcelDesigner(REFIID iid, void** out) noexcept {
  return CreateInstance<ExcelDesigner>(iid, out);
}

}  // namespace orvan::win32
