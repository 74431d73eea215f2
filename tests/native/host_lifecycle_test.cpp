// The add-in's life in each fake host, driven as Office drives it: created, connected, clicked,
// disconnected and connected again; and the ways start-up and the print command fail.
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

using sim::FakeOfficeHost;
using sim::HostType;
using Lines = std::vector<std::string>;

constexpr const char* kOffice = "C:\\Program Files\\Microsoft Office\\Office16\\";
constexpr const char* kProductKey = "Software\\Orvan software GmbH\\Orvan pdf vatner\\";
constexpr const char* kPrograms[] = {"WINWORD.EXE", "EXCEL.EXE", "POWERPNT.EXE"};
constexpr std::int32_t kStartup = 1;       // ext_cm_Startup
constexpr std::int32_t kHostShutdown = 0;  // ext_dm_HostShutdown

// What the three hosts do differently, as the evidence shows it.
struct HostCase {
  HostType type;
  AppKind kind;
  const char* program;
  const char* window_class;  // the class its main window has here
  const char* print_call;    // the journal's line of the print
  const char* where;         // where a print error is said to be caught
  const char* menu_bar;
};

const HostCase kHostCases[] = {
    {HostType::kWord, AppKind::kWord, "WINWORD.EXE", "OpusApp",
     "Document.PrintOut(Background:=False)", "Word: BtnEvents_Click", "Menu Bar"},
    {HostType::kExcel, AppKind::kExcel, "EXCEL.EXE", "XLMAIN", "ActiveSheet.PrintOut()",
     "Excel: BtnEvents_Click", "Worksheet Menu Bar"},
    {HostType::kPowerPoint, AppKind::kPowerPoint, "POWERPNT.EXE", "PP10FrameClass",
     "Presentation.PrintOut()", "PP: BtnEvents_Click", "Menu Bar"},
};

std::string PrintTo(const ::testing::TestParamInfo<HostCase>& info) {
  return sim::kHostNames[static_cast<std::size_t>(info.param.type)].host;
}

class AddinTest : public OfficeTest {
 protected:
  AddinTest() {
    auto caller = std::make_unique<sim::StandInCaller>(api_);
    caller_ = caller.get();
    InstallJobApiCaller(std::move(caller));
    fakes_.strings.table = {{1000, kGermanCaptions.first}, {1001, kGermanCaptions.second}};
    fakes_.office->clipboard_face = [this] { return fakes_.clipboard.picture; };
    fakes_.modules.loaded["ORVANPDFVTADDIN.DLL"] = "C:\\Programme\\Orvan\\OrvanpdfVtAddin.dll";
    fakes_.office->printers = {{"HP LaserJet 4", "LPT1:"}, {"Orvan pdf vatner", "Ne00:"}};
    // Settings the printer kept per host program; start-up clears the running host's.
    for (const char* program : kPrograms) {
      for (const char* key : {"Application DevMode\\", "Application Mapping\\"}) {
        CreateRegistryKey(reg::kHkeyCurrentUser, std::string(kProductKey) + key + program + "\\A4");
      }
    }
  }
  ~AddinTest() override {
    designer_.reset();
    SetLanguage(0);
    g_bAutomationMode = false;
  }

  // Office starts: the host with one saved document, then the add-in created and connected at
  // start-up, and told that the host's start is complete.
  void Start(HostType type, sim::DocumentData document = Report()) {
    const HostCase& c = kHostCases[static_cast<std::size_t>(type)];
    type_ = type;
    fakes_.modules.executable = std::string(kOffice) + c.program;
    fakes_.ui.windows = {{c.window_class, 0x000A0B0C}};
    host_ = std::make_unique<FakeOfficeHost>(type, fakes_.office);
    host_->Open(std::move(document));
    designer_ = std::make_unique<AddinDesigner>(c.kind);
    designer_->AddinInstance_Initialize();
    designer_->IDTExtensibility2_OnConnection(host_->application(), kStartup, nullptr);
    designer_->IDTExtensibility2_OnStartupComplete();
  }
  // Office closes: the add-in disconnected and released, the host gone.
  void Close() {
    designer_->IDTExtensibility2_OnDisconnection(kHostShutdown);
    designer_.reset();
    host_.reset();
    Store().Restart();
  }

