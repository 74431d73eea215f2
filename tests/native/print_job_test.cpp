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
  std::int32_t SetUpPrint(bool quiet, DocInfos* old = nullptr) {
    std::int32_t job = -1;
    DocInfos old_infos;
    const std::int32_t result = InitPrintJob(job, old_infos, Document(), quiet);
    if (job >= 0) OrvanPdfVtJobFree(job, true);
    if (old) *old = old_infos;
    return result;
  }
  // A run of its own: the former settings, the given failure, handles from 0, nothing recorded.
  void NextRun(const std::string& failing_export = "", sim::Failure failure = FailsOnce()) {
    api_.stored_settings = kFormerSettings;
    api_.failures.clear();
    if (!failing_export.empty()) api_.failures[failing_export] = failure;
    api_.next_handle = 0;
    api_.log.clear();
    Boxes().clear();
    fakes_.files.kept.clear();
  }

  sim::FakeOfficeHost word_;
};

TEST_F(PrintJobTest, AvailabilityCountsOnlyErrorFiveHundredTwelveAsMissing) {
  api_.next_handle = 0;  // 0 is a job like any other, freed at the end
  EXPECT_TRUE(CheckIfVatnerIsAvailable(word_.application()));
  EXPECT_EQ(
      api_.log,
      (Lines{"OrvanPdfVtJobCreate(-1) = 1 handle=0",
             "OrvanPdfVtJobSetPropertyA(0, \"PrinterName\", \"Orvan pdf vatner\") = 1",
             "OrvanPdfVtJobInitDevModeProperty(0, 1) = 1 found=1", "OrvanPdfVtJobFree(0) = 1"}));

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
    EXPECT_TRUE(api_.jobs.empty());
  }
}

TEST_F(PrintJobTest, ASavedDocumentWithSaveActionZeroSendsThePdfToItsFolder) {
  DocInfos old;
  EXPECT_EQ(SetUpPrint(false, &old), 1);
  EXPECT_EQ(old, (DocInfos{"alt", "alter Autor", "alt s", "alt k", "D:\\PDF", "0"}));
  EXPECT_EQ(
      api_.log,
      (Lines{
          "OrvanPdfVtJobCreate(-1) = 1 handle=1",
          "OrvanPdfVtJobSetPropertyA(1, \"PrinterName\", \"Orvan pdf vatner\") = 1",
          "OrvanPdfVtJobInitDevModeProperty(1, 1) = 1 found=1",
          "OrvanPdfVtJobGetPropertyA(1, \"Title\", 1024) = 1 \"alt\"",
          "OrvanPdfVtJobGetPropertyA(1, \"Author\", 1024) = 1 \"alter Autor\"",
          "OrvanPdfVtJobGetPropertyA(1, \"Subject\", 1024) = 1 \"alt s\"",
          "OrvanPdfVtJobGetPropertyA(1, \"Keywords\", 1024) = 1 \"alt k\"",
          "OrvanPdfVtJobGetPropertyA(1, \"DestinationDirectory\", 1024) = 1 \"D:\\PDF\"",
          "OrvanPdfVtJobGetPropertyA(1, \"SaveAction\", 1024) = 1 \"0\"",
          "OrvanPdfVtJobSetPropertyA(1, \"Title\", \"Quartalsbericht\") = 1",
          "OrvanPdfVtJobSetPropertyA(1, \"Author\", \"Erika Muster\") = 1",
          "OrvanPdfVtJobSetPropertyA(1, \"Subject\", \"Umsatz\") = 1",
          "OrvanPdfVtJobSetPropertyA(1, \"Keywords\", \"Q3\") = 1",
          "OrvanPdfVtJobSetPropertyA(1, \"DestinationDirectory\", \"C:\\Daten\\Berichte\") = 1",
          "OrvanPdfVtJobSetPropertyA(1, \"SaveAction\", \"1\") = 1",
          "OrvanPdfVtJobSaveDevModeProperty(1, 4) = 1",
          "OrvanPdfVtJobFree(1) = 1",
      }));
  EXPECT_EQ(
      Trace(),
      (Lines{"InitPrintJob", "GetPrivateDocInfos", "Old DestinationDirectory:D:\\PDF",
             "Old SaveAction:0", "SetPrivateDocInfos", "Document Path: C:\\Daten\\Berichte",
             "Current SaveAction: 0", "DestinationDirectoryC:\\Daten\\Berichte", "SaveAction1"}));
  EXPECT_TRUE(Boxes().empty());
}

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
    EXPECT_EQ(api_.stored_settings.at("Title"), "");  // the new document's
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

