#include "commandbars/icons.h"

#include <array>

#include "support/profile.h"
#include "support/trace.h"

namespace orvan {
namespace {

// The colour map handed to CreateMappedBitmap, set anew at every call.
std::array<Graphics::ColorMap, 1>& IconColorMap() {
  static thread_local std::array<Graphics::ColorMap, 1> map;
  return map;
}

Clipboard& SystemClipboard() {
  return *CurrentPlatform().clipboard;
}

}  // namespace

PictureRef CreatePictureFromBitmap(Graphics::Bitmap bitmap, Graphics::Palette palette) {
  return CurrentPlatform().graphics->CreatePictureFromBitmap(bitmap, palette, true);
}

bool PasteIconOnCommandbarButton(std::int16_t bitmap_id, const ObjectRef& button) noexcept {
  const profile::Phase phase("faces");
  WriteTrace("PasteIconOnCommandbarButton start");
  SystemClipboard().Clear();  // a clipboard that cannot be emptied does not stop the paste
  try {
    Graphics& graphics = *CurrentPlatform().graphics;
    IconColorMap()[0] = {kMagenta, graphics.SysColor(kColorButtonFace)};
    WriteTrace("Clipboard SetData");
    const Graphics::Bitmap bitmap = graphics.CreateMappedBitmap(bitmap_id, 0, IconColorMap());
    const PictureRef picture = CreatePictureFromBitmap(bitmap, 0);
    if (!picture) throw VbError::Runtime(vberr::kObjectNotSet);
    if (!SystemClipboard().SetPicture(*picture)) {
      throw VbError::Runtime(vberr::kCannotOpenClipboard);
    }
    WriteTrace("PasteFace");
    Call(button, "PasteFace");
    WriteTrace("PasteIconOnCommandbarButton end");
    return true;
  } catch (const VbError&) {
    WriteTrace("PasteIconOnCommandbarButton failed");
    return false;
  }
}

}  // namespace orvan