  static sim::DocumentData Report() {
    sim::DocumentData d = sim::DocumentData::SavedIn("C:\\Berichte");
    d.name = "Quartal.doc";
    d.properties = {{1, "Quartalsbericht"}, {2, "Umsatz"}, {3, "Eva Maier"}, {4, "Q3; Umsatz"}};
    return d;
  }

  sim::CommandBarStore& Store() { return *fakes_.office->command_bars(type_); }
  sim::FakeBar* Toolbar() { return Store().Bar(kToolbarName); }
  // The add-in's control with that tag on any bar, or nullptr.
  sim::FakeControl* Control(const std::string& tag) {
    for (const std::string& name : Store().BarNames()) {
      sim::FakeControl* found = Store().Bar(name)->controls->Find(tag);
      if (found && found->tag == tag) return found;
    }
    return nullptr;
  }
  bool Click(const std::string& tag) {
    sim::FakeControl* control = Control(tag);
    if (!control) throw std::logic_error("no control " + tag);
    return Store().UserClicks(*control);
  }
  HostController& Controller() { return *designer_->p_mobjDesigner(); }

  bool KeyHasSubkeys(const std::string& key, const std::string& program) {
    RegKey handle = 0;
    const bool found = fakes_.registry.OpenKey(reg::HiveKey(reg::kHkeyCurrentUser),
                                               std::string(kProductKey) + key + program + "\\A4",
                                               reg::kAccessAll, &handle) == reg::kSuccess;
    if (found) fakes_.registry.CloseKey(handle);
    return found;
  }
  Lines Texts() {
    Lines texts;
    for (const ShownMessageBox& box : Boxes())
      texts.push_back(box.text);
    return texts;
  }
  // The document information the job API's stored settings hold.
  static Lines StoredDocInfos(const std::map<std::string, std::string>& settings) {
    Lines infos;
    for (const char* name :
         {"Title", "Author", "Subject", "Keywords", "DestinationDirectory", "SaveAction"})
      infos.push_back(settings.at(name));
    return infos;
  }

  sim::StandInCaller* caller_ = nullptr;
  HostType type_ = HostType::kWord;
  std::unique_ptr<FakeOfficeHost> host_;
  std::unique_ptr<AddinDesigner> designer_;
};

class EveryHost : public AddinTest, public ::testing::WithParamInterface<HostCase> {};

INSTANTIATE_TEST_SUITE_P(Hosts, EveryHost, ::testing::ValuesIn(kHostCases), PrintTo);

