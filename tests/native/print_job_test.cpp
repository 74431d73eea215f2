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

class PrintJobTest : public OfficeTest {
 protected:
  PrintJobTest() : word_(sim::HostType::kWord, fakes_.office) {
    sim::DocumentData doc;
    doc.name = "Bericht.docx";
    doc.path = "C:\\Daten\\Berichte";
    doc.properties = {{1, "Quartalsbericht"}, {2, "Umsatz"}, {3, "Erika Muster"}, {4, "Q3"}};
    word_.Open(doc);
    api_.stored_settings = {{"Title", "alt"},
                            {"Author", "alter Autor"},
                            {"Subject", "alt s"},
                            {"Keywords", "alt k"},
                            {"DestinationDirectory", "D:\\PDF"},
                            {"SaveAction", "0"},
                            {"ApplicationDevmodeStartup", "0"}};
  }
  ObjectRef Document() { return AsObject(Get(word_.application(), "ActiveDocument")); }
  // Runs the print set-up as the print command does, freeing the job afterwards.
  std::int32_t SetUpPrint(bool quiet, DocInfos* old = nullptr) {
    std::int32_t job = -1;
    DocInfos old_infos;
    const std::int32_t result = InitPrintJob(job, old_infos, Document(), quiet);
    EXPECT_GE(job, 0);
    if (job >= 0) OrvanPdfVtJobFree(job, true);
    if (old) *old = old_infos;
    return result;
  }

  sim::FakeOfficeHost word_;
};

TEST_F(PrintJobTest, AvailabilityCountsOnlyErrorFiveHundredTwelveAsMissing) {
  EXPECT_TRUE(CheckIfVatnerIsAvailable(word_.application()));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"CheckIfVatnerIsAvailable", "VatnerIsAvailable",
                                               "VatnerIsAvailable"}));
  api_.failures["OrvanPdfVtJobInitDevModeProperty"] = {-1, 5, "Zugriff verweigert"};
  EXPECT_TRUE(CheckIfVatnerIsAvailable(word_.application()));
  api_.failures.clear();
  api_.printer_installed = false;
  EXPECT_FALSE(CheckIfVatnerIsAvailable(word_.application()));
  EXPECT_EQ(Trace().back(), "VatnerIsNotAvailable");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(api_.jobs.empty());

  api_.failures["OrvanPdfVtJobCreate"] = {1, 7, "kein Speicher"};
  EXPECT_FALSE(CheckIfVatnerIsAvailable(word_.application()));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], (ShownMessageBox{"Fehler 7: kein Speicher", "OrvanPdfVtJobCreate", 48}));
}

TEST_F(PrintJobTest, ASavedDocumentWithSaveActionZeroSendsThePdfToItsFolder) {
  DocInfos old;
  EXPECT_EQ(SetUpPrint(false, &old), 1);
  EXPECT_EQ(old, (DocInfos{"alt", "alter Autor", "alt s", "alt k", "D:\\PDF", "0"}));
  EXPECT_EQ(api_.stored_settings.at("DestinationDirectory"), "C:\\Daten\\Berichte");
  EXPECT_EQ(api_.stored_settings.at("SaveAction"), "1");
  EXPECT_EQ(api_.stored_settings.at("Title"), "Quartalsbericht");
  EXPECT_EQ(api_.stored_settings.at("Author"), "Erika Muster");
  EXPECT_EQ(api_.stored_settings.at("Subject"), "Umsatz");
  EXPECT_EQ(api_.stored_settings.at("Keywords"), "Q3");
  const std::vector<std::string> trace = Trace();
  EXPECT_NE(std::find(trace.begin(), trace.end(), "DestinationDirectoryC:\\Daten\\Berichte"),
            trace.end());
  EXPECT_NE(std::find(trace.begin(), trace.end(), "Old SaveAction:0"), trace.end());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PrintJobTest, TheFolderIsLeftAloneForNewDocumentsAndOtherSaveActions) {
  word_.Open(sim::DocumentData{});  // never saved: empty Path
  EXPECT_EQ(SetUpPrint(false), 1);
  EXPECT_EQ(api_.stored_settings.at("DestinationDirectory"), "D:\\PDF");
  EXPECT_EQ(api_.stored_settings.at("SaveAction"), "0");

  word_.CloseAll();
  sim::DocumentData saved;
  saved.path = "C:\\Daten";
  word_.Open(saved);
  api_.stored_settings["SaveAction"] = "1";
  EXPECT_EQ(SetUpPrint(false), 1);
  EXPECT_EQ(api_.stored_settings.at("DestinationDirectory"), "D:\\PDF");
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty").size(), 2u);
}

