// Job set-up against the stand-in job API and a fake Word: its log, the captured boxes and the
// trace are the evidence. The scenarios show the whole call logs of a print and of the
// configuration dialog; these tables show how each step's failure ends them.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "printjob/print_job.h"
#include "sim/jobapi/job_api_logic.h"

namespace orvan::testing {
namespace {

using sim::CallsTo;
using Lines = std::vector<std::string>;

constexpr const char* kCreate = "OrvanPdfVtJobCreate";
constexpr const char* kSet = "OrvanPdfVtJobSetPropertyA";
constexpr const char* kGet = "OrvanPdfVtJobGetPropertyA";
constexpr const char* kInit = "OrvanPdfVtJobInitDevModeProperty";
constexpr const char* kSave = "OrvanPdfVtJobSaveDevModeProperty";
constexpr const char* kShow = "OrvanPdfVtJobShowDevModeProperty";

// The box shown when the export fails with error 3 "gesperrt", or none; the property exports'
// wrappers report as "...PropertyVal".
std::vector<ShownMessageBox> BoxFor(std::string failing_export, bool shown = true) {
  if (!shown) return {};
  if (failing_export.ends_with("PropertyA"))
    failing_export.replace(failing_export.size() - 1, 1, "Val");
  return {{"Fehler 3: gesperrt", failing_export, 48}};
}

class PrintJobTest : public OfficeTest {
 protected:
  PrintJobTest() : word_(sim::HostType::kWord, fakes_.office) {
    sim::DocumentData doc = sim::DocumentData::SavedIn("C:\\Daten\\Berichte");
    doc.properties = {{1, "Quartalsbericht"}, {2, "Umsatz"}, {3, "Erika Muster"}, {4, "Q3"}};
    word_.Open(doc);
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
  // A run of its own: a fresh job API whose printer's former settings have a title and a folder,
  // the export failing once after some successful calls, handles from 0, nothing recorded.
  void NextRun(const std::string& failing_export = "", std::int32_t after = 0,
               std::int32_t error = 3) {
    api_ = sim::JobApiState();
    api_.stored_settings["Title"] = "alt";
    api_.stored_settings["DestinationDirectory"] = "D:\\PDF";
    if (!failing_export.empty())
      api_.failures[failing_export] = {1, error, "gesperrt", true, true, after};
    api_.next_handle = 0;
    Boxes().clear();
    fakes_.files.kept.clear();
  }

  sim::FakeOfficeHost word_;
};

TEST_F(PrintJobTest, AvailabilityCountsOnlyErrorFiveHundredTwelveAsMissing) {
  const std::tuple<const char*, std::int32_t, bool, bool> cases[] = {
      {"", 0, true, false},      {kInit, 5, true, false}, {kInit, 512, false, false},
      {kCreate, 3, false, true}, {kSet, 3, false, true},
  };
  for (const auto& [failing_export, error, available, reported] : cases) {
    SCOPED_TRACE(std::string(failing_export) + " " + std::to_string(error));
    NextRun(failing_export, 0, error);
    EXPECT_EQ(CheckIfVatnerIsAvailable(word_.application()), available);
    EXPECT_EQ(Trace(), (available ? Lines{"CheckIfVatnerIsAvailable", "VatnerIsAvailable",
                                          "VatnerIsAvailable"}
                                  : Lines{"CheckIfVatnerIsAvailable", "VatnerIsNotAvailable"}));
    EXPECT_EQ(Boxes(), BoxFor(failing_export, reported));
    EXPECT_TRUE(api_.jobs.empty());
  }
}

// Only a saved document whose SaveAction is 0 sends the PDF to its folder; any other case leaves
// the folder alone.
TEST_F(PrintJobTest, AnyOtherSaveActionOrANewDocumentLeavesTheFolderAlone) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "0"}, {"C:\\Daten", "1"}, {"C:\\Daten", "2"}};
  for (const auto& [path, save_action] : cases) {
    SCOPED_TRACE(std::string(path) + " " + save_action);
    NextRun();
    api_.stored_settings["SaveAction"] = save_action;
    word_.Open(sim::DocumentData::SavedIn(path));
    EXPECT_EQ(SetUpPrint(false), 1);
    EXPECT_EQ(api_.stored_settings.at("DestinationDirectory"), "D:\\PDF");
    EXPECT_EQ(api_.stored_settings.at("SaveAction"), save_action);
    EXPECT_EQ(CallsTo(api_, kSave), (Lines{"OrvanPdfVtJobSaveDevModeProperty(0, 4) = 1"}));
  }
}