TEST_P(EveryHost, ConnectPrintTwiceConfigureDisconnectAndReconnect) {
  const HostCase& host = GetParam();
  Start(host.type);

  // Connected: toolbar and menu made and hooked, only this host's printer settings cleared.
  EXPECT_EQ(Controller().GlobalhWnd(), Value(std::int32_t{0x000A0B0C}));
  EXPECT_EQ(Controller().Menubar(), Value(host.menu_bar));
  ASSERT_NE(Toolbar(), nullptr);
  EXPECT_EQ(Store().ClickHandlers(), 4u);
  EXPECT_EQ(Store().UpdateHandlers(), host.type == HostType::kExcel ? 1u : 0u);
  for (const char* program : kPrograms) {
    const bool own = program == std::string(host.program);
    EXPECT_EQ(KeyHasSubkeys("Application DevMode\\", program), !own) << program;
    EXPECT_EQ(KeyHasSubkeys("Application Mapping\\", program), !own) << program;
  }
  EXPECT_EQ(Controller().RegistryNotUsable(), false);

  // Start on the toolbar, then in the menu; the job of the first print has handle 0.
  const auto settings_before = api_.stored_settings;
  api_.next_handle = 0;
  api_.log.clear();
  EXPECT_FALSE(Click(kStartTag));
  EXPECT_FALSE(Click(kStartMenuTag));
  ASSERT_EQ(fakes_.office->prints.size(), 2u);
  for (const sim::PrintRecord& print : fakes_.office->prints) {
    EXPECT_EQ(print.printer, "Orvan pdf vatner");
    EXPECT_FALSE(print.background);
    EXPECT_EQ(StoredDocInfos(print.job_settings),
              (Lines{"Quartalsbericht", "Eva Maier", "Umsatz", "Q3; Umsatz", "C:\\Berichte", "1"}));
  }
  EXPECT_EQ(fakes_.office->Journaled(host.print_call).size(), 2u);
  EXPECT_EQ(host_->active_printer(), "HP LaserJet 4");
  EXPECT_EQ(api_.stored_settings, settings_before);
  EXPECT_TRUE(api_.jobs.empty()) << "a job was left open";
  EXPECT_EQ(sim::CallsTo(api_, "OrvanPdfVtJobFree").front().rfind("OrvanPdfVtJobFree(0) = 1", 0),
            0u);

  // Config on the toolbar, then in the menu, cancelled: the dialog opened on a job each time, and
  // nothing it changed was kept.
  api_.dialog_outcome = 0;
  EXPECT_FALSE(Click(kConfigTag));
  EXPECT_FALSE(Click(kConfigMenuTag));
  EXPECT_EQ(sim::CallsTo(api_, "OrvanPdfVtJobShowDevModeProperty").size(), 2u);
  EXPECT_EQ(StoredDocInfos(api_.stored_settings), StoredDocInfos(settings_before));
  EXPECT_TRUE(api_.jobs.empty());
  EXPECT_EQ(fakes_.office->prints.size(), 2u);
  EXPECT_TRUE(Boxes().empty()) << Texts().front();

  // The user docks the toolbar on the left; Office closes and starts again.
  Store().UserMovesBar(*Toolbar(), sim::mso::kBarLeft, 1, 0, 0);
  Close();
  EXPECT_EQ(Toolbar(), nullptr);
  EXPECT_EQ(Control(kStartMenuTag), nullptr);
  EXPECT_EQ(Store().ClickHandlers(), 0u);
  EXPECT_EQ(Store().UpdateHandlers(), 0u);
  Start(host.type);
  ASSERT_NE(Toolbar(), nullptr);
  EXPECT_EQ(Toolbar()->position, sim::mso::kBarLeft);
  EXPECT_EQ(Store().ClickHandlers(), 4u);
  EXPECT_FALSE(Click(kStartTag));
  EXPECT_EQ(fakes_.office->prints.size(), 3u);
  EXPECT_TRUE(Boxes().empty());
}

// A print that fails: after the switch the job is freed and the user told as the host's handler
// tells it, while Excel carries on past the failing host call and switches back; before it,
// PowerPoint reads the former printer outside its handler and hands the error to the host.
TEST_P(EveryHost, AFailingPrintIsReportedAndItsJobFreed) {
  const HostCase& host = GetParam();
  const std::string print_call = host.print_call;
  const std::string handled =
      "Es ist ein Fehler aufgetreten.\r\nFehler:4605\r\nDer Befehl ist "
      "nicht verfügbar.\r\nHost (" +
      std::string(host.where) + ", )";
  const bool excel = host.type == HostType::kExcel;
  const bool powerpoint = host.type == HostType::kPowerPoint;
  const struct {
    std::string member;
    bool reported;
    const char* printer_after;
  } failures[] = {
      {print_call.substr(0, print_call.find('(')), !excel,
       excel ? "HP LaserJet 4" : "Orvan pdf vatner"},
      {"Application.ActivePrinter", !powerpoint, "HP LaserJet 4"},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.member);
    Start(host.type);
    Boxes().clear();
    fakes_.office->Fail(failure.member, {4605, "Der Befehl ist nicht verfügbar.", "Host", 1});
    Click(kStartTag);
    EXPECT_TRUE(api_.jobs.empty());
    EXPECT_TRUE(fakes_.office->prints.empty());
    EXPECT_EQ(Texts(), failure.reported ? Lines{handled} : Lines{});
    EXPECT_EQ(Store().event_errors.size(), powerpoint && !failure.reported ? 1u : 0u);
    EXPECT_EQ(host_->active_printer(), failure.printer_after);
    Close();
    Store().event_errors.clear();
  }
}

