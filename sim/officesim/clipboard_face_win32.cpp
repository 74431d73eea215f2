#include "sim/officesim/clipboard_face_win32.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace orvan::sim {
namespace {

// The add-in's bitmap resources by the name a scenario gives them.
constexpr std::pair<int, const char*> kIcons[] = {
    {101, "start"}, {102, "config"}, {103, "tiff-start"}, {104, "tiff-config"}};

std::map<std::vector<std::uint32_t>, std::string>& KnownFaces() {
  static std::map<std::vector<std::uint32_t>, std::string> faces;
  return faces;
}

std::uint32_t Digest(const std::vector<std::uint32_t>& pixels) {
  std::uint32_t hash = 2166136261u;  // FNV-1a over the pixels' bytes
  for (const std::uint32_t pixel : pixels) {
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (pixel >> shift) & 0xFF;
      hash *= 16777619u;
    }
  }
  return hash;
}

// A 16-colour (or 256-colour) bitmap resource as 0xRRGGBB pixels, top row first, with its
// magenta colour-table entries replaced by `face`.
std::optional<std::vector<std::uint32_t>> MappedPixels(HMODULE module, int id, std::uint32_t face,
                                                       int* width, int* height) {
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2));
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  if (bytes == nullptr || size < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes, sizeof header);
  const int bits = header.biBitCount;
  if (header.biCompression != BI_RGB || (bits != 4 && bits != 8)) return std::nullopt;
  const DWORD colours = header.biClrUsed ? header.biClrUsed : (1u << bits);
  const std::size_t table = header.biSize;
  const std::size_t stride = ((static_cast<std::size_t>(header.biWidth) * bits + 31) / 32) * 4;
  const int rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (table + colours * 4 + stride * rows > size) return std::nullopt;
  std::vector<std::uint32_t> palette(colours);
  for (DWORD i = 0; i < colours; ++i) {
    const BYTE* entry = bytes + table + i * 4;  // blue, green, red, reserved
    const std::uint32_t rgb = (entry[2] << 16) | (entry[1] << 8) | entry[0];
    palette[i] = rgb == 0xFF00FF ? face : rgb;
  }
  const BYTE* data = bytes + table + colours * 4;
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < rows; ++y) {
    const int stored = header.biHeight < 0 ? y : rows - 1 - y;  // bottom-up unless negative
    const BYTE* row = data + stride * static_cast<std::size_t>(stored);
    for (int x = 0; x < header.biWidth; ++x) {
      const unsigned index =
          bits == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
      pixels.push_back(index < colours ? palette[index] : 0);
    }
  }
  *width = header.biWidth;
  *height = rows;
  return pixels;
}

}  // namespace

BitmapLook LookAt(HBITMAP bitmap) {
  BitmapLook look;
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) == 0) return look;
  look.width = info.bmWidth;
  look.height = info.bmHeight;
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = info.bmWidth;
  format.bmiHeader.biHeight = -info.bmHeight;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  look.pixels.resize(static_cast<std::size_t>(info.bmWidth * info.bmHeight));
  const HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight),
                             look.pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  look.valid = rows == info.bmHeight && !look.pixels.empty();
  for (std::uint32_t& pixel : look.pixels)
    pixel &= 0x00FFFFFF;
  if (look.valid) look.top_left = look.pixels[0];
  return look;
}

std::string DescribeFace(const BitmapLook& look) {
  const auto known = KnownFaces().find(look.pixels);
  if (look.valid && known != KnownFaces().end()) return known->second;
  char text[64];
  std::snprintf(text, sizeof text, "%dx%d", look.width, look.height);
  std::string description = text;
  const std::set<std::uint32_t> colours(look.pixels.begin(), look.pixels.end());
  if (colours.size() <= 1) {
    std::snprintf(text, sizeof text, " #%06X", static_cast<unsigned>(look.top_left));
    return description + text;
  }
  std::snprintf(text, sizeof text, " digest %08X colours",
                static_cast<unsigned>(Digest(look.pixels)));
  description += text;
  std::size_t named = 0;
  for (const std::uint32_t colour : colours) {
    if (++named > 8) break;
    std::snprintf(text, sizeof text, " #%06X", static_cast<unsigned>(colour));
    description += text;
  }
  if (colours.size() > 8) description += " and " + std::to_string(colours.size() - 8) + " more";
  return description;
}

void LearnFaces(const std::wstring& module_path) {
  const HMODULE module = LoadLibraryExW(module_path.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) return;
  const COLORREF button_face = GetSysColor(COLOR_BTNFACE);  // 0x00BBGGRR
  const std::uint32_t face =
      (GetRValue(button_face) << 16) | (GetGValue(button_face) << 8) | GetBValue(button_face);
  for (const auto& [id, name] : kIcons) {
    int width = 0, height = 0;
    if (auto pixels = MappedPixels(module, id, face, &width, &height))
      KnownFaces()[std::move(*pixels)] = name;
  }
  FreeLibrary(module);
}

namespace {
std::int64_t bitmaps_read = 0;
}  // namespace

std::int64_t ClipboardBitmapsRead() {
  return bitmaps_read;
}

std::optional<ButtonFace> ClipboardFace() {
  if (!OpenClipboard(nullptr)) return std::nullopt;
  std::optional<ButtonFace> seen;
  if (const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
    ++bitmaps_read;
    BitmapLook look = LookAt(bitmap);
    seen = ButtonFace(DescribeFace(look));
    if (look.valid) {
      seen->width = look.width;
      seen->height = look.height;
      seen->pixels = std::move(look.pixels);
    }
  }
  CloseClipboard();
  return seen;
}

}  // namespace orvan::sim
