// Button faces: a bitmap resource of the add-in module with its magenta background in the
// system's button-face colour, pasted onto a command bar button through the clipboard.
#pragma once

#include <cstdint>

#include "support/automation.h"
#include "support/platform.h"

namespace orvan {

inline constexpr std::uint32_t kMagenta = 0x00FF00FF;
inline constexpr int kColorButtonFace = 15;

// Puts the bitmap's picture on the clipboard and on the button's face with PasteFace. True when
// the face is on the button; the clipboard then holds the icon and nothing of before.
bool PasteIconOnCommandbarButton(std::int16_t bitmap_id, const ObjectRef& button) noexcept;

// A picture that owns the bitmap; nullptr when none could be made.
PictureRef CreatePictureFromBitmap(Graphics::Bitmap bitmap, Graphics::Palette palette);

}  // namespace orvan
