// The add-in in each fake host where the scenarios do not reach: what start-up does per host,
// failing prints and start-ups, the update handler without a print button, and the Addin class.
#include <gtest/gtest.h>

#include "addin/addin.h"
#include "addin/designer.h"
#include "commandbars/command_bar_names.h"
#include "commandbars/toolbar.h"
#include "doubles/office_fixture.h"
#include "shared/captions.h"
#include "support/language.h"
#include "support/registry_functions.h"

namespace orvan::testing {
namespace {

using sim::HostType;

constexpr const char* kProductKey = "Software\\Orvan software GmbH\\Orvan pdf vatner\\";

// What the three hosts do differently, by HostType.
struct HostCase {
  AppKind kind;
  const char* program;
  const char* window_class;  // the class its main window has here
  const char* print_member;  // the host call that prints
  const char* where;         // where a print error is said to be caught
};
const HostCase kHosts[] = {
    {AppKind::kWord, "WINWORD.EXE", "OpusApp", "Document.PrintOut", "Word: BtnEvents_Click"},
    {AppKind::kExcel, "EXCEL.EXE", "XLMAIN", "ActiveSheet.PrintOut", "Excel: BtnEvents_Click"},
    {AppKind::kPowerPoint, "POWERPNT.EXE", "PP10FrameClass", "Presentation.PrintOut",
     "PP: BtnEvents_Click"},
};

class AddinTest : public OfficeTest {
 protected:
  AddinTest() {
    auto caller = std::make_unique<sim::StandInCaller>(api_);
    caller_ = caller.get();
    InstallJobApiCaller(std::move(caller));
    fakes_.strings.table = {{1000, kGermanCaptions.first}, {1001, kGermanCaptions.second}};
    fakes_.office->clipboard_face = [this] { return fakes_.clipboard.picture; };
    fakes_.modules.loaded["ORVANPDFVTADDIN.DLL"] = "C:\\Programme\\Orvan\\OrvanpdfVtAddin.dll";
  }
  ~AddinTest() override {
    designer_.reset();
    SetLanguage(0);
    g_bAutomationMode = false;
  }

  // Office starts with a saved document: the add-in created, connected at start-up
  // (ext_cm_Startup) and told that the start is complete.
  void Start(HostType type) {
    const HostCase& host = kHosts[static_cast<std::size_t>(type)];
    type_ = type;
    fakes_.modules.executable = std::string("C:\\Office16\\") + host.program;
    fakes_.ui.windows = {{host.window_class, 0x000A0B0C}};
    host_ = std::make_unique<sim::FakeOfficeHost>(type, fakes_.office);
    host_->Open(sim::DocumentData::SavedIn("C:\\Berichte"));
    designer_ = std::make_unique<AddinDesigner>(host.kind);
    designer_->AddinInstance_Initialize();
    designer_->IDTExtensibility2_OnConnection(host_->application(), 1, nullptr);
    designer_->IDTExtensibility2_OnStartupComplete();
  }
  // Office closes (ext_dm_HostShutdown).
  void Close() {
    designer_->IDTExtensibility2_OnDisconnection(0);
    designer_.reset();
    Store().Restart();
  }

  sim::CommandBarStore& Store() { return *fakes_.office->command_bars(type_); }
  sim::FakeControl* Control(const std::string& tag) {
    for (const std::string& name : Store().BarNames()) {
      sim::FakeControl* found = Store().Bar(name)->controls->Find(tag);
      if (found && found->tag == tag) return found;
    }
    return nullptr;
  }
  bool Click(const std::string& tag) { return Store().UserClicks(*Control(tag)); }
  HostController& Controller() { return *designer_->p_mobjDesigner(); }
  // A value in the printer's settings kept for a host program (key: DevMode or Mapping).
  static bool Kept(const char* key, const char* program) {
    return !GetRegistryKeyValue(reg::kHkeyCurrentUser, KeptKey(key, program), "v").IsEmpty();
  }
  static void Keep(const char* key, const char* program) {
    SetRegistryKeyValue(reg::kHkeyCurrentUser, KeptKey(key, program), "v", Value("x"), 1);
  }
  static std::string KeptKey(const char* key, const char* program) {
    return std::string(kProductKey) + "Application " + key + "\\" + program + "\\A4";
  }

