// A test with the fake platform, fake Office printers, the stand-in job API library loaded as the
// add-in loads it, and the trace kept in memory; and a job API library the test scripts.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "doubles/fake_platform.h"
#include "jobapi/vatner_api.h"
#include "shared/captions.h"
#include "sim/jobapi/stand_in_caller.h"
#include "sim/office/fake_office.h"
#include "support/ansi_text.h"
#include "support/language.h"

namespace orvan::testing {

// A test with the fake platform alone.
class PlatformTest : public ::testing::Test {
 protected:
  FakePlatform fakes_;
};

// A job API library whose functions the test scripts by export name, called with the arguments
// the wrappers pass; a function not scripted is not found, and "missing.dll" does not load.
class ScriptedCaller final : public FunctionCaller {
 public:
  using Args = std::span<const std::intptr_t>;
  void LibraryName(const std::string& name) override { loaded_ = name != "missing.dll"; }
  bool LibraryLoaded() const override { return loaded_; }
  void FunctionName(const std::string& name) override {
    resolved_ = functions.count(name) ? name : "";
  }
  void CallType(std::int32_t) override {}
  std::int32_t CallFunction(Args args) override {
    const std::string f = std::exchange(resolved_, "");
    return f.empty() ? 0 : functions[f](args);
  }
  std::map<std::string, std::function<std::int32_t(Args)>> functions;

 private:
  bool loaded_ = false;
  std::string resolved_;
};

// An argument as the text buffer or the 32-bit variable it points to.
inline char* Text(std::intptr_t address) {
  return reinterpret_cast<char*>(address);
}
inline std::int32_t& Int(std::intptr_t address) {
  return *reinterpret_cast<std::int32_t*>(address);
}

class OfficeTest : public PlatformTest {
 protected:
  OfficeTest() {
    fakes_.environment.Set("ORVAN_PDFVTADDINTRACE", "trace.log");
    fakes_.office->printers = {{"HP LaserJet 4", "LPT1:"}, {"Orvan pdf vatner", "Ne00:"}};
    fakes_.office->job_settings = [this] { return api_.stored_settings; };
    InstallJobApiCaller(std::make_unique<sim::StandInCaller>(api_));
    EXPECT_TRUE(LoadVatnerAPI("C:\\Programme\\Orvan\\OrvanpdfVtAPI.dll"));
    api_.log.clear();
    // German captions from the string table; faces pasted from the clipboard double.
    SetLanguage(1);
    fakes_.strings.table = {{1000, kGermanCaptions.first}, {1001, kGermanCaptions.second}};
    fakes_.office->clipboard_face = [this] { return fakes_.clipboard.picture; };
  }
  ~OfficeTest() override {
    InstallJobApiCaller(nullptr);
    SetLanguage(0);
  }

  // The trace's texts, without their time stamps, back in UTF-8.
  std::vector<std::string> Trace() const {
    std::vector<std::string> texts;
    const auto it = fakes_.files.kept.find("trace.log");
    std::istringstream lines(it == fakes_.files.kept.end() ? "" : it->second);
    for (std::string line; std::getline(lines, line);) {
      line.pop_back();  // the CR before the LF
      texts.push_back(AnsiToUtf8(line.substr(line.find(": ") + 2)));
    }
    return texts;
  }
  std::vector<ShownMessageBox>& Boxes() { return fakes_.ui.boxes; }

  sim::JobApiState api_;
};

}  // namespace orvan::testing
