// Basic's conversions of text to numbers: CLng against a reference that parses the number's
// grammar and reads it with std::from_chars (text ending at its first zero character), Val
// agreeing with CLng where both read a number and ignoring blanks and what follows a zero, and
// numbers surviving their text.
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

#include "fuzz_input.h"
#include "support/error.h"
#include "support/value.h"

namespace {

using orvan::fuzz::Fail;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The number a text is, by the grammar [+-] digits [. digits] [e [+-] digits] (at least one
// digit before the exponent) with white space around it; nothing when it is no number.
std::optional<double> ReferenceNumber(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  while (!text.empty() && IsSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back()))
    text.remove_suffix(1);
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t mantissa = i;
  std::string digits;  // the mantissa's digits, and how many stand before its point
  for (; i < text.size() && IsDigit(text[i]); ++i)
    digits += text[i];
  const auto whole_digits = static_cast<long>(digits.size());
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i)
      digits += text[i];
  }
  if (digits.empty()) return std::nullopt;
  long exponent = 0;  // saturated far beyond any double's range
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t first = i;
    for (; i < text.size() && IsDigit(text[i]); ++i)
      exponent = std::min(exponent * 10 + (text[i] - '0'), 100000L);
    if (i == first) return std::nullopt;
    if (negative) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;
  const std::string number = (text.front() == '-' ? "-" : "") + std::string(text.substr(mantissa));
  double value = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (end != number.data() + number.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // The leading digit's power of ten decides: too small reads as zero, too large as infinity.
    const std::size_t lead = digits.find_first_not_of('0');
    const long power = whole_digits - 1 - static_cast<long>(lead) + exponent;
    return power > 0 ? HUGE_VAL : 0.0;
  }
  return value;
}

// "error N" or the number.
std::string LongOutcome(const orvan::Value& v) {
  try {
    return std::to_string(orvan::ToLong(v));
  } catch (const orvan::VbError& e) {
    return "error " + std::to_string(e.number());
  }
}

std::string ValOutcome(std::string_view text) {
  try {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", orvan::NumericValue(text));
    return buffer;
  } catch (const orvan::VbError& e) {
    return "error " + std::to_string(e.number());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // CLng against the reference.
  std::string expected = "error 13";
  if (const auto number = ReferenceNumber(text)) {
    const double r = std::nearbyint(*number);
    expected = r >= -2147483648.0 && r <= 2147483647.0
                   ? std::to_string(static_cast<std::int32_t>(r))
                   : "error 6";
  }
  const std::string got = LongOutcome(orvan::Value(std::string(text)));
  if (got != expected) Fail("CLng gave " + got + ", the reference " + expected, text);

  // Val: the text ends at its first zero; blanks anywhere are ignored.
  const std::string val = ValOutcome(text);
  if (ValOutcome(text.substr(0, text.find('\0'))) != val) Fail("Val read past a zero", text);
  std::string unblanked;
  for (const char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') unblanked += c;
  }
  if (ValOutcome(unblanked) != val) Fail("Val did not ignore blanks", text);
  // Where CLng reads a number, Val reads the same one (Val knows no vertical tab or form feed
  // as blank and also takes "D" for the exponent).
  const bool plain = text.find_first_of("\v\fdD") == std::string_view::npos;
  if (plain && got.rfind("error", 0) != 0) {
    const std::string rounded = LongOutcome(orvan::Value(orvan::NumericValue(text)));
    if (rounded != got) Fail("Val gave " + rounded + " where CLng gave " + got, text);
  }

  // Numbers survive their text.
  if (size >= 8) {
    std::int32_t n = 0;
    double d = 0;
    std::memcpy(&n, data, sizeof n);
    std::memcpy(&d, data, sizeof d);
    if (orvan::ToLong(orvan::Value(orvan::ToText(orvan::Value(n)))) != n)
      Fail("a Long did not survive its text", text);
    // Near the largest Double its 15 digits round beyond it, and Val overflows as Basic's does.
    if (std::isnormal(d) && std::fabs(d) < 1e308) {
      const double back = orvan::NumericValue(orvan::ToText(orvan::Value(d)));
      if (std::fabs(back - d) > std::fabs(d) * 1e-14)
        Fail("a Double lost digits in its text", text);
    }
  }
  return 0;
}
