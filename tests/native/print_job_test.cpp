// Job set-up against the stand-in job API and a fake Word: its log, the captured boxes and the
// trace are the evidence.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "printjob/print_job.h"
#include "sim/jobapi/job_api_logic.h"

namespace orvan::testing {
namespace {

using sim::CallsTo;
using Lines = std::vector<std::string>;

// The printer's stored settings before each run: the former document information among them.
const std::map<std::string, std::string> kFormerSettings = {{"Title", "alt"},
                                                            {"Author", "alter Autor"},
                                                            {"Subject", "alt s"},
                                                            {"Keywords", "alt k"},
                                                            {"DestinationDirectory", "D:\\PDF"},
                                                            {"SaveAction", "0"},
                                                            {"ApplicationDevmodeStartup", "0"}};

// A job API export that fails once, after some successful calls, with error 3 "gesperrt".
sim::Failure FailsOnce(std::int32_t after = 0) {
  return {1, 3, "gesperrt", true, true, after};
}

// The box a failed job API operation shows, or none for an empty title.
std::vector<ShownMessageBox> BoxFor(const std::string& operation) {
  if (operation.empty()) return {};
  return {{"Fehler 3: gesperrt", operation, 48}};
}

// The calls that give job 0 the printer, its settings and the test document's information, read
// and written as the print set-up and the configuration command both do it.
const Lines kJobZeroPrepared = {
    "OrvanPdfVtJobCreate(-1) = 1 handle=0",
    "OrvanPdfVtJobSetPropertyA(0, \"PrinterName\", \"Orvan pdf vatner\") = 1",
    "OrvanPdfVtJobInitDevModeProperty(0, 1) = 1 found=1",
    "OrvanPdfVtJobGetPropertyA(0, \"Title\", 1024) = 1 \"alt\"",
    "OrvanPdfVtJobGetPropertyA(0, \"Author\", 1024) = 1 \"alter Autor\"",
    "OrvanPdfVtJobGetPropertyA(0, \"Subject\", 1024) = 1 \"alt s\"",
    "OrvanPdfVtJobGetPropertyA(0, \"Keywords\", 1024) = 1 \"alt k\"",
    "OrvanPdfVtJobGetPropertyA(0, \"DestinationDirectory\", 1024) = 1 \"D:\\PDF\"",
    "OrvanPdfVtJobGetPropertyA(0, \"SaveAction\", 1024) = 1 \"0\"",
    "OrvanPdfVtJobSetPropertyA(0, \"Title\", \"Quartalsbericht\") = 1",
    "OrvanPdfVtJobSetPropertyA(0, \"Author\", \"Erika Muster\") = 1",
    "OrvanPdfVtJobSetPropertyA(0, \"Subject\", \"Umsatz\") = 1",
    "OrvanPdfVtJobSetPropertyA(0, \"Keywords\", \"Q3\") = 1",
};

class PrintJobTest : public OfficeTest {
 protected:
  PrintJobTest() : word_(sim::HostType::kWord, fakes_.office) {
    sim::DocumentData doc;
    doc.name = "Bericht.docx";
    doc.path = "C:\\Daten\\Berichte";
    doc.properties = {{1, "Quartalsbericht"}, {2, "Umsatz"}, {3, "Erika Muster"}, {4, "Q3"}};
    word_.Open(doc);
    api_.stored_settings = kFormerSettings;
  }
  ObjectRef Document() { return AsObject(Get(word_.application(), "ActiveDocument")); }
  // Runs the print set-up as the print command does, freeing the job afterwards.
  std::int32_t SetUpPrint(bool quiet) {
    std::int32_t job = -1;
    DocInfos old;
    const std::int32_t result = InitPrintJob(job, old, Document(), quiet);
    if (job >= 0) OrvanPdfVtJobFree(job, true);
    return result;
  }
  // A run of its own: the former settings, the given failure, handles from 0, nothing recorded.
  void NextRun(const std::string& failing_export = "", sim::Failure failure = FailsOnce()) {
    api_.stored_settings = kFormerSettings;
    api_.failures.clear();
    if (!failing_export.empty()) api_.failures[failing_export] = failure;
    api_.next_handle = 0;
    api_.log.clear();
    api_.dialogs.clear();
    Boxes().clear();
    fakes_.files.kept.clear();
  }