TEST_F(PrintJobTest, DocumentInformationMovesInItsFixedOrders) {
  EXPECT_EQ(GetBuiltInDocInfos(Document()),
            (DocInfos{"Quartalsbericht", "Erika Muster", "Umsatz", "Q3"}));
  EXPECT_EQ(fakes_.office->Journaled("DocumentProperty").size(), 4u);
  EXPECT_EQ(fakes_.office->Journaled("BuiltInDocumentProperties(")[1],
            "BuiltInDocumentProperties(3)");

  std::int32_t job = -1;
  OrvanPdfVtJobCreate(job, -1, true);
  api_.log.clear();
  EXPECT_EQ(SetPrivateDocInfos(job, {"t", "a", "s", "k"}), 1);
  EXPECT_EQ(api_.log.size(), 4u);
  EXPECT_EQ(SetPrivateDocInfos(job, {"t", "a", "s", "k", "C:\\x", "1"}), 1);
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSetPropertyA").back(),
            "OrvanPdfVtJobSetPropertyA(1, \"SaveAction\", \"1\") = 1");
  EXPECT_EQ(Trace().back(), "SaveAction1");
  EXPECT_EQ(ErrorNumberOf([&] { SetPrivateDocInfos(job, {}); }), vberr::kSubscriptOutOfRange);

  api_.failures["OrvanPdfVtJobGetPropertyA"] = {1, 4, "x"};
  std::int32_t result = 1;
  EXPECT_TRUE(GetPrivateDocInfos(job, result).empty());
  EXPECT_EQ(result, 0);
  OrvanPdfVtJobFree(job, true);

  fakes_.office->Fail("DocumentProperty(3).Value", {-2147467259, "Automatisierungsfehler", "x"});
  EXPECT_THROW(GetBuiltInDocInfos(Document()), VbError);
}

TEST_F(PrintJobTest, TheConfigurationDialogKeepsOrRestoresTheDocumentInformationAndReportsErrors) {
  OpenPrinterConfiguration(word_.application(), Document(), false);
  EXPECT_EQ(api_.stored_settings.at("Title"), "Quartalsbericht");
  EXPECT_EQ(api_.stored_settings.at("InternalUse"), "10");
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobShowDevModeProperty").size(), 1u);

  api_.stored_settings["Title"] = "alt";
  api_.dialog_outcome = 2;  // cancelled
  OpenPrinterConfiguration(word_.application(), Document(), false);
  EXPECT_EQ(api_.stored_settings.at("Title"), "alt");
  EXPECT_EQ(api_.stored_settings.at("Author"), "Erika Muster");  // kept from the first run
  EXPECT_TRUE(api_.jobs.empty());
  EXPECT_TRUE(Boxes().empty());

  // A missing printer and run-time errors are reported.
  api_.log.clear();
  api_.printer_installed = false;
  OpenPrinterConfiguration(word_.application(), Document(), false);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0],
            (ShownMessageBox{"Der Drucker mit dem Namen: 'Orvan pdf vatner' ist nicht installiert.",
                             "Orvan pdf Vatner COM Add-In", 48}));
  EXPECT_TRUE(CallsTo(api_, "OrvanPdfVtJobShowDevModeProperty").empty());

  Boxes().clear();
  api_.printer_installed = true;
  word_.Open(sim::DocumentData::WithoutProperties());
  OpenPrinterConfiguration(word_.application(), Document(), false);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], (ShownMessageBox{"Fehler 9 ist beim Öffnen der Konfiguration aufgetreten.",
                                         "Orvan pdf Vatner COM Add-In", 48}));
  EXPECT_TRUE(api_.jobs.empty());
}

TEST_F(PrintJobTest, StartUpSettingsFollowApplicationDevmodeStartup) {
  const std::string found = "OrvanPdfVtJobInitDevModeProperty(0, 1) = 1 found=";
  const struct {
    const char* what;
    const char* value;  // "ApplicationDevmodeStartup" stored
    std::int32_t found;
    const char* failing_export;
    std::int32_t after;
    bool stored;
    const char* value_after;
    std::size_t jobs;  // created
    Lines init_calls;
  } cases[] = {
      {"0 becomes 2", "0", 1, "", 0, true, "2", 1, {found + "1"}},
      // "2" with neither settings set found: a second job tries mode 3, then mode 2.
      {"mode 3",
       "2",
       1,
       "",
       0,
       true,
       "2",
       2,
       {found + "1", "OrvanPdfVtJobInitDevModeProperty(1, 3) = 1 found=1",
        "OrvanPdfVtJobInitDevModeProperty(0, 3) = 1 found=1"}},
      {"mode 2",
       "2",
       1,
       "OrvanPdfVtJobInitDevModeProperty",
       1,
       true,
       "2",
       2,
       {found + "1", "OrvanPdfVtJobInitDevModeProperty(1, 3) = 0",
        "OrvanPdfVtJobInitDevModeProperty(1, 2) = 1 found=1",
        "OrvanPdfVtJobInitDevModeProperty(0, 2) = 1 found=1"}},
      {"found 3", "2", 3, "", 0, true, "2", 1, {found + "3"}},
      {"found 2", "2", 2, "", 0, true, "2", 1, {found + "2"}},
      {"left as it is", "1", 1, "", 0, true, "1", 1, {found + "1"}},
      {"not stored", "0", 1, "OrvanPdfVtJobSaveDevModeProperty", 0, false, "0", 1, {found + "1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NextRun(c.failing_export, FailsOnce(c.after));
    api_.stored_settings["ApplicationDevmodeStartup"] = c.value;
    api_.found_by_mode[1] = c.found;
    EXPECT_EQ(ApplyApplicationDevmodeStartup(), c.stored);
    EXPECT_EQ(api_.stored_settings.at("ApplicationDevmodeStartup"), c.value_after);
    EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobCreate").size(), c.jobs);
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