// Start-up cut short: without the library or the printer the add-in removes what earlier runs
// left and stays without buttons, telling nothing of its own.
TEST_F(AddinTest, WithoutJobApiOrPrinterTheAddinStaysLoadedWithoutButtons) {
  const std::function<void()> cases[] = {
      [this] { caller_->library_present = false; },
      [this] { api_.printer_installed = false; },
  };
  for (const auto& break_it : cases) {
    Start(HostType::kExcel);  // a run that leaves its toolbar and menu
    designer_.reset();
    CreateRegistryKey(reg::kHkeyCurrentUser,
                      std::string(kProductKey) + "Application DevMode\\EXCEL.EXE\\A4");
    Boxes().clear();
    break_it();
    Start(HostType::kExcel);
    EXPECT_EQ(Toolbar(), nullptr);
    EXPECT_EQ(Control(kStartMenuTag), nullptr);
    EXPECT_EQ(Controller().ToolbarButtons(std::int16_t{0}), nullptr);
    EXPECT_EQ(Store().ClickHandlers(), 0u);
    EXPECT_EQ(Store().UpdateHandlers(), 1u);  // Excel's sink on its command bars is still hooked
    for (const std::string& text : Texts())
      EXPECT_EQ(text.find("occured while initializing"), std::string::npos) << text;
    EXPECT_TRUE(KeyHasSubkeys("Application DevMode\\", "EXCEL.EXE"));
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
  EXPECT_EQ(Toolbar(), nullptr);
  EXPECT_EQ(Control(kStartMenuTag), nullptr);
  EXPECT_EQ(Store().ClickHandlers(), 0u);
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
  EXPECT_EQ(host_->active_printer(), "Orvan pdf vatner");
  EXPECT_TRUE(api_.jobs.empty());
}

TEST_F(AddinTest, InAutomationModeTheBarsAreMadeButNothingIsHooked) {
  g_bAutomationMode = true;
  Start(HostType::kExcel);
  EXPECT_NE(Control(kStartTag), nullptr);
  EXPECT_NE(Control(kConfigMenuTag), nullptr);
  EXPECT_EQ(Store().ClickHandlers() + Store().UpdateHandlers(), 0u);
  Click(kStartTag);
  EXPECT_TRUE(fakes_.office->prints.empty());
}

// A macro in PowerPoint drives the add-in: Init with an object that is no Office application
// makes no designer and fails; with the application it starts the add-in in automation mode;
// only the toolbar's two tags raise a command; DeInit takes the add-in down.
TEST_F(AddinTest, AMacroDrivesTheAddinThroughTheAddinClass) {
  type_ = HostType::kPowerPoint;
  fakes_.modules.executable = std::string(kOffice) + "POWERPNT.EXE";
  host_ = std::make_unique<FakeOfficeHost>(HostType::kPowerPoint, fakes_.office);
  host_->Open(Report());
  Addin addin;
  try {
    addin.Init(ObjectRef(std::make_shared<sim::FakeObject>(fakes_.office, "Chart")));
    ADD_FAILURE() << "Init with a chart did not fail";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), vberr::kObjectRequired);
  }
  EXPECT_TRUE(addin.AddinDsr().IsEmpty());
  EXPECT_TRUE(g_bAutomationMode);

  addin.Init(host_->application());
  ASSERT_NE(Toolbar(), nullptr);
  EXPECT_EQ(Store().ClickHandlers(), 0u);
  const auto designer = std::dynamic_pointer_cast<AddinDesigner>(addin.AddinDsr().AsObject());
  ASSERT_TRUE(designer);
  const struct {
    std::string tag;
    std::size_t prints, dialogs;
  } pushes[] = {{kStartTag, 1, 0},
                {kConfigTag, 1, 1},
                {"orvan pdf vatner start", 1, 1},
                {kStartMenuTag, 1, 1},
                {kStartTag, 2, 1}};
  for (const auto& push : pushes) {
    ObjectRef control;
    if (push.tag == kStartTag || push.tag == kConfigTag) {
      const std::int16_t index = push.tag == kStartTag ? 0 : 1;
      control = designer->p_mobjDesigner()->ToolbarButtons(index);
    } else {
      auto own = std::make_shared<sim::FakeObject>(fakes_.office, "Own");
      own->Field("Tag", push.tag);
      control = own;
    }
    addin.PushButtonEvent(host_->application(), control);
    EXPECT_EQ(fakes_.office->prints.size(), push.prints) << push.tag;
    EXPECT_EQ(sim::CallsTo(api_, "OrvanPdfVtJobShowDevModeProperty").size(), push.dialogs)
        << push.tag;
  }
  addin.DeInit(host_->application());
  EXPECT_EQ(Toolbar(), nullptr);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(AddinTest, AControllerWithOnlyStartHooksOnlyStart) {
  // The host refuses the second control of the toolbar and of the menu.
  fakes_.office->Fail("CommandBar(\"Orvan pdf vatner Toolbar\").Controls.Add",
                      {-2147467259, "Method 'Add' failed", "Office", 1, 1});
  fakes_.office->Fail("Control(#10).Controls.Add",
                      {-2147467259, "Method 'Add' failed", "Office", 1, 1});
  Start(HostType::kWord);
  EXPECT_EQ(Controller().ToolbarButtons(std::int16_t{1}), nullptr);
  EXPECT_EQ(Controller().MenubarButtons(std::int16_t{1}), nullptr);
  EXPECT_EQ(Controller().ToolbarButtons(std::int16_t{5}), nullptr);
  EXPECT_EQ(Store().ClickHandlers(), 2u);
  Click(kStartMenuTag);
  EXPECT_EQ(fakes_.office->prints.size(), 1u);
}

