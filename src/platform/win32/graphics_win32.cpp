// System colours, mapped bitmap resources of the add-in module and OLE pictures of bitmaps.
#include <cstddef>
#include <memory>

#include "platform/win32/platform_win32.h"

namespace orvan::win32 {

// The colour map goes to comctl32 as it is.
static_assert(sizeof(Graphics::ColorMap) == sizeof(COLORMAP));
static_assert(offsetof(Graphics::ColorMap, from) == offsetof(COLORMAP, from));
static_assert(offsetof(Graphics::ColorMap, to) == offsetof(COLORMAP, to));

#if !defined(_WIN64)
// The picture description has the layout 32-bit OLE expects.
static_assert(sizeof(PICTDESC) == 20);
#endif

PictureRef BitmapPicture(HBITMAP bitmap, HPALETTE palette, bool own) {
  PICTDESC description{};
  description.cbSizeofstruct = sizeof(PICTDESC);
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  description.bmp.hpal = palette;
  ComPtr<IPicture> picture;
  // Only whether a picture came back counts, not the status.
  OleCreatePictureIndirect(&description, IID_IPicture, own ? TRUE : FALSE,
                           reinterpret_cast<void**>(picture.Receive()));
  if (!picture) return nullptr;
  try {
    return std::make_shared<Win32Picture>(std::move(picture));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::uint32_t Win32Graphics::SysColor(int index) {
  return GetSysColor(index);
}

Graphics::Bitmap Win32Graphics::CreateMappedBitmap(std::int32_t resource_id, unsigned flags,
                                                   std::span<const ColorMap> map) {
  const HMODULE module = OwnModule();
  if (module == nullptr) return 0;
  // comctl32 only reads the map; its parameter is not declared const.
  auto* entries = reinterpret_cast<COLORMAP*>(const_cast<ColorMap*>(map.data()));
  const HBITMAP bitmap = ::CreateMappedBitmap(
      module, resource_id, flags, map.empty() ? nullptr : entries, static_cast<int>(map.size()));
  return reinterpret_cast<Bitmap>(bitmap);
}

PictureRef Win32Graphics::CreatePictureFromBitmap(Bitmap bitmap, Palette palette, bool own) {
  return BitmapPicture(reinterpret_cast<HBITMAP>(bitmap), reinterpret_cast<HPALETTE>(palette), own);
}

}  // namespace orvan::win32
