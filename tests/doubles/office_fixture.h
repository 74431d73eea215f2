// A test with the fake platform, fake Office printers, the stand-in job API library loaded as the
// add-in loads it, and the trace kept in memory.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
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
