// The code-page and UTF-8 conversions: every ANSI text survives UTF-8 and back; any bytes
// become one ANSI character per code point, '?' or the character itself; decoding always moves
// on within the text; upper case is stable and compares equal to the text.
#include "fuzz_input.h"
#include "support/ansi_text.h"
#include "support/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using orvan::fuzz::Fail;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // ANSI to UTF-8 and back is lossless, and the UTF-8 decodes without replacement characters.
  const std::string utf8 = orvan::AnsiToUtf8(text);
  if (orvan::Utf8ToAnsi(utf8) != text) Fail("ANSI text did not survive UTF-8", text);
  std::string reencoded;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = orvan::utf8::Next(utf8, &pos);
    if (cp == 0xFFFD) Fail("AnsiToUtf8 wrote malformed UTF-8", text);
    orvan::utf8::Append(&reencoded, cp);
  }
  if (reencoded != utf8) Fail("UTF-8 did not decode to itself", text);

  // Any bytes: one ANSI character per code point decoded, '?' where the code page has none.
  std::size_t code_points = 0;
  std::string expected;
  for (std::size_t pos = 0; pos < text.size(); ++code_points) {
    const std::size_t before = pos;
    const char32_t cp = orvan::utf8::Next(text, &pos);
    if (pos <= before || pos > text.size())
      Fail("utf8::Next did not move on within the text", text);
    std::string one;
    orvan::utf8::Append(&one, cp);
    const std::string ansi = orvan::Utf8ToAnsi(one);
    if (ansi.size() != 1) Fail("one code point gave no single ANSI character", text);
    if (ansi != "?" && orvan::AnsiToUtf8(ansi) != one)
      Fail("an ANSI character is not its code point", text);
    expected += ansi;
  }
  if (orvan::Utf8ToAnsi(text) != expected)
    Fail("Utf8ToAnsi differs code point by code point", text);

  // Upper case: applying it again changes nothing, and the text compares equal to it.
  const std::string upper = orvan::utf8::UpperCase(text);
  if (orvan::utf8::UpperCase(upper) != upper) Fail("UpperCase is not stable", text);
  if (!orvan::utf8::TextEquals(text, upper)) Fail("a text differs from its upper case", text);
  if (!orvan::utf8::TextContains(upper, text)) Fail("upper case does not contain the text", text);
  return 0;
}
