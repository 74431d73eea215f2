// The button bitmaps of the add-in library: German BITMAP resources 101 to 104, each a 16x16
// bitmap of 16 colours stored without file header, magenta as the background, loadable by USER.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/win32/win32.h"

namespace orvan::testing {
namespace {

const LPCWSTR kBitmapType = MAKEINTRESOURCEW(2);  // RT_BITMAP
constexpr WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
constexpr DWORD kMagenta = 0xFF00FF;

// The standard 16-colour palette, RRGGBB.
constexpr std::array<DWORD, 16> kStandardPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

struct IconCase {
  WORD id;
  unsigned magenta_entry;
  bool standard_palette;
};

constexpr IconCase kIcons[] = {
    {101, 11, false}, {102, 11, false}, {103, 13, true}, {104, 13, true}};

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

// Colour table entry of the pixel in column x of row y (0 at the top): rows are stored
// bottom-up, 8 bytes each, the left pixel of a byte in its high half.
unsigned Pixel(const BYTE* pixels, int x, int y) {
  const unsigned pair = pixels[(15 - y) * 8 + x / 2];
  return x % 2 ? pair & 0xFu : pair >> 4u;
}

// Width and height of a loaded bitmap, which it then deletes; 0, 0 for none.
std::pair<LONG, LONG> BitmapSize(HANDLE bitmap) {
  BITMAP info{};
  const bool read = bitmap && GetObjectW(bitmap, sizeof info, &info) == sizeof info;
  if (bitmap) DeleteObject(bitmap);
  return read ? std::pair{info.bmWidth, info.bmHeight} : std::pair{0L, 0L};
}

TEST(IconResourcesWin32, FourGermanSixteenColourBitmapsWithMagentaBackground) {
  const HMODULE dll = LoadLibraryW(L"" ORVAN_ADDIN_DLL_PATH);
  ASSERT_NE(dll, nullptr) << "error " << GetLastError();
  for (const IconCase& icon : kIcons) {
    SCOPED_TRACE(icon.id);
    std::vector<WORD> languages;
    EnumResourceLanguagesW(dll, kBitmapType, MAKEINTRESOURCEW(icon.id), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{kGerman});

    const HRSRC found = FindResourceExW(dll, kBitmapType, MAKEINTRESOURCEW(icon.id), kGerman);
    ASSERT_NE(found, nullptr);
    // The converter's bitmap without its file header (its own test reads the header).
    ASSERT_EQ(SizeofResource(dll, found), 232u);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(dll, found)));
    ASSERT_NE(data, nullptr);

    std::array<RGBQUAD, 16> table;
    std::memcpy(table.data(), data + sizeof(BITMAPINFOHEADER), sizeof table);
    for (unsigned entry = 0; entry < table.size(); ++entry) {
      const RGBQUAD& q = table[entry];
      const DWORD rgb = DWORD{q.rgbRed} << 16 | DWORD{q.rgbGreen} << 8 | q.rgbBlue;
      EXPECT_EQ(q.rgbReserved, 0) << "entry " << entry;
      EXPECT_EQ(rgb == kMagenta, entry == icon.magenta_entry) << "entry " << entry;
      if (icon.standard_palette) {
        EXPECT_EQ(rgb, kStandardPalette[entry]) << "entry " << entry;
      }
    }

    // The corners lie outside the drawing: background.
    const BYTE* pixels = data + sizeof(BITMAPINFOHEADER) + sizeof table;
    for (const auto& [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}}) {
      EXPECT_EQ(Pixel(pixels, x, y), icon.magenta_entry) << "pixel " << x << "," << y;
    }

    // USER makes 16x16 bitmaps of them.
    EXPECT_EQ(BitmapSize(LoadBitmapW(dll, MAKEINTRESOURCEW(icon.id))), (std::pair{16L, 16L}));
  }
  FreeLibrary(dll);
}

}  // namespace
}  // namespace orvan::testing