TEST_F(AddinTest, WordWithAnUnusableDocumentCollectionTakesTheAddinDownAfterStartUp) {
  Start(HostType::kWord);
  fakes_.office->Fail("Application.Documents", {5097, "Nicht genug Speicher", "Word"});
  designer_->IDTExtensibility2_OnStartupComplete();
  EXPECT_EQ(Toolbar(), nullptr);
  EXPECT_EQ(Control(kStartMenuTag), nullptr);
  // The host's later disconnection takes it down once more, without complaint.
  designer_->IDTExtensibility2_OnDisconnection(kHostShutdown);
  const Lines trace = Trace();
  EXPECT_EQ(Lines(trace.end() - 3, trace.end()),
            (Lines{"RemoveAddInCommandBarButton end", "GetFirstVatnerAddinToolbar success",
                   "RemoveAddInCommandBarButton failed"}));
  EXPECT_TRUE(Boxes().empty());
}

// In an Excel without a print button the command-bar update leaves the Start button as it is.
TEST_F(AddinTest, ExcelWithoutAPrintButtonLeavesTheStartButtonAsItIs) {
  type_ = HostType::kExcel;
  Store().UserDeletesControl(*Store().Bar("Standard")->controls->FindId(2521));
  Start(HostType::kExcel);
  EXPECT_EQ(Controller().PrintButton(), nullptr);
  for (const bool enabled : {true, false}) {
    Control(kStartTag)->enabled = enabled;
    Store().RaiseOnUpdate();
    EXPECT_EQ(Control(kStartTag)->enabled, enabled);
  }
  EXPECT_TRUE(Store().event_errors.empty());
}

}  // namespace
}  // namespace orvan::testing
