#include "sim/jobapi/stand_in_caller.h"

#include "sim/jobapi/job_api_logic.h"
#include "support/utf8.h"

namespace orvan::sim {
namespace {

bool NamesStandIn(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return utf8::TextEquals(path.substr(slash == std::string::npos ? 0 : slash + 1),
                          "OrvanpdfVtAPI.dll");
}

}  // namespace

void StandInCaller::LibraryName(const std::string& name) {
  loaded_ = library_present && NamesStandIn(name);
}

void StandInCaller::FunctionName(const std::string& name) {
  resolved_.clear();
  if (loaded_ && IsExport(name) && !state_.missing_exports.count(name)) {
    resolved_ = name;
  } else {
    ReportMissingFunction(name);
  }
}

std::int32_t StandInCaller::CallFunction(std::span<const std::intptr_t> arguments) {
  if (resolved_.empty()) return 0;
  const std::string name = std::move(resolved_);
  resolved_.clear();
  return CallExport(state_, name, arguments);
}

}  // namespace orvan::sim
