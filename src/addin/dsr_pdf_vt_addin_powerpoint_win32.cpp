// dsrPdfVtAddinPowerpoint: the add-in as PowerPoint loads it.
#include "addin/addin_designer_object_win32.h"
#include "addin/com_classes_win32.h"

namespace orvan::win32 {
namespace {

class DsrPdfVtAddinPowerpoint final : public AddinDesignerObject<_dsrPdfVtAddinPowerpoint> {
 public:
  static constexpr const ClassIds& kIds = kDsrPowerpointIds;
  DsrPdfVtAddinPowerpoint() : AddinDesignerObject(kIds, AppKind::kPowerPoint) {}
};

}  // namespace

HRESULT CreateDsrPdfVtAddinPowerpoint(REFIID iid, void** out) noexcept {
  return CreateInstance<DsrPdfVtAddinPowerpoint>(iid, out);
}

}  // namespace orvan::win32