  sim::FakeOfficeHost word_;
};

TEST_F(PrintJobTest, AvailabilityCountsOnlyErrorFiveHundredTwelveAsMissing) {
  const struct {
    const char* what;
    const char* failing_export;
    std::int32_t error_number;
    bool available;
    const char* box;  // the operation reported, "" for none
  } cases[] = {
      {"ready", "", 0, true, ""},
      {"settings refused", "OrvanPdfVtJobInitDevModeProperty", 5, true, ""},
      {"printer missing", "OrvanPdfVtJobInitDevModeProperty", 512, false, ""},
      {"no job", "OrvanPdfVtJobCreate", 3, false, "OrvanPdfVtJobCreate"},
      {"printer name refused", "OrvanPdfVtJobSetPropertyA", 3, false,
       "OrvanPdfVtJobSetPropertyVal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NextRun(c.failing_export, {1, c.error_number, "gesperrt"});
    EXPECT_EQ(CheckIfVatnerIsAvailable(word_.application()), c.available);
    const Lines trace =
        c.available ? Lines{"CheckIfVatnerIsAvailable", "VatnerIsAvailable", "VatnerIsAvailable"}
                    : Lines{"CheckIfVatnerIsAvailable", "VatnerIsNotAvailable"};
    EXPECT_EQ(Trace(), trace);
    EXPECT_EQ(Boxes(), BoxFor(c.box));
    EXPECT_TRUE(api_.jobs.empty());  // a ready check's calls are the Word scenario's
  }
}

// Only a saved document whose SaveAction is 0 sends the PDF to its folder (the Word and PowerPoint
// scenarios show that print's whole call log and trace); any other case leaves the folder alone.
TEST_F(PrintJobTest, AnyOtherSaveActionOrANewDocumentLeavesTheFolderAlone) {
  const struct {
    const char* path;
    const char* save_action;
  } cases[] = {{"", "0"}, {"C:\\Daten", "1"}, {"C:\\Daten", "2"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + c.save_action);
    NextRun();
    api_.stored_settings["SaveAction"] = c.save_action;
    word_.Open(sim::DocumentData::SavedIn(c.path));
    EXPECT_EQ(SetUpPrint(false), 1);
    EXPECT_EQ(api_.stored_settings.at("DestinationDirectory"), "D:\\PDF");
    EXPECT_EQ(api_.stored_settings.at("SaveAction"), c.save_action);
    EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty"),
              (Lines{"OrvanPdfVtJobSaveDevModeProperty(0, 4) = 1"}));
  }
}

TEST_F(PrintJobTest, SetUpStopsAtAFailureThatIsNotAQuietSettingsStep) {
  // Quiet covers only initialising and storing the settings; every other step reports.
  const struct {
    const char* what;
    bool quiet;
    const char* failing_export;
    std::int32_t after;  // successful calls before
    std::int32_t result;
    const char* box;
    std::size_t saves;  // storing attempts
  } cases[] = {
      {"no job", true, "OrvanPdfVtJobCreate", 0, 0, "OrvanPdfVtJobCreate", 0},
      {"printer name", true, "OrvanPdfVtJobSetPropertyA", 0, 0, "OrvanPdfVtJobSetPropertyVal", 0},
      {"settings, quiet", true, "OrvanPdfVtJobInitDevModeProperty", 0, 1, "", 1},
      {"settings", false, "OrvanPdfVtJobInitDevModeProperty", 0, 0,
       "OrvanPdfVtJobInitDevModeProperty", 0},
      {"former subject", true, "OrvanPdfVtJobGetPropertyA", 2, 0, "OrvanPdfVtJobGetPropertyVal", 0},
      {"title", true, "OrvanPdfVtJobSetPropertyA", 1, 0, "OrvanPdfVtJobSetPropertyVal", 0},
      {"destination", true, "OrvanPdfVtJobSetPropertyA", 5, 1, "OrvanPdfVtJobSetPropertyVal", 0},
      {"save action", true, "OrvanPdfVtJobSetPropertyA", 6, 1, "OrvanPdfVtJobSetPropertyVal", 0},
      {"store, quiet", true, "OrvanPdfVtJobSaveDevModeProperty", 0, 0, "", 1},
      {"store", false, "OrvanPdfVtJobSaveDevModeProperty", 0, 0, "OrvanPdfVtJobSaveDevModeProperty",
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NextRun(c.failing_export, FailsOnce(c.after));
    EXPECT_EQ(SetUpPrint(c.quiet), c.result);
    EXPECT_EQ(Boxes(), BoxFor(c.box));
    EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty").size(), c.saves);
  }

  // No built-in properties: writing the empty list raises, so nothing is stored and 1 returned.
  NextRun();
  word_.Open(sim::DocumentData::WithoutProperties());
  EXPECT_EQ(SetUpPrint(false), 1);
  EXPECT_TRUE(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty").empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PrintJobTest, DocumentInformationErrorsReachTheCaller) {
  // The orders of reading and writing show in the call logs of the set-ups above.
  EXPECT_EQ(ErrorNumberOf([] { SetPrivateDocInfos(1, {}); }), vberr::kSubscriptOutOfRange);
  fakes_.office->Fail("DocumentProperty(3).Value", {-2147467259, "Automatisierungsfehler", "x"});
  EXPECT_EQ(ErrorNumberOf([&] { GetBuiltInDocInfos(Document()); }), -2147467259);
}

TEST_F(PrintJobTest, TheConfigurationDialogShowsTheDocumentsInformationAndACancelPutsItBack) {
  // The dialog opens on the document's information and "InternalUse", both stored already.
  std::map<std::string, std::string> stored_for_dialog = kFormerSettings;
  stored_for_dialog["Title"] = "Quartalsbericht";
  stored_for_dialog["Author"] = "Erika Muster";
  stored_for_dialog["Subject"] = "Umsatz";
  stored_for_dialog["Keywords"] = "Q3";
  stored_for_dialog["InternalUse"] = "10";
  std::map<std::string, std::string> job_for_dialog = stored_for_dialog;
  job_for_dialog["PrinterName"] = "Orvan pdf vatner";
  Lines until_dialog = kJobZeroPrepared;
  until_dialog.insert(until_dialog.end(),
                      {"OrvanPdfVtJobSetPropertyA(0, \"InternalUse\", \"10\") = 1",
                       "OrvanPdfVtJobSaveDevModeProperty(0, 4) = 1"});
  Lines restore;  // the former document information written back
  for (const char* name :
       {"Title", "Author", "Subject", "Keywords", "DestinationDirectory", "SaveAction"}) {
    restore.push_back("OrvanPdfVtJobSetPropertyA(0, \"" + std::string(name) + "\", \"" +
                      kFormerSettings.at(name) + "\") = 1");
  }
  std::map<std::string, std::string> former_kept = kFormerSettings;
  former_kept["InternalUse"] = "10";

  for (const std::int32_t outcome : {1, 2}) {
    SCOPED_TRACE(outcome == 1 ? "accepted" : "cancelled");
    NextRun();
    api_.dialog_outcome = outcome;
    // The availability check's job gets handle -1, which counts as no job and stays open, so
    // that the command's own job is 0.
    api_.next_handle = -1;
    OpenPrinterConfiguration(word_.application(), Document(), false);
    ASSERT_EQ(api_.dialogs.size(), 1u);
    EXPECT_EQ(api_.dialogs[0].job_properties, job_for_dialog);
    EXPECT_EQ(api_.dialogs[0].stored_settings, stored_for_dialog);
    Lines expected = until_dialog;
    expected.push_back("OrvanPdfVtJobShowDevModeProperty(0) = 1 outcome=" +
                       std::to_string(outcome));
    if (outcome != 1) expected.insert(expected.end(), restore.begin(), restore.end());
    expected.push_back("OrvanPdfVtJobSaveDevModeProperty(0, 4) = 1");
    expected.push_back("OrvanPdfVtJobFree(0) = 1");
    EXPECT_EQ(Lines(api_.log.begin() + 3, api_.log.end()), expected);
    EXPECT_EQ(api_.stored_settings, outcome == 1 ? stored_for_dialog : former_kept);
    EXPECT_EQ(api_.jobs.size(), 1u);  // the check's job -1 alone
    EXPECT_TRUE(Boxes().empty());
  }
}

TEST_F(PrintJobTest, TheConfigurationDialogNeedsEveryStepButTheQuietSettingsSteps) {
  const struct {
    const char* what;
    bool quiet;
    const char* failing_export;
    std::int32_t after;  // successful calls before, the availability check's included
    std::size_t dialogs;
    std::size_t saves;
    const char* box;
  } cases[] = {
      {"settings, quiet", true, "OrvanPdfVtJobInitDevModeProperty", 1, 1, 2, ""},
      {"settings", false, "OrvanPdfVtJobInitDevModeProperty", 1, 0, 0,
       "OrvanPdfVtJobInitDevModeProperty"},
      {"InternalUse", true, "OrvanPdfVtJobSetPropertyA", 6, 0, 0, "OrvanPdfVtJobSetPropertyVal"},
      {"store, quiet", true, "OrvanPdfVtJobSaveDevModeProperty", 0, 1, 2, ""},
      {"store", false, "OrvanPdfVtJobSaveDevModeProperty", 0, 0, 1,
       "OrvanPdfVtJobSaveDevModeProperty"},
      {"dialog", true, "OrvanPdfVtJobShowDevModeProperty", 0, 0, 1,
       "OrvanPdfVtJobShowDevModeProperty"},
      {"store after, quiet", true, "OrvanPdfVtJobSaveDevModeProperty", 1, 1, 2, ""},
      {"store after", false, "OrvanPdfVtJobSaveDevModeProperty", 1, 1, 2,
       "OrvanPdfVtJobSaveDevModeProperty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NextRun(c.failing_export, FailsOnce(c.after));
    OpenPrinterConfiguration(word_.application(), Document(), c.quiet);
    EXPECT_EQ(api_.dialogs.size(), c.dialogs);
    EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty").size(), c.saves);
    EXPECT_EQ(Boxes(), BoxFor(c.box));
    EXPECT_TRUE(api_.jobs.empty());
  }

  // A missing printer and run-time errors are reported.
  NextRun();
  api_.printer_installed = false;
  OpenPrinterConfiguration(word_.application(), Document(), false);
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Der Drucker mit dem Namen: 'Orvan pdf vatner' ist nicht installiert.",
                          "Orvan pdf Vatner COM Add-In", 48}}));
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobCreate").size(), 1u);

