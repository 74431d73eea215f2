// dsrPdfVtAddinExcel: the add-in as Excel loads it.
#include "addin/addin_designer_object_win32.h"
#include "addin/com_classes_win32.h"

namespace orvan::win32 {
namespace {

class DsrPdfVtAddinExcel final : public AddinDesignerObject<_dsrPdfVtAddinExcel> {
 public:
  static constexpr const ClassIds& kIds = kDsrExcelIds;
  DsrPdfVtAddinExcel() : AddinDesignerObject(kIds, AppKind::kExcel) {}
};

}  // namespace

HRESULT CreateDsrPdfVtAddinExcel(REFIID iid, void** out) noexcept {
  return CreateInstance<DsrPdfVtAddinExcel>(iid, out);
}

}  // namespace orvan::win32
