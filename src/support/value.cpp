#include "support/value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "support/error.h"

namespace orvan {
namespace {

std::int32_t RoundToLong(double d) {
  if (std::isnan(d)) throw VbError::Runtime(vberr::kOverflow);
  const double r = std::nearbyint(d);  // default rounding mode: half to even
  if (r < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      r > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    throw VbError::Runtime(vberr::kOverflow);
  }
  return static_cast<std::int32_t>(r);
}

// White space around a number, as OLE Automation's number parsing skips it.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Basic hands its text to OLE Automation as a zero-terminated string: the text ends at its first
// zero character (a value stored by another program often carries its terminating zero).
std::string_view UpToZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// Parses text that is a whole decimal number (blanks around it allowed).
bool ParseWholeNumber(std::string_view whole_text, double* out) {
  const std::string_view text = UpToZero(whole_text);
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b]))
    ++b;
  while (e > b && IsBlank(text[e - 1]))
    --e;
  const std::string s(text.substr(b, e - b));
  if (s.empty()) return false;
  // strtod would also take hexadecimal, infinities and NaN; allow only decimal forms.
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) {
      return false;
    }
  }
  char* end = nullptr;
  const double d = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size()) return false;
  *out = d;
  return true;
}

}  // namespace

std::string FormatNumber(double value, int digits, std::string_view decimal_separator) {
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, value);
  std::string out;
  for (const char* p = buf; *p; ++p) {
    if (*p == '.') {
      out += decimal_separator;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string ToText(const Value& v, std::string_view decimal_separator) {
  switch (v.type()) {
    case Value::Type::kEmpty:
      return {};
    case Value::Type::kBoolean:
      return v.AsBoolean() ? "True" : "False";
    case Value::Type::kInteger:
      return std::to_string(v.AsInteger());
    case Value::Type::kLong:
      return std::to_string(v.AsLong());
    case Value::Type::kSingle:
      return FormatSingle(v.AsSingle(), decimal_separator);
    case Value::Type::kDouble:
      return FormatNumber(v.AsDouble(), 15, decimal_separator);
    case Value::Type::kString:
      return v.AsString();
    case Value::Type::kObject:
    case Value::Type::kMissing:
      break;
  }
  throw VbError::Runtime(vberr::kTypeMismatch);
}

std::int32_t ToLong(const Value& v) {
  switch (v.type()) {
    case Value::Type::kEmpty:
      return 0;
    case Value::Type::kBoolean:
      return v.AsBoolean() ? -1 : 0;
    case Value::Type::kInteger:
      return v.AsInteger();
    case Value::Type::kLong:
      return v.AsLong();
    case Value::Type::kSingle:
      return RoundToLong(static_cast<double>(v.AsSingle()));
    case Value::Type::kDouble:
      return RoundToLong(v.AsDouble());
    case Value::Type::kString: {
      double d = 0;
      if (!ParseWholeNumber(v.AsString(), &d)) throw VbError::Runtime(vberr::kTypeMismatch);
      return RoundToLong(d);
    }
    case Value::Type::kObject:
    case Value::Type::kMissing:
      break;
  }
  throw VbError::Runtime(vberr::kTypeMismatch);
}

std::int16_t ToInteger(const Value& v) {
  const std::int32_t l = ToLong(v);
  if (l < std::numeric_limits<std::int16_t>::min() ||
      l > std::numeric_limits<std::int16_t>::max()) {
    throw VbError::Runtime(vberr::kOverflow);
  }
  return static_cast<std::int16_t>(l);
}

double NumericValue(std::string_view text) {
  // Collect sign, digits, one decimal point and an exponent, skipping blanks, up to the first
  // character that cannot continue the number.
  std::string number;
  bool digits = false, point = false, exponent = false;
  for (const char c : UpToZero(text)) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    const bool after_exponent_mark = !number.empty() && (number.back() == 'E');
    if (c >= '0' && c <= '9') {
      number += c;
      digits = true;
    } else if ((c == '+' || c == '-') && (number.empty() || after_exponent_mark)) {
      number += c;
    } else if (c == '.' && !point && !exponent) {
      number += c;
      point = true;
    } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !exponent) {
      number += 'E';
      exponent = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  // A dangling exponent mark or sign does not belong to the number.
  while (!number.empty() &&
         (number.back() == 'E' || number.back() == '+' || number.back() == '-')) {
    number.pop_back();
  }
  const double value = std::strtod(number.c_str(), nullptr);
  if (std::isinf(value)) throw VbError::Runtime(vberr::kOverflow);
  return value;
}

}  // namespace orvan
