// The stored-field readers: a field of a delimited text against a plain split (with the 16-bit
// overflow where a delimiter lies beyond 32,767), old tags against the upper-cased list, and a
// button's toolbar place against a count of the "1" fields before it.
#include <string>
#include <vector>

#include "commandbars/command_bar_names.h"
#include "commandbars/fields.h"
#include "fuzz_input.h"
#include "support/error.h"
#include "support/utf8.h"

namespace {

using orvan::fuzz::Fail;

// Each field and the position of the delimiter that ends it (npos for the last).
struct Field {
  std::string text;
  std::size_t end;
};

std::vector<Field> Split(const std::string& text, const std::string& delimiter) {
  std::vector<Field> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(delimiter, start);
    fields.push_back({text.substr(start, end == std::string::npos ? end : end - start), end});
    if (end == std::string::npos) return fields;
    start = end + delimiter.size();
  }
}

// Field n as Basic's 16-bit positions give it: "" when there is none; error 6 when a delimiter
// up to the one ending field n lies beyond 32,767.
std::string Expected(const std::vector<Field>& fields, std::int32_t n, bool* overflow) {
  *overflow = false;
  if (n <= 0) return {};
  for (std::size_t k = 0; k < fields.size() && k < static_cast<std::size_t>(n); ++k) {
    if (fields[k].end != std::string::npos && fields[k].end + 1 > 32767) {
      *overflow = true;
      return {};
    }
  }
  return static_cast<std::size_t>(n) <= fields.size() ? fields[n - 1].text : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvan::fuzz::Input input(data, size);
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::uint8_t flags = input.Byte();
  const auto n = static_cast<std::int32_t>(input.Byte()) - 2;  // -2 .. 253
  std::string delimiter = input.Text();
  if (delimiter.empty() || delimiter.size() > 4) delimiter = ";";
  // With three flags, the text starts with enough characters to reach the 16-bit positions.
  const bool long_text = (flags & 7) == 7;
  const std::string text = (long_text ? std::string(32760, 'x') : "") + input.Text();

  const std::vector<Field> fields = Split(text, delimiter);
  bool overflow = false;
  const std::string expected = Expected(fields, n, &overflow);
  try {
    const std::string got = orvan::GetDelimitedField(text, delimiter, n);
    if (overflow) Fail("GetDelimitedField did not overflow", all);
    if (got != expected) Fail("GetDelimitedField differs from the split", all);
  } catch (const orvan::VbError& e) {
    if (!overflow || e.number() != orvan::vberr::kOverflow) Fail("GetDelimitedField raised", all);
  }

  // Old tags: any letter case, the whole text (a long text is none, and slow to upper-case).
  if (!long_text) {
    bool old = false;
    for (const Field& tag : Split(orvan::kOldTags, ";"))
      old = old || orvan::utf8::UpperCase(tag.text) == orvan::utf8::UpperCase(text);
    if (orvan::IsOldTag(text) != old) Fail("IsOldTag differs from the list", all);
  }

  // A button's place: the "1" fields among the first `number`.
  const auto number = static_cast<std::uint8_t>(flags >> 5);  // the toolbar's few buttons
  orvan::EnabledButtons() = text;
  std::uint8_t place = 0;
  bool place_overflow = false;
  const std::vector<Field> buttons = Split(text, ";");
  for (std::int32_t i = 1; i <= number; ++i) {
    bool field_overflow = false;
    const std::string field = Expected(buttons, i, &field_overflow);
    place_overflow = place_overflow || field_overflow;
    if (!place_overflow && field == "1") ++place;
  }
  try {
    const std::uint8_t got = orvan::GetCorrectButtonIndex(number);
    if (place_overflow || got != place) Fail("GetCorrectButtonIndex differs from the count", all);
  } catch (const orvan::VbError&) {
    if (!place_overflow) Fail("GetCorrectButtonIndex raised", all);
  }
  return 0;
}
