// WordDesigner: Word's host controller as a public class.
#include "addin/com_classes_win32.h"
#include "addin/controller_object_win32.h"

namespace orvan::win32 {
namespace {

class WordDesigner final : public ControllerObject<_WordDesigner> {
 public:
  static constexpr const ClassIds& kIds = kWordDesignerIds;
  WordDesigner() : ControllerObject(kIds, AppKind::kWord) {}

  HRESULT STDMETHODCALLTYPE CheckIfDocumentIsAvailable(VARIANT_BOOL* available) override {
    return Run([&] {
      *available = controller_->CheckIfDocumentIsAvailable() ? VARIANT_TRUE : VARIANT_FALSE;
    });
  }
};

}  // namespace

HRESULT CreateWordDesigner(REFIID iid, void** out) noexcept {
  return CreateInstance<WordDesigner>(iid, out);
}

}  // namespace orvan::win32