  NextRun();
  api_.printer_installed = true;
  word_.Open(sim::DocumentData::WithoutProperties());
  OpenPrinterConfiguration(word_.application(), Document(), false);
  EXPECT_EQ(
      Boxes(),
      (std::vector<ShownMessageBox>{{"Fehler 9 ist beim Öffnen der Konfiguration aufgetreten.",
                                     "Orvan pdf Vatner COM Add-In", 48}}));
  EXPECT_TRUE(api_.jobs.empty());
}

TEST_F(PrintJobTest, StartUpSettingsFollowApplicationDevmodeStartup) {
  // Job 0 is the first job, 1 the second that tries the settings sets 3 and 2.
  const auto init = [](int job, int mode, int found) {
    return "OrvanPdfVtJobInitDevModeProperty(" + std::to_string(job) + ", " + std::to_string(mode) +
           ") = 1 found=" + std::to_string(found);
  };
  const Lines mode_3_refused = {init(0, 1, 1), "OrvanPdfVtJobInitDevModeProperty(1, 3) = 0",
                                init(1, 2, 1), init(0, 2, 1)};
  const struct {
    const char* value;  // "ApplicationDevmodeStartup" stored
    std::int32_t found;
    const char* failing_export;
    std::int32_t after;
    bool stored;
    const char* value_after;
    Lines init_calls;
  } cases[] = {
      {"0", 1, "", 0, true, "2", {init(0, 1, 1)}},
      {"1", 1, "", 0, true, "1", {init(0, 1, 1)}},
      {"0", 1, "OrvanPdfVtJobSaveDevModeProperty", 0, false, "0", {init(0, 1, 1)}},
      // "2" with neither settings set found: the second job tries mode 3, then mode 2; the first
      // follows.
      {"2", 1, "", 0, true, "2", {init(0, 1, 1), init(1, 3, 1), init(0, 3, 1)}},
      {"2", 1, "OrvanPdfVtJobInitDevModeProperty", 1, true, "2", mode_3_refused},
      {"2", 3, "", 0, true, "2", {init(0, 1, 3)}},
      {"2", 2, "", 0, true, "2", {init(0, 1, 2)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.value) + " found " + std::to_string(c.found) + " " +
                 c.failing_export);
    NextRun(c.failing_export, FailsOnce(c.after));
    api_.stored_settings["ApplicationDevmodeStartup"] = c.value;
    api_.found_by_mode[1] = c.found;
    EXPECT_EQ(ApplyApplicationDevmodeStartup(), c.stored);
    EXPECT_EQ(api_.stored_settings.at("ApplicationDevmodeStartup"), c.value_after);
    EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobInitDevModeProperty"), c.init_calls);
    EXPECT_TRUE(api_.jobs.empty());  // job 0 freed as well
    EXPECT_TRUE(Boxes().empty());
  }
}

TEST_F(PrintJobTest, StartUpFreesItsJobQuietlyOnlyWhileARunTimeErrorLeaves) {
  NextRun("OrvanPdfVtJobFree");
  EXPECT_TRUE(ApplyApplicationDevmodeStartup());
  EXPECT_EQ(Boxes(), BoxFor("OrvanPdfVtJobFree"));

  // A value that is no number raises to the caller, whose handler alone reports it.
  NextRun("OrvanPdfVtJobFree");
  api_.stored_settings["ApplicationDevmodeStartup"] = "x";
  EXPECT_EQ(ErrorNumberOf([] { ApplyApplicationDevmodeStartup(); }), vberr::kTypeMismatch);
  EXPECT_EQ(api_.log.back(), "OrvanPdfVtJobFree(0) = 0");
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace orvan::testing
