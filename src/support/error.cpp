#include "support/error.h"

#include <new>
#include <utility>

namespace orvan {

VbError::VbError(std::int32_t number, std::string description, std::string source)
    : number_(number), description_(std::move(description)), source_(std::move(source)) {
  what_ = "error " + std::to_string(number_) + ": " + description_;
  if (!source_.empty()) what_ += " (" + source_ + ")";
}

VbError VbError::Runtime(std::int32_t number, std::string source) {
  return VbError(number, RuntimeErrorDescription(number), std::move(source));
}

VbError CurrentError() {
  try {
    throw;
  } catch (const VbError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return VbError::Runtime(vberr::kOutOfMemory);
  } catch (...) {
    return VbError::Runtime(vberr::kInternalError);
  }
}

std::string RuntimeErrorDescription(std::int32_t number) {
  switch (number) {
    case vberr::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case vberr::kOutOfMemory:
      return "Out of memory";
    case vberr::kOverflow:
      return "Overflow";
    case vberr::kSubscriptOutOfRange:
      return "Subscript out of range";
    case vberr::kTypeMismatch:
      return "Type mismatch";
    case vberr::kInternalError:
      return "Internal error";
    case vberr::kObjectNotSet:
      return "Object variable or With block variable not set";
    case vberr::kObjectRequired:
      return "Object required";
    case vberr::kMemberNotFound:
      return "Object doesn't support this property or method";
    case vberr::kNoNamedArguments:
      return "Object doesn't support named arguments";
    case vberr::kNamedArgumentNotFound:
      return "Named argument not found";
    case vberr::kArgumentNotOptional:
      return "Argument not optional";
    case vberr::kWrongArgumentCount:
      return "Wrong number of arguments or invalid property assignment";
    case vberr::kUnsupportedAutomationType:
      return "Variable uses an Automation type not supported in Visual Basic";
    case vberr::kNoSuchEvents:
      return "Object or class does not support the set of events";
    case vberr::kCannotOpenClipboard:
      return "Can't open Clipboard";
    default:
      return "Application-defined or object-defined error";
  }
}

}  // namespace orvan
