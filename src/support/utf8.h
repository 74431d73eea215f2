// Small UTF-8 helpers shared by the code-page conversions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvan::utf8 {

// Decodes the code point at text[*pos] and advances *pos; malformed bytes decode as U+FFFD.
char32_t Next(std::string_view text, std::size_t* pos);
void Append(std::string* out, char32_t cp);

// Upper case as Basic's UCase gives it for Latin letters (ASCII, Latin-1 and the letters of
// the Western ANSI code page); other characters stay as they are.
std::string UpperCase(std::string_view text);

// Basic's text comparison: equal, or containing, without regard to the case of letters.
bool TextEquals(std::string_view a, std::string_view b);
bool TextContains(std::string_view text, std::string_view part);

}  // namespace orvan::utf8
