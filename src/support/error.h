// Run-time errors with number, description and source, as an automation client sees them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace orvan {

// Error numbers of the Basic run time that the add-in raises or tests for.
namespace vberr {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kMemberNotFound = 438;
inline constexpr std::int32_t kNoNamedArguments = 446;
inline constexpr std::int32_t kNamedArgumentNotFound = 448;
inline constexpr std::int32_t kArgumentNotOptional = 449;
inline constexpr std::int32_t kWrongArgumentCount = 450;
inline constexpr std::int32_t kUnsupportedAutomationType = 458;
inline constexpr std::int32_t kNoSuchEvents = 459;
inline constexpr std::int32_t kCannotOpenClipboard = 521;
}  // namespace vberr

class VbError : public std::exception {
 public:
  VbError(std::int32_t number, std::string description, std::string source = {});

  // An error of the Basic run time with its standard description.
  static VbError Runtime(std::int32_t number, std::string source = {});

  std::int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& source() const noexcept { return source_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
  std::string source_;
  std::string what_;
};

// The error in flight inside a catch block as a run-time error: a VbError as it is, running out
// of memory as error 7, anything else as an internal error (51).
VbError CurrentError();

// The standard description of a Basic run-time error number ("Type mismatch" for 13).
std::string RuntimeErrorDescription(std::int32_t number);

}  // namespace orvan
