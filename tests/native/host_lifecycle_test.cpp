// The add-in in the fake hosts where the scenarios do not reach: a toolbar and menu an earlier run
// left, taken away without the PDF printer; automation mode, in which nothing is hooked; and
// Word's error reading back a PDF printer named without a port.
#include <gtest/gtest.h>

#include "addin/designer.h"
#include "commandbars/command_bar_names.h"
#include "doubles/office_fixture.h"
#include "shared/captions.h"
#include "support/language.h"

namespace orvan::testing {
namespace {

using sim::HostType;

class AddinTest : public OfficeTest {
 protected:
  AddinTest() {
    fakes_.strings.table = {{1000, kGermanCaptions.first}, {1001, kGermanCaptions.second}};
    fakes_.office->clipboard_face = [this] { return fakes_.clipboard.picture; };
    fakes_.modules.loaded["ORVANPDFVTADDIN.DLL"] = "C:\\Programme\\Orvan\\OrvanpdfVtAddin.dll";
  }
  ~AddinTest() override {
    designer_.reset();
    SetLanguage(0);
    g_bAutomationMode = false;
  }

  // Office starts with a saved document and connects the add-in at start-up (ext_cm_Startup).
  void Start(HostType type, AppKind kind) {
    type_ = type;
    host_ = std::make_unique<sim::FakeOfficeHost>(type, fakes_.office);
    host_->Open(sim::DocumentData::SavedIn("C:\\Berichte"));
    designer_ = std::make_unique<AddinDesigner>(kind);
    designer_->AddinInstance_Initialize();
    designer_->IDTExtensibility2_OnConnection(host_->application(), 1, nullptr);
  }
  sim::CommandBarStore& Store() { return *fakes_.office->command_bars(type_); }
  sim::FakeControl* Control(const std::string& tag) {
    for (const std::string& name : Store().BarNames()) {
      sim::FakeControl* found = Store().Bar(name)->controls->Find(tag);
      if (found && found->tag == tag) return found;
    }
    return nullptr;
  }

  HostType type_ = HostType::kWord;
  std::unique_ptr<sim::FakeOfficeHost> host_;
  std::unique_ptr<AddinDesigner> designer_;
};

TEST_F(AddinTest, WithoutThePrinterTheAddinRemovesTheBarsAnEarlierRunLeftAndStaysQuiet) {
  Start(HostType::kExcel, AppKind::kExcel);
  designer_.reset();  // that run ended without taking its bars away
  api_.printer_installed = false;
  Start(HostType::kExcel, AppKind::kExcel);
  EXPECT_EQ(Control(kStartTag), nullptr);
  EXPECT_EQ(Control(kStartMenuTag), nullptr);
  EXPECT_EQ(Store().ClickHandlers(), 0u);
  EXPECT_TRUE(Boxes().empty());
}

// In automation mode the bars are made but nothing is hooked, Excel's bar updates neither: the
// client delivers the clicks.
TEST_F(AddinTest, InAutomationModeTheBarsAreMadeButNothingIsHooked) {
  g_bAutomationMode = true;
  Start(HostType::kExcel, AppKind::kExcel);
  EXPECT_NE(Control(kConfigMenuTag), nullptr);
  EXPECT_EQ(Store().ClickHandlers() + Store().UpdateHandlers(), 0u);
}

// Word already on the PDF printer, named without a port (so not in its list), failing to tell it:
// the user learns the host's error with its code and nothing is printed.
TEST_F(AddinTest, AHostErrorWhileSwitchingPrintersIsShownWithItsCode) {
  Start(HostType::kWord, AppKind::kWord);
  host_->active_printer() = "Orvan pdf vatner";
  fakes_.office->printers.pop_back();
  fakes_.office->Fail("Application.ActivePrinter", {4198, "Befehl misslungen", "Word", 1, 2});
  Store().UserClicks(*Control(kStartTag));
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Beim Ändern des Druckers ist folgender Fehler aufgetreten:\rCode: "
                          "4198\rBefehl misslungen",
                          "Orvan pdf Vatner COM Add-In", 48}}));
  EXPECT_TRUE(fakes_.office->prints.empty());
  EXPECT_TRUE(api_.jobs.empty());
}

}  // namespace
}  // namespace orvan::testing
