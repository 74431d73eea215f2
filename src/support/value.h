// The add-in's variant value: what host members, registry reads and job properties hand back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace orvan {

class Object;  // An automation object reached by member name.
using ObjectRef = std::shared_ptr<Object>;

// An optional argument left out of a call by position, as Basic passes it ("Add 1, , , 2").
struct MissingArgument {
  friend bool operator==(const MissingArgument&, const MissingArgument&) = default;
};

class Value {
 public:
  enum class Type {
    kEmpty,
    kBoolean,
    kInteger,
    kLong,
    kSingle,
    kDouble,
    kString,
    kObject,
    kMissing
  };

  Value() = default;
  Value(bool b) : data_(b) {}                      // NOLINT(google-explicit-constructor)
  Value(std::int16_t i) : data_(i) {}              // NOLINT(google-explicit-constructor)
  Value(std::int32_t l) : data_(l) {}              // NOLINT(google-explicit-constructor)
  Value(float f) : data_(f) {}                     // NOLINT(google-explicit-constructor)
  Value(double d) : data_(d) {}                    // NOLINT(google-explicit-constructor)
  Value(std::string s) : data_(std::move(s)) {}    // NOLINT(google-explicit-constructor)
  Value(const char* s) : data_(std::string(s)) {}  // NOLINT(google-explicit-constructor)
  Value(ObjectRef o) : data_(std::move(o)) {}      // NOLINT(google-explicit-constructor)
  static Value Missing() {
    Value v;
    v.data_ = MissingArgument{};
    return v;
  }

  Type type() const { return static_cast<Type>(data_.index()); }
  bool IsEmpty() const { return type() == Type::kEmpty; }
  // True for an object reference that refers to nothing.
  bool IsNothing() const { return type() == Type::kObject && !std::get<ObjectRef>(data_); }
  bool IsMissing() const { return type() == Type::kMissing; }

  bool AsBoolean() const { return std::get<bool>(data_); }
  std::int16_t AsInteger() const { return std::get<std::int16_t>(data_); }
  std::int32_t AsLong() const { return std::get<std::int32_t>(data_); }
  float AsSingle() const { return std::get<float>(data_); }
  double AsDouble() const { return std::get<double>(data_); }
  const std::string& AsString() const { return std::get<std::string>(data_); }
  const ObjectRef& AsObject() const { return std::get<ObjectRef>(data_); }

  friend bool operator==(const Value&, const Value&) = default;

 private:
  std::variant<std::monostate, bool, std::int16_t, std::int32_t, float, double, std::string,
               ObjectRef, MissingArgument>
      data_;
};

// Basic's conversions, written once for the whole add-in.

// CStr: Empty gives "", Booleans "True"/"False", numbers their decimal text with the given
// decimal separator. An object or a missing argument raises a type mismatch.
std::string ToText(const Value& v, std::string_view decimal_separator = ".");

// CLng: strict conversion to a 32-bit integer. Fractions round half to even; text, up to its
// first zero character, must be a number with white space around it at most (else type
// mismatch, error 13); values out of range overflow (error 6).
std::int32_t ToLong(const Value& v);

// CInt: as ToLong, into 16 bits (overflow, error 6, outside -32768..32767).
std::int16_t ToInteger(const Value& v);

// Val: the leading decimal number of text (up to its first zero character), blanks anywhere
// ignored; 0 when there is none. Beyond the range of a Double it overflows (error 6).
double NumericValue(std::string_view text);

// A floating-point number as Basic prints it: up to `digits` significant digits, trailing zeros
// dropped, scientific notation ("1E-05") for very small or large magnitudes.
std::string FormatNumber(double value, int digits, std::string_view decimal_separator);

// Single-precision text: 7 significant digits.
inline std::string FormatSingle(float value, std::string_view decimal_separator) {
  return FormatNumber(static_cast<double>(value), 7, decimal_separator);
}

}  // namespace orvan
