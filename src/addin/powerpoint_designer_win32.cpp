// PowerPointDesigner: PowerPoint's host controller as a public class. Its DoDeInit takes
// RemoveMode as a required argument (the type library says so; a call without it fails there).
#include "addin/com_classes_win32.h"
#include "addin/controller_object_win32.h"

namespace orvan::win32 {
namespace {

class PowerPointDesigner final : public ControllerObject<_PowerPointDesigner> {
 public:
  static constexpr const ClassIds& kIds = kPowerPointDesignerIds;
  PowerPointDesigner() : ControllerObject(kIds, AppKind::kPowerPoint) {}
};

}  // namespace

HRESULT CreatePowerPointDesigner(REFIID iid, void** out) noexcept {
  return CreateInstance<PowerPointDesigner>(iid, out);
}

}  // namespace orvan::win32
