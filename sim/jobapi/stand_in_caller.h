// The stand-in job API library linked in: a job API caller whose functions run the stand-in's
// logic against a state the test or host owns, instead of a DLL loaded at run time.
#pragma once

#include <string>

#include "jobapi/func_call.h"
#include "sim/jobapi/job_api_state.h"

namespace orvan::sim {

class StandInCaller final : public FunctionCaller {
 public:
  explicit StandInCaller(JobApiState& state) : state_(state) {}

  // Loads when the path names OrvanpdfVtAPI.dll (any folder, any case) and library_present.
  void LibraryName(const std::string& name) override;
  bool LibraryLoaded() const override { return loaded_; }
  // Exports listed in the state's missing_exports cannot be resolved, as in a library without
  // them; the user sees the caller's message box.
  void FunctionName(const std::string& name) override;
  void CallType(std::int32_t) override {}
  std::int32_t CallFunction(std::span<const std::intptr_t> arguments) override;

  bool library_present = true;

 private:
  JobApiState& state_;
  bool loaded_ = false;
  std::string resolved_;
};

}  // namespace orvan::sim
