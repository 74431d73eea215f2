// Switching the active printer of the fake hosts, and the spooler records behind Excel's port.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "printjob/active_printer.h"
#include "printjob/mod_printer.h"

namespace orvan::testing {
namespace {

class ActivePrinterTest : public OfficeTest {
 protected:
  bool Switch(sim::FakeOfficeHost& host, const std::string& printer) {
    return ChangeActivePrinter(host.application(), printer, error_, description_);
  }
  std::int16_t error_ = -1;
  std::string description_ = "stale";
};

TEST_F(ActivePrinterTest, WordSwitchesThroughThePrinterDialogOnlyWhenNeeded) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  EXPECT_TRUE(Switch(word, "Orvan pdf vatner"));
  EXPECT_EQ(error_, 0);
  EXPECT_EQ(description_, "");
  EXPECT_EQ(word.active_printer(), "Orvan pdf vatner");
  EXPECT_EQ(
      fakes_.office->Journaled("Dialog(97)"),
      (std::vector<std::string>{"Dialog(97).Printer = \"Orvan pdf vatner\"",
                                "Dialog(97).DoNotSetAsSysDefault = True", "Dialog(97).Execute()"}));
  // Already active, whatever the letter case: the dialog is not touched.
  fakes_.office->journal.clear();
  word.active_printer() = "HP LaserJet 4";
  EXPECT_TRUE(Switch(word, "hp laserjet 4 on lpt1:"));
  EXPECT_TRUE(fakes_.office->Journaled("Dialogs").empty());
  EXPECT_EQ(Trace().back(), "Suche hp laserjet 4 on lpt1: in HP LaserJet 4 on LPT1:");
}

TEST_F(ActivePrinterTest, WordHandsOnAReadingErrorOnlyWithoutASwitch) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  const sim::HostFailure second_read_fails{4605, "Befehl nicht verfügbar", "Microsoft Word", 1, 1};
  word.active_printer() = "Orvan pdf vatner";
  fakes_.office->Fail("Application.ActivePrinter", second_read_fails);
  EXPECT_FALSE(Switch(word, "Orvan pdf vatner on Ne00:"));
  EXPECT_EQ(error_, 4605);
  EXPECT_EQ(description_, "Befehl nicht verfügbar");

  // After a switch the failed reading is the caller's run-time error.
  word.active_printer() = "HP LaserJet 4";
  fakes_.office->Fail("Application.ActivePrinter", second_read_fails);
  const auto raised = RaisedBy([&] { Switch(word, "Orvan pdf vatner"); });
  ASSERT_TRUE(raised.has_value());
  EXPECT_EQ(raised->number(), 4605);
  EXPECT_EQ(raised->source(), "Microsoft Word");
  // A failing switch is ignored and judged by the printer active afterwards.
  fakes_.office->Reset("Application.ActivePrinter");
  word.active_printer() = "HP LaserJet 4";
  fakes_.office->Fail("Dialog(97).Execute", {4198, "Befehl misslungen", "Microsoft Word"});
  EXPECT_FALSE(Switch(word, "Orvan pdf vatner"));
  EXPECT_EQ(error_, 5216);
}

TEST_F(ActivePrinterTest, ExcelJoinsThePortAsTheInstallationWordsIt) {
  sim::FakeOfficeHost excel(sim::HostType::kExcel, fakes_.office);
  EXPECT_TRUE(Switch(excel, "Orvan pdf vatner"));
  EXPECT_EQ(
      fakes_.office->Journaled("Application.ActivePrinter ="),
      (std::vector<std::string>{"Application.ActivePrinter = \"Orvan pdf vatner on Ne00:\""}));
  EXPECT_EQ(fakes_.spooler.open_printers(), 0u);

  // A German Excel refuses " on " and takes " auf " with a port read afresh.
  fakes_.office->journal.clear();
  fakes_.office->port_joiner = " auf ";
  excel.active_printer() = "HP LaserJet 4";
  EXPECT_TRUE(Switch(excel, "Orvan pdf vatner"));
  EXPECT_EQ(
      fakes_.office->Journaled("Application.ActivePrinter ="),
      (std::vector<std::string>{"Application.ActivePrinter = \"Orvan pdf vatner on Ne00:\"",
                                "Application.ActivePrinter = \"Orvan pdf vatner auf Ne00:\""}));
  EXPECT_EQ(excel.active_printer(), "Orvan pdf vatner");

  // The former printer's text goes back unchanged.
  fakes_.office->journal.clear();
  EXPECT_TRUE(Switch(excel, "HP LaserJet 4 auf LPT1:"));
  EXPECT_EQ(fakes_.office->Journaled("Application.ActivePrinter ="),
            (std::vector<std::string>{"Application.ActivePrinter = \"HP LaserJet 4 auf LPT1:\""}));
}