  sim::StandInCaller* caller_ = nullptr;
  HostType type_ = HostType::kWord;
  std::unique_ptr<sim::FakeOfficeHost> host_;
  std::unique_ptr<AddinDesigner> designer_;
};

class EveryHost : public AddinTest, public ::testing::WithParamInterface<HostType> {};

INSTANTIATE_TEST_SUITE_P(Hosts, EveryHost,
                         ::testing::Values(HostType::kWord, HostType::kExcel,
                                           HostType::kPowerPoint));

// Start-up finds the host's main window by its class and clears the printer settings kept for
// the running host program only.
TEST_P(EveryHost, StartUpFindsItsWindowAndClearsOnlyItsOwnPrinterSettings) {
  for (const HostCase& host : kHosts) {
    for (const char* key : {"DevMode", "Mapping"})
      Keep(key, host.program);
  }
  Start(GetParam());
  EXPECT_EQ(Controller().GlobalhWnd(), Value(std::int32_t{0x000A0B0C}));
  for (const HostCase& host : kHosts) {
    const bool own = &host == &kHosts[static_cast<std::size_t>(GetParam())];
    EXPECT_NE(Kept("DevMode", host.program), own) << host.program;
    EXPECT_NE(Kept("Mapping", host.program), own) << host.program;
  }
}

// Each host prints the document in the foreground, PowerPoint through its print options.
TEST_P(EveryHost, StartPrintsInTheForeground) {
  Start(GetParam());
  Click(kStartTag);
  ASSERT_EQ(fakes_.office->prints.size(), 1u);
  EXPECT_FALSE(fakes_.office->prints[0].background);
}

// A failing print: the job is freed and the user told as the host's handler tells it, while
// Excel carries on past the failing host call and switches back; PowerPoint reads the former
// printer outside its handler and hands that error to the host.
TEST_P(EveryHost, AFailingPrintIsReportedAndItsJobFreed) {
  const HostCase& host = kHosts[static_cast<std::size_t>(GetParam())];
  const bool excel = GetParam() == HostType::kExcel;
  const bool powerpoint = GetParam() == HostType::kPowerPoint;
  const struct {
    const char* member;
    bool reported;
    const char* printer_after;
  } failures[] = {
      {host.print_member, !excel, excel ? "HP LaserJet 4" : "Orvan pdf vatner"},
      {"Application.ActivePrinter", !powerpoint, "HP LaserJet 4"},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.member);
    Start(GetParam());
    Boxes().clear();
    fakes_.office->Fail(failure.member, {4605, "Der Befehl ist nicht verfügbar.", "Host", 1});
    Click(kStartTag);
    EXPECT_TRUE(api_.jobs.empty());
    EXPECT_TRUE(fakes_.office->prints.empty());
    std::vector<ShownMessageBox> boxes;
    if (failure.reported) {
      boxes.push_back(
          {"Es ist ein Fehler aufgetreten.\r\nFehler:4605\r\nDer Befehl ist nicht "
           "verfügbar.\r\nHost (" +
               std::string(host.where) + ", )",
           "Orvan pdf vatner Add-In", 48});
    }
    EXPECT_EQ(Boxes(), boxes);
    EXPECT_EQ(Store().event_errors.size(), powerpoint && !failure.reported ? 1u : 0u);
    EXPECT_EQ(host_->active_printer(), failure.printer_after);
    Close();
    Store().event_errors.clear();
  }
}

// Without the library or the printer the add-in removes what an earlier run left and stays
// without buttons and without a word; the host's printer settings stay.
TEST_F(AddinTest, WithoutJobApiOrPrinterTheAddinStaysLoadedWithoutButtons) {
  for (const bool library : {false, true}) {
    Start(HostType::kExcel);  // a run that leaves its toolbar and menu
    designer_.reset();
    Keep("DevMode", "EXCEL.EXE");
    caller_->library_present = library;
    api_.printer_installed = !library;
    Start(HostType::kExcel);
    EXPECT_EQ(Control(kStartTag), nullptr);
    EXPECT_EQ(Control(kStartMenuTag), nullptr);
    EXPECT_EQ(Store().ClickHandlers(), 0u);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Kept("DevMode", "EXCEL.EXE"));
    caller_->library_present = true;
    api_.printer_installed = true;
  }
}

TEST_F(AddinTest, ExcelWithoutItsStandardBarGetsNoToolbarAndIsTold) {
  type_ = HostType::kExcel;
  Store().Bar("Standard")->name = "Standard (alt)";
  Start(HostType::kExcel);
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Error 5 occured while initializing the Orvan pdf vatner add-in.",
                          "Orvan pdf Vatner COM Add-In", 16}}));
  EXPECT_EQ(Control(kStartTag), nullptr);
}

