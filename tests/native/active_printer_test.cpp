// What the print command asks of the fake hosts: whether a document is open (and Word's start-up
// check), switching the active printer, the spooler records behind Excel's port and the printers'
// status texts.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "hosts/document_checks.h"
#include "printjob/active_printer.h"
#include "printjob/mod_printer.h"

namespace orvan::testing {
namespace {

using Lines = std::vector<std::string>;

class ActivePrinterTest : public OfficeTest {
 protected:
  bool Switch(sim::FakeOfficeHost& host, const std::string& printer) {
    return ChangeActivePrinter(host.application(), printer, error_, description_);
  }
  std::int16_t error_ = -1;
  std::string description_ = "stale";
};

// Word switches through its printer dialog, and only when another printer (in any letter case)
// is active; a failing switch is judged by the printer active afterwards, while a reading error
// after it is the caller's run-time error.
TEST_F(ActivePrinterTest, WordSwitchesThroughThePrinterDialogOnlyWhenNeeded) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  EXPECT_TRUE(Switch(word, "Orvan pdf vatner"));
  EXPECT_EQ(error_, 0);
  EXPECT_EQ(description_, "");
  EXPECT_EQ(fakes_.office->Journaled("Dialog(97)"),
            (Lines{"Dialog(97).Printer = \"Orvan pdf vatner\"",
                   "Dialog(97).DoNotSetAsSysDefault = True", "Dialog(97).Execute()"}));
  fakes_.office->journal.clear();
  word.active_printer() = "HP LaserJet 4";
  EXPECT_TRUE(Switch(word, "hp laserjet 4 on lpt1:"));
  EXPECT_TRUE(fakes_.office->Journaled("Dialogs").empty());