TEST_F(ActivePrinterTest, APrinterNotActiveAfterwardsIsErrorFiftyTwoSixteenAndPowerPointsSwitch) {
  sim::FakeOfficeHost excel(sim::HostType::kExcel, fakes_.office);
  fakes_.office->printers.pop_back();  // the PDF printer is not installed
  EXPECT_FALSE(Switch(excel, "Orvan pdf vatner"));
  EXPECT_EQ(error_, 5216);
  EXPECT_EQ(fakes_.office->Journaled("Application.ActivePrinter =").size(), 2u);

  sim::FakeOfficeHost powerpoint(sim::HostType::kPowerPoint, fakes_.office);
  powerpoint.Open(sim::DocumentData{});
  EXPECT_FALSE(Switch(powerpoint, "Orvan pdf vatner"));
  EXPECT_EQ(error_, 5216);
  // Installed, it is switched to through the presentation's print options, named as given.
  fakes_.office->printers.push_back({"Orvan pdf vatner", "Ne00:"});
  EXPECT_TRUE(Switch(powerpoint, "orvan PDF vatner"));
  EXPECT_EQ(powerpoint.active_printer(), "Orvan pdf vatner");
  EXPECT_EQ(fakes_.office->Journaled("PrintOptions.ActivePrinter =").back(),
            "PrintOptions.ActivePrinter = \"orvan PDF vatner\"");

  class Plain final : public Object {
   public:
    Value Get(const std::string&, const Args&) override { return Value(); }
    void Put(const std::string&, const Value&, const Args&) override {}
    Value Call(const std::string&, const Args&) override { return Value(); }
  };
  EXPECT_FALSE(ChangeActivePrinter(std::make_shared<Plain>(), "x", error_, description_));
  EXPECT_EQ(error_, 5216);
  EXPECT_EQ(Trace().back(), "Suche x in ");
}

TEST_F(ActivePrinterTest, SpoolerRecordsAndStatusTexts) {
  fakes_.office->printers[1].status = 0x400;
  fakes_.office->printers[1].jobs = 3;
  fakes_.office->printers[1].comment = "Büro";
  const PrinterInfo info = GetPrinterInfo("Orvan pdf vatner");
  EXPECT_EQ(info.PortName, "Ne00:");
  EXPECT_EQ(info.DriverName, "Generic Driver");
  EXPECT_EQ(info.ServerName, "");  // a null address
  EXPECT_EQ(info.Datatype, "RAW");
  EXPECT_EQ(info.StatusText, "Printing");
  EXPECT_EQ(info.Jobs, 3);
  EXPECT_EQ(fakes_.spooler.open_printers(), 0u);

  const PrinterInfo unknown = GetPrinterInfo("Nirgendwo");
  EXPECT_EQ(unknown.PortName, "");
  EXPECT_EQ(unknown.StatusText, "");

  fakes_.spooler.size_query_error = 5;
  EXPECT_EQ(GetPrinterInfo("Orvan pdf vatner").StatusText, "Zugriff verweigert.");
  fakes_.spooler.size_query_error = 0;
  fakes_.spooler.record_unreadable = true;
  const PrinterInfo unreadable = GetPrinterInfo("Orvan pdf vatner");
  EXPECT_EQ(unreadable.StatusText, "Ready");
  EXPECT_EQ(unreadable.PortName, "");

  EXPECT_EQ(GetPrinterStatusText(0x8000, 0), "Initializing");
  EXPECT_EQ(GetPrinterStatusText(0x8001, 0), "8001");
  EXPECT_EQ(GetPrinterStatusText(3, 0), "3");
  EXPECT_EQ(GetPrinterStatusText(-1, 0), "FFFFFFFF");
  EXPECT_EQ(GetPrinterStatusText(0x1000000, 0), "Power Save Mode");
  EXPECT_EQ(GetPrinterStatusText(0, 1801), "Der Druckername ist ungültig.");
  EXPECT_EQ(GetApiErrorText(4711), "Error (4711) not defined.");
}

}  // namespace
}  // namespace orvan::testing
