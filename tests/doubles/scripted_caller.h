// A job API caller whose library functions the test scripts by export name.
#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include <memory>

#include "jobapi/func_call.h"
#include "jobapi/vatner_api.h"

namespace orvan::testing {

using Args = std::span<const std::intptr_t>;

// Library functions by export name, called with the arguments the wrappers pass.
class ScriptedCaller final : public FunctionCaller {
 public:
  void LibraryName(const std::string& name) override { loaded_ = name != "missing.dll"; }
  bool LibraryLoaded() const override { return loaded_; }
  void FunctionName(const std::string& name) override {
    resolved_ = functions.count(name) ? name : "";
  }
  void CallType(std::int32_t) override {}
  std::int32_t CallFunction(Args args) override {
    if (resolved_.empty()) return 0;
    calls.push_back(resolved_);
    const std::string f = resolved_;
    resolved_.clear();
    return functions[f](args);
  }

  std::map<std::string, std::function<std::int32_t(Args)>> functions;
  std::vector<std::string> calls;

 private:
  bool loaded_ = false;
  std::string resolved_;
};

// Puts a fresh scripted caller in place as this thread's job API caller and returns it.
inline ScriptedCaller* InstallScriptedCaller() {
  auto owned = std::make_unique<ScriptedCaller>();
  ScriptedCaller* caller = owned.get();
  InstallJobApiCaller(std::move(owned));
  return caller;
}

}  // namespace orvan::testing
