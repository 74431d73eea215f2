// The button bitmaps of the add-in library: German BITMAP resources 101 to 104, each a 16x16
// bitmap of 16 colours stored without file header, magenta as the background, loadable by USER.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/win32/win32.h"

namespace orvan::testing {
namespace {

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

TEST(IconResourcesWin32, FourGermanSixteenColourBitmapsWithMagentaBackground) {
  // The standard 16-colour palette, RRGGBB, which 103 and 104 use.
  constexpr std::array<DWORD, 16> kStandard = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  constexpr WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
  const HMODULE dll = LoadLibraryW(L"" ORVAN_ADDIN_DLL_PATH);
  ASSERT_NE(dll, nullptr) << "error " << GetLastError();
  for (const auto& [id, magenta] :
       {std::pair<WORD, unsigned>{101, 11}, {102, 11}, {103, 13}, {104, 13}}) {
    SCOPED_TRACE(id);
    std::vector<WORD> languages;
    EnumResourceLanguagesW(dll, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(id), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_EQ(languages, std::vector<WORD>{kGerman});
    const HRSRC found = FindResourceExW(dll, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(id), kGerman);
    ASSERT_EQ(SizeofResource(dll, found), 232u);
    // The header is the converter's (its own test checks it), the file header stripped.
    const auto* data =
        static_cast<const BYTE*>(LockResource(LoadResource(dll, found))) + sizeof(BITMAPINFOHEADER);
    std::array<RGBQUAD, 16> table;
    std::memcpy(table.data(), data, sizeof table);
    for (unsigned entry = 0; entry < table.size(); ++entry) {
      const RGBQUAD& q = table[entry];
      const DWORD rgb = DWORD{q.rgbRed} << 16 | DWORD{q.rgbGreen} << 8 | q.rgbBlue;
      EXPECT_EQ(q.rgbReserved, 0) << "entry " << entry;
      EXPECT_EQ(rgb == 0xFF00FF, entry == magenta) << "entry " << entry;
      EXPECT_TRUE(id <= 102 || rgb == kStandard[entry]) << "entry " << entry << std::hex << rgb;
    }
    // The top-left corner lies outside the drawing: background (rows are stored bottom-up).
    EXPECT_EQ(data[sizeof table + 15 * 8] >> 4u, magenta);
  }
  FreeLibrary(dll);
}

}  // namespace
}  // namespace orvan::testing
