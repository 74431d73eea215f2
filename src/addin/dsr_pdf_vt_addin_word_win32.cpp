// dsrPdfVtAddinWord: the add-in as Word loads it, with its two button handlers public.
#include "addin/addin_designer_object_win32.h"
#include "addin/com_classes_win32.h"

namespace orvan::win32 {
namespace {

class DsrPdfVtAddinWord final : public AddinDesignerObject<_dsrPdfVtAddinWord> {
 public:
  static constexpr const ClassIds& kIds = kDsrWordIds;
  DsrPdfVtAddinWord() : AddinDesignerObject(kIds, AppKind::kWord) {}

  HRESULT STDMETHODCALLTYPE p_mctlBtnEvents_Click(_CommandBarButton* ctrl,
                                                  VARIANT_BOOL* cancel_default) override {
    return Click(&AddinDesigner::p_mctlBtnEvents_Click, ctrl, cancel_default);
  }
  HRESULT STDMETHODCALLTYPE p_mctlBtnEvents2_Click(_CommandBarButton* ctrl,
                                                   VARIANT_BOOL* cancel_default) override {
    return Click(&AddinDesigner::p_mctlBtnEvents2_Click, ctrl, cancel_default);
  }
};

}  // namespace

HRESULT CreateDsrPdfVtAddinWord(REFIID iid, void** out) noexcept {
  return CreateInstance<DsrPdfVtAddinWord>(iid, out);
}

}  // namespace orvan::win32