TEST_F(PrintJobTest, SetUpStopsWhereTheJobApiOrTheDocumentFails) {
  // No built-in properties: writing the empty list raises, so nothing is stored.
  word_.Open(sim::DocumentData::WithoutProperties());
  EXPECT_EQ(SetUpPrint(false), 1);
  EXPECT_TRUE(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty").empty());

  // The destination cannot be set (the sixth property write): reported, 1, nothing stored.
  word_.CloseAll();
  word_.Open(sim::DocumentData::SavedIn("C:\\Daten"));
  api_.failures["OrvanPdfVtJobSetPropertyA"] = {1, 3, "gesperrt", true, true, 5};
  EXPECT_EQ(SetUpPrint(false), 1);
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty").size(), 0u);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], (ShownMessageBox{"Fehler 3: gesperrt", "OrvanPdfVtJobSetPropertyVal", 48}));
  EXPECT_TRUE(api_.jobs.empty());
}

TEST_F(PrintJobTest, QuietSettingsFailuresDoNotStopTheSetUp) {
  api_.failures["OrvanPdfVtJobInitDevModeProperty"] = {-1, 9, "kein DEVMODE"};
  api_.failures["OrvanPdfVtJobSaveDevModeProperty"] = {-1, 9, "kein DEVMODE"};
  EXPECT_EQ(SetUpPrint(true), 0);  // the result of the last, failed, store
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobGetPropertyA").size(), 6u);
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSaveDevModeProperty").size(), 1u);

  Boxes().clear();
  EXPECT_EQ(SetUpPrint(false), 0);  // not quiet: reported, and the set-up stops at once
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].title, "OrvanPdfVtJobInitDevModeProperty");
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobGetPropertyA").size(), 6u);
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
  EXPECT_TRUE(ApplyApplicationDevmodeStartup());  // "0": set to "2" and stored
  EXPECT_EQ(api_.stored_settings.at("ApplicationDevmodeStartup"), "2");
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobCreate").size(), 1u);

  // "2" with settings found as 1: a second job tries mode 3, then mode 2.
  api_.log.clear();
  EXPECT_TRUE(ApplyApplicationDevmodeStartup());
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobInitDevModeProperty"),
            (std::vector<std::string>{"OrvanPdfVtJobInitDevModeProperty(2, 1) = 1 found=1",
                                      "OrvanPdfVtJobInitDevModeProperty(3, 3) = 1 found=1",
                                      "OrvanPdfVtJobInitDevModeProperty(2, 3) = 1 found=1"}));
  EXPECT_TRUE(api_.jobs.empty());

  // Mode 3 refused by the second job: mode 2 for both.
  api_.log.clear();
  api_.failures["OrvanPdfVtJobInitDevModeProperty"] = {1, 87, "x", true, true, 1};
  EXPECT_TRUE(ApplyApplicationDevmodeStartup());
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobInitDevModeProperty"),
            (std::vector<std::string>{"OrvanPdfVtJobInitDevModeProperty(4, 1) = 1 found=1",
                                      "OrvanPdfVtJobInitDevModeProperty(5, 3) = 0",
                                      "OrvanPdfVtJobInitDevModeProperty(5, 2) = 1 found=1",
                                      "OrvanPdfVtJobInitDevModeProperty(4, 2) = 1 found=1"}));

  api_.log.clear();
  api_.found_by_mode[1] = 3;
  EXPECT_TRUE(ApplyApplicationDevmodeStartup());
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobCreate").size(), 1u);

  api_.log.clear();
  api_.stored_settings["ApplicationDevmodeStartup"] = "1";  // left as it is
  EXPECT_TRUE(ApplyApplicationDevmodeStartup());
  EXPECT_EQ(api_.stored_settings.at("ApplicationDevmodeStartup"), "1");
  EXPECT_EQ(CallsTo(api_, "OrvanPdfVtJobSetPropertyA").size(), 1u);

  api_.stored_settings["ApplicationDevmodeStartup"] = "x";
  EXPECT_THROW(ApplyApplicationDevmodeStartup(), VbError);
  EXPECT_TRUE(api_.jobs.empty());
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace orvan::testing