  fakes_.office->Fail("Dialog(97).Execute", {4198, "Befehl misslungen", "Microsoft Word"});
  EXPECT_FALSE(Switch(word, "Orvan pdf vatner"));
  EXPECT_EQ(error_, 5216);
  fakes_.office->Reset("Dialog(97).Execute");
  fakes_.office->Fail("Application.ActivePrinter",
                      {4605, "Befehl nicht verfügbar", "Microsoft Word", {1, 1}});
  EXPECT_EQ(ErrorNumberOf([&] { Switch(word, "Orvan pdf vatner"); }), 4605);
}

TEST_F(ActivePrinterTest, ExcelJoinsThePortAsTheInstallationWordsIt) {
  sim::FakeOfficeHost excel(sim::HostType::kExcel, fakes_.office);
  const std::string pdf = "Orvan pdf vatner", hp = "HP LaserJet 4";
  const std::string on = "Application.ActivePrinter = \"Orvan pdf vatner on Ne00:\"";
  const std::string auf = "Application.ActivePrinter = \"Orvan pdf vatner auf Ne00:\"";
  const std::string back = "Application.ActivePrinter = \"HP LaserJet 4 auf LPT1:\"";
  // Each try reads the port afresh and stops once the printer is active; a former printer's
  // text goes back unchanged, without a port. The installation's joiner, the texts Excel takes
  // without switching, the printer asked for, switched, the printer active after, the texts put,
  // the spooler's look-ups.
  using Row = std::tuple<const char*, int, std::string, bool, std::string, Lines, std::size_t>;
  const Row cases[] = {
      {" on ", 0, pdf, true, pdf, {on}, 1},
      {" auf ", 0, pdf, true, pdf, {on, auf}, 2},
      {" auf ", 1, pdf, true, pdf, {on, auf}, 2},
      {" on ", 2, pdf, false, hp, {on, auf}, 2},
      {" auf ", 0, "HP LaserJet 4 auf LPT1:", true, hp, {back}, 0},
  };
  for (const auto& [joiner, ignored, printer, switched, active_after, puts, lookups] : cases) {
    SCOPED_TRACE(printer + joiner + std::to_string(ignored));
    fakes_.office->journal.clear();
    fakes_.spooler.lookups.clear();
    fakes_.office->port_joiner = joiner;
    fakes_.office->excel_switches_ignored = ignored;
    excel.active_printer() = printer == pdf ? hp : pdf;
    EXPECT_EQ(Switch(excel, printer), switched);
    EXPECT_EQ(error_, switched ? 0 : 5216);
    EXPECT_EQ(fakes_.office->Journaled("Application.ActivePrinter ="), puts);
    EXPECT_EQ(fakes_.spooler.lookups, Lines(lookups, pdf));
    EXPECT_EQ(excel.active_printer(), active_after);
  }
  EXPECT_EQ(fakes_.spooler.open_printers(), 0u);
}

TEST_F(ActivePrinterTest, PowerPointSwitchesThroughThePrintOptionsAndOtherObjectsNever) {
  fakes_.office->printers.pop_back();  // the PDF printer is not installed
  sim::FakeOfficeHost powerpoint(sim::HostType::kPowerPoint, fakes_.office);
  powerpoint.Open(sim::DocumentData{});
  EXPECT_FALSE(Switch(powerpoint, "Orvan pdf vatner"));
  EXPECT_EQ(error_, 5216);
  // Installed, it is switched to through the presentation's print options, named as given.
  fakes_.office->printers.push_back({"Orvan pdf vatner", "Ne00:"});
  EXPECT_TRUE(Switch(powerpoint, "orvan PDF vatner"));
  EXPECT_EQ(fakes_.office->Journaled("PrintOptions.ActivePrinter =").back(),
            "PrintOptions.ActivePrinter = \"orvan PDF vatner\"");

  EXPECT_FALSE(ChangeActivePrinter(std::make_shared<sim::FakeObject>(fakes_.office, "Chart"), "x",
                                   error_, description_));
  EXPECT_EQ(error_, 5216);
  EXPECT_EQ(Trace().back(), "Suche x in ");
}

// A status of one known bit names it; several bits or an unknown one show as upper-case
// hexadecimal without leading zeros; an error code wins over the status.
TEST_F(ActivePrinterTest, SpoolerRecordsFillThePrinterInformationAndStatusTextsNameSingleBits) {
  fakes_.office->printers[1].status = 0x400;
  fakes_.office->printers[1].jobs = 3;
  const PrinterInfo info = GetPrinterInfo("Orvan pdf vatner");
  EXPECT_EQ((Lines{info.PortName, info.DriverName, info.ServerName, info.Datatype, info.StatusText,
                   std::to_string(info.Jobs)}),
            (Lines{"Ne00:", "Generic Driver", "", "RAW", "Printing", "3"}));
  fakes_.spooler.size_query_error = 5;
  EXPECT_EQ(GetPrinterInfo("Orvan pdf vatner").StatusText, "Zugriff verweigert.");
  fakes_.spooler.size_query_error = 0;
  fakes_.spooler.record_unreadable = true;
  const PrinterInfo unreadable = GetPrinterInfo("Orvan pdf vatner");
  EXPECT_EQ(unreadable.StatusText + "|" + unreadable.PortName, "Ready|");
  EXPECT_EQ(fakes_.spooler.open_printers(), 0u);

  const std::pair<std::int32_t, const char*> statuses[] = {
      {0x0, "Ready"}, {0x1, "Paused"},        {0x1000000, "Power Save Mode"},
      {0x3, "3"},     {0x2000000, "2000000"}, {-1, "FFFFFFFF"}};
  for (const auto& [status, text] : statuses)
    EXPECT_EQ(GetPrinterStatusText(status, 0), text) << status;
  EXPECT_EQ(GetPrinterStatusText(0x400, 1801), "Der Druckername ist ungültig.");
  EXPECT_EQ(GetPrinterStatusText(0x0, 4711), "Error (4711) not defined.");
}

using DocumentChecksTest = OfficeTest;

// (Word's and Excel's words for it: word_modal_boxes and excel_failures.)
TEST_F(DocumentChecksTest, PowerPointWithoutAPresentationTellsTheUser) {
  sim::FakeOfficeHost powerpoint(sim::HostType::kPowerPoint, fakes_.office);
  EXPECT_FALSE(IsDocumentOpen(powerpoint.application()));
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{{"Sie müssen zuerst eine Präsentation öffnen",
                                                    "Orvan pdf Vatner COM Add-In", 64}}));
  powerpoint.Open(sim::DocumentData{});
  EXPECT_TRUE(IsDocumentOpen(powerpoint.application()));
}

TEST_F(DocumentChecksTest, WordsStartUpCheckLooksAtTheFirstDocumentItCanHave) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  EXPECT_TRUE(CheckIfDocumentIsAvailable(word.application()));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Anzahl Dokumente: 0"}));

  word.Open(sim::DocumentData{});
  word.Open(sim::DocumentData{});
  fakes_.files.kept.clear();
  EXPECT_TRUE(CheckIfDocumentIsAvailable(word.application()));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Anzahl Dokumente: 2", "Dokument-Index: 1",
                                               "CheckIfDocumentIsAvailable = true"}));

  // Members that come back as nothing are passed over; none usable fails the check.
  fakes_.files.kept.clear();
  fakes_.office->Returns("Documents", Value(ObjectRef()));
  EXPECT_FALSE(CheckIfDocumentIsAvailable(word.application()));
  EXPECT_EQ(Trace().back(), "CheckIfDocumentIsAvailable = false");
  EXPECT_EQ(Trace().size(), 4u);
}

}  // namespace
}  // namespace orvan::testing