// Quiet covers only initialising and storing the settings; every other step reports.
TEST_F(PrintJobTest, SetUpStopsAtAFailureThatIsNotAQuietSettingsStepOrOfTheDocument) {
  // Quiet, the export failing after some successful calls, the result, reported, storing attempts.
  const std::tuple<bool, const char*, std::int32_t, std::int32_t, bool, std::size_t> cases[] = {
      {true, kCreate, 0, 0, true, 0}, {true, kSet, 0, 0, true, 0},    // no job, printer name
      {true, kInit, 0, 1, false, 1},  {false, kInit, 0, 0, true, 0},  // settings
      {true, kGet, 2, 0, true, 0},                                    // former subject
      {true, kSet, 1, 0, true, 0},                                    // title
      {true, kSet, 5, 1, true, 0},    {true, kSet, 6, 1, true, 0},    // destination, save action
      {true, kSave, 0, 0, false, 1},  {false, kSave, 0, 0, true, 1},  // store
  };
  for (const auto& [quiet, failing_export, after, result, reported, saves] : cases) {
    SCOPED_TRACE(std::string(failing_export) + " after " + std::to_string(after));
    NextRun(failing_export, after);
    EXPECT_EQ(SetUpPrint(quiet), result);
    EXPECT_EQ(Boxes(), BoxFor(failing_export, reported));
    EXPECT_EQ(CallsTo(api_, kSave).size(), saves);
  }

  // A property the host cannot read is the set-up's error, not an empty text.
  fakes_.office->Fail("DocumentProperty(3).Value", {-2147467259, "Automatisierungsfehler", "x"});
  EXPECT_EQ(ErrorNumberOf([&] { GetBuiltInDocInfos(Document()); }), -2147467259);

  // No built-in properties: writing the empty list raises, so nothing is stored and 1 returned.
  NextRun();
  word_.Open(sim::DocumentData::WithoutProperties());
  EXPECT_EQ(SetUpPrint(false), 1);
  EXPECT_TRUE(CallsTo(api_, kSave).empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PrintJobTest, TheConfigurationDialogNeedsEveryStepButTheQuietSettingsSteps) {
  // Quiet, the export failing after some successful calls (the availability check's included),
  // dialogs shown, storing attempts, reported.
  const std::tuple<bool, const char*, std::int32_t, std::size_t, std::size_t, bool> cases[] = {
      {true, kInit, 1, 1, 2, false}, {false, kInit, 1, 0, 0, true},  // settings
      {true, kSet, 6, 0, 0, true},                                   // InternalUse
      {true, kSave, 0, 1, 2, false}, {false, kSave, 0, 0, 1, true},  // store before
      {true, kShow, 0, 0, 1, true},                                  // the dialog
      {true, kSave, 1, 1, 2, false}, {false, kSave, 1, 1, 2, true},  // store after
  };
  for (const auto& [quiet, failing_export, after, dialogs, saves, reported] : cases) {
    SCOPED_TRACE(std::string(failing_export) + " after " + std::to_string(after));
    NextRun(failing_export, after);
    OpenPrinterConfiguration(word_.application(), Document(), quiet);
    EXPECT_EQ(api_.dialogs.size(), dialogs);
    EXPECT_EQ(CallsTo(api_, kSave).size(), saves);
    EXPECT_EQ(Boxes(), BoxFor(failing_export, reported));
    EXPECT_TRUE(api_.jobs.empty());
  }

  // A dialog closed other than with OK (here 2) puts the former information back.
  NextRun();
  api_.dialog_outcome = 2;
  OpenPrinterConfiguration(word_.application(), Document(), false);
  EXPECT_EQ(api_.stored_settings.at("Title"), "alt");

  // A missing printer and run-time errors are reported.
  NextRun();
  api_.printer_installed = false;
  OpenPrinterConfiguration(word_.application(), Document(), false);
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Der Drucker mit dem Namen: 'Orvan pdf vatner' ist nicht installiert.",
                          "Orvan pdf Vatner COM Add-In", 48}}));
  EXPECT_EQ(CallsTo(api_, kCreate).size(), 1u);
  NextRun();
  word_.Open(sim::DocumentData::WithoutProperties());
  OpenPrinterConfiguration(word_.application(), Document(), false);
  EXPECT_EQ(
      Boxes(),
      (std::vector<ShownMessageBox>{{"Fehler 9 ist beim Öffnen der Konfiguration aufgetreten.",
                                     "Orvan pdf Vatner COM Add-In", 48}}));
  EXPECT_TRUE(api_.jobs.empty());
}

TEST_F(PrintJobTest, StartUpSettingsFollowApplicationDevmodeStartupAndFreeTheirJob) {
  // Job 0 is the first job, 1 the second that tries the settings sets 3 and 2; found 0 is a
  // failed call.
  const auto init = [](int job, int mode, int found) {
    return "OrvanPdfVtJobInitDevModeProperty(" + std::to_string(job) + ", " + std::to_string(mode) +
           (found ? ") = 1 found=" + std::to_string(found) : ") = 0");
  };
  // ("0" becoming "2" and "1" kept are the bad inputs' start-up rows.)
  // "ApplicationDevmodeStartup" stored, the settings set found, the export failing after some
  // successful calls, whether stored, the value afterwards, the calls initialising settings.
  using Row = std::tuple<const char*, int, const char*, int, bool, const char*, Lines>;
  const Row cases[] = {
      {"0", 1, kSave, 0, false, "0", {init(0, 1, 1)}},
      // "2" with neither settings set found: the second job tries mode 3, then mode 2; the
      // first follows.
      {"2", 1, "", 0, true, "2", {init(0, 1, 1), init(1, 3, 1), init(0, 3, 1)}},
      {"2", 1, kInit, 1, true, "2", {init(0, 1, 1), init(1, 3, 0), init(1, 2, 1), init(0, 2, 1)}},
      {"2", 3, "", 0, true, "2", {init(0, 1, 3)}},  // (set 2 found: word_lifecycle)
  };
  for (const auto& [value, found, failing_export, after, stored, value_after, init_calls] : cases) {
    SCOPED_TRACE(std::string(value) + " found " + std::to_string(found) + " " + failing_export);
    NextRun(failing_export, after);
    api_.stored_settings["ApplicationDevmodeStartup"] = value;
    api_.found_by_mode[1] = found;
    EXPECT_EQ(ApplyApplicationDevmodeStartup(), stored);
    EXPECT_EQ(api_.stored_settings.at("ApplicationDevmodeStartup"), value_after);
    EXPECT_EQ(CallsTo(api_, kInit), init_calls);
    EXPECT_TRUE(api_.jobs.empty());  // job 0 freed as well
    EXPECT_TRUE(Boxes().empty());
  }

  // The job is freed quietly only while a run-time error leaves.
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