// Word already on the PDF printer, named without a port, failing to tell it: the user learns the
// host's error with its code and Word stays where it was.
TEST_F(AddinTest, AHostErrorWhileSwitchingPrintersIsShownWithItsCode) {
  Start(HostType::kWord);
  host_->active_printer() = "Orvan pdf vatner";
  fakes_.office->printers.pop_back();
  fakes_.office->Fail("Application.ActivePrinter", {4198, "Befehl misslungen", "Word", 1, 2});
  Click(kStartTag);
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Beim Ändern des Druckers ist folgender Fehler aufgetreten:\rCode: "
                          "4198\rBefehl misslungen",
                          "Orvan pdf Vatner COM Add-In", 48}}));
  EXPECT_TRUE(fakes_.office->prints.empty());
  EXPECT_TRUE(api_.jobs.empty());
}

// In automation mode the bars are made but nothing is hooked: the client delivers the clicks.
TEST_F(AddinTest, InAutomationModeTheBarsAreMadeButNothingIsHooked) {
  g_bAutomationMode = true;
  Start(HostType::kExcel);
  EXPECT_NE(Control(kConfigMenuTag), nullptr);
  EXPECT_EQ(Store().ClickHandlers() + Store().UpdateHandlers(), 0u);
}

// A macro drives the add-in through the Addin class: only the toolbar's two tags, compared
// exactly, raise a command; DeInit takes the add-in down.
TEST_F(AddinTest, AMacroDrivesTheAddinThroughTheAddinClass) {
  type_ = HostType::kPowerPoint;
  host_ = std::make_unique<sim::FakeOfficeHost>(HostType::kPowerPoint, fakes_.office);
  host_->Open(sim::DocumentData::SavedIn("C:\\Berichte"));
  Addin addin;
  addin.Init(host_->application());
  const struct {
    std::string tag;
    std::size_t prints, dialogs;
  } pushes[] = {{kStartTag, 1, 0},
                {kConfigTag, 1, 1},
                {"orvan pdf vatner start", 1, 1},
                {kStartMenuTag, 1, 1}};
  for (const auto& push : pushes) {
    auto control = std::make_shared<sim::FakeObject>(fakes_.office, "Own");
    control->Field("Tag", push.tag);
    addin.PushButtonEvent(host_->application(), ObjectRef(control));
    EXPECT_EQ(fakes_.office->prints.size(), push.prints) << push.tag;
    EXPECT_EQ(sim::CallsTo(api_, "OrvanPdfVtJobShowDevModeProperty").size(), push.dialogs)
        << push.tag;
  }
  addin.DeInit(host_->application());
  EXPECT_EQ(Control(kStartTag), nullptr);
  EXPECT_TRUE(Boxes().empty());
}

// Word with an unusable document collection takes the add-in down after start-up; the host's
// later disconnection takes it down once more, without complaint.
TEST_F(AddinTest, WordWithAnUnusableDocumentCollectionTakesTheAddinDownAfterStartUp) {
  Start(HostType::kWord);
  fakes_.office->Fail("Application.Documents", {5097, "Nicht genug Speicher", "Word"});
  designer_->IDTExtensibility2_OnStartupComplete();
  EXPECT_EQ(Control(kStartTag), nullptr);
  EXPECT_EQ(Control(kStartMenuTag), nullptr);
  designer_->IDTExtensibility2_OnDisconnection(0);
  EXPECT_EQ(Trace().back(), "RemoveAddInCommandBarButton failed");
  EXPECT_TRUE(Boxes().empty());
}

// In an Excel without a print button the command-bar update leaves the Start button as it is.
TEST_F(AddinTest, ExcelWithoutAPrintButtonLeavesTheStartButtonAsItIs) {
  type_ = HostType::kExcel;
  Store().UserDeletesControl(*Store().Bar("Standard")->controls->FindId(2521));
  Start(HostType::kExcel);
  for (const bool enabled : {true, false}) {
    Control(kStartTag)->enabled = enabled;
    Store().RaiseOnUpdate();
    EXPECT_EQ(Control(kStartTag)->enabled, enabled);
  }
  EXPECT_TRUE(Store().event_errors.empty());
}

}  // namespace
}  // namespace orvan::testing
