// The add-in in the fake hosts, for what the scenarios cannot see. Its toolbar and menu: the
// trace, the buttons' style, the faces' bitmaps, a move Word would refuse unseen, captions that
// cannot be loaded and a menu bar that is not there. Its start-up: bars an earlier run left, taken
// away without the PDF printer; and Word's error reading back a PDF printer named without a port.
// (Automation mode, in which nothing is hooked: excel_lifecycle.)
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "addin/designer.h"
#include "commandbars/command_bar_names.h"
#include "commandbars/duplicates.h"
#include "commandbars/menu.h"
#include "commandbars/toolbar.h"
#include "doubles/office_fixture.h"

namespace orvan::testing {
namespace {

using sim::FakeOfficeHost;
using sim::HostType;
using Lines = std::vector<std::string>;

// The trace of a toolbar button (`tag` given) or a menu item that is added and gets its face.
Lines AddedTrace(const std::string& tag, const std::string& caption) {
  const std::string create =
      tag.empty() ? "CreateMenuCommandbarButton" : "CreateToolbarCommandbarButton";
  const std::string find = tag.empty() ? "GetFirstAddinMenubarButtonAndKillDuplicates"
                                       : "GetFirstAddinToolbarButtonAndKillDuplicates";
  Lines lines = {create + " start"};
  if (!tag.empty()) lines.push_back(find + ": Tag:" + tag);
  lines.insert(lines.end(),
               {find + " start", find + " end",
                (tag.empty() ? "MenuItem einfügen: " : "Toolbarbutton einfügen: ") + caption});
  if (!tag.empty()) lines.push_back("GetCorrectButtonIndex");
  lines.insert(lines.end(), {tag.empty() ? "Add MenuCommandbarButton succeeded"
                                         : "Add Toolbar CommandbarButton succeeded",
                             "PasteIconOnCommandbarButton start", "Clipboard SetData", "PasteFace",
                             "PasteIconOnCommandbarButton end", create + " end"});
  return lines;
}

class CommandBarsTest : public OfficeTest {
 protected:
  sim::CommandBarStore& Store() { return *fakes_.office->command_bars(type_); }
  std::vector<ObjectRef> StartUp(const FakeOfficeHost& host) {
    auto buttons = CreateAddInCommandBarButton(host.application(), {}, {});
    CreateAddInCommandBarMenu(host.application(), {}, {}, "Menu Bar");
    return buttons;
  }

  HostType type_ = HostType::kWord;  // the host whose bars Store() gives
};

TEST_F(CommandBarsTest, TheTraceOfStartRepairAndShutDownTheButtonsStyleAndTheirFacesBitmaps) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  StartUp(word);
  Lines expected = {"CreateAddInCommandBarButton start", "GetFirstVatnerAddinToolbar success",
                    "neue Toolbar", "Buttons erstellen"};
  for (const Lines& part :
       {AddedTrace(kStartTag, kGermanCaptions.first),
        AddedTrace(kConfigTag, kGermanCaptions.second),
        Lines{"CheckToolBarVisible", "CreateAddInCommandBarButton ende",
              "CreateAddInCommandBarMenu start", "GetFirstAddinMenubarAndKillDuplicates start",
              "GetFirstAddinMenubarAndKillDuplicates end", "AddinMenu erstellen",
              "MenuItems erstellen"},
        AddedTrace("", kGermanCaptions.first), AddedTrace("", kGermanCaptions.second),
        Lines{"CreateAddInCommandBarMenu ende"}})
    expected.insert(expected.end(), part.begin(), part.end());
  EXPECT_EQ(Trace(), expected);
  auto& menu_bar = *Store().Bar("Menu Bar")->controls;
  EXPECT_EQ(Store().Bar(kToolbarName)->controls->items.at(1)->style, kButtonIcon);
  EXPECT_EQ(menu_bar.items.back()->controls->items.at(1)->style, 0);
  EXPECT_TRUE(fakes_.graphics.live.empty()) << "a face's bitmap was not freed";
  for (const std::string& call : fakes_.office->journal)
    EXPECT_EQ(call.find(".Move("), std::string::npos) << "no place stored, no move: " << call;

  // Found again with leftovers: a bar and a button with older versions' tags, a copy of the menu.
  Store().UserAddsBar("OrvanVatnerStart");
  Store().UserAddsControl(*Store().Bar(kToolbarName)->controls, 1, "OrvanVatnerConfig", "");
  Store().UserAddsControl(menu_bar, 1, "orvan pdf vatner", "");
  fakes_.files.kept.clear();
  StartUp(word);
  Lines found = Trace();
  std::erase_if(found, [](const std::string& line) {
    return line.find("gefunden") == line.npos && line.find("löschen") == line.npos &&
           line.find("OldTag") == line.npos;
  });
  EXPECT_EQ(
      found,
      (Lines{"Toolbar gefunden", "OldTagRecognized:OrvanVatnerStart", "überzählige Toolbar löschen",
             "Toolbarbutton gefunden", "OldTagRecognized:OrvanVatnerConfig",
             "überzählige Toolbarbutton löschen", "Toolbarbutton gefunden", "Menubar gefunden",
             "überzählige Menubar löschen", "Menubarbutton gefunden", "Menubarbutton gefunden"}));
  fakes_.files.kept.clear();
  RemoveAddInCommandBarButton(word.application(), {}, "Menu Bar");
  EXPECT_EQ(Trace(), (Lines{"GetFirstVatnerAddinToolbar success", "Toolbar gefunden",
                            "GetMenuIndex start", "GetFirstAddinMenubarAndKillDuplicates start",
                            "Menubar gefunden", "GetFirstAddinMenubarAndKillDuplicates end",
                            "RemoveAddInCommandBarButton end"}));
  // Hidden before it goes, as Office shows no flicker.
  EXPECT_EQ(std::ranges::count(fakes_.office->journal,
                               "CommandBar(\"Orvan pdf vatner Toolbar\").Visible = False"),
            1);
}

// Neither captions that cannot be loaded nor a clipboard that another program holds (it cannot be
// emptied) stop the buttons; a menu bar that the host does not know is Nothing (the scenarios
// cover one that raises an error) and gets no menu and no place.
TEST_F(CommandBarsTest, WhatCannotBeLoadedOrEmptiedStopsNothingAndAMenuBarThatIsNothingGetsNoMenu) {
  fakes_.strings.table.clear();
  fakes_.clipboard.clear_fails = true;
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  EXPECT_EQ(StartUp(word).size(), 2u);
  EXPECT_EQ(Store().Bar(kToolbarName)->controls->Captions(), (Lines{"", ""}));
  EXPECT_EQ(Store().Bar(kToolbarName)->controls->items[0]->face->description, "icon 101");

  fakes_.office->Returns("CommandBars(\"Nirgends\")", Value(ObjectRef()));
  fakes_.files.kept.clear();
  EXPECT_EQ(CreateAddInCommandBarMenu(word.application(), {}, {}, "Nirgends"),
            (std::vector<ObjectRef>{nullptr, nullptr}));
  EXPECT_EQ(GetMenuIndex(word.application(), "Nirgends"), 0);
  EXPECT_FALSE(GetFirstAddinMenubarAndKillDuplicates(word.application(), "Nirgends"));
  EXPECT_EQ(Trace(), (Lines{"CreateAddInCommandBarMenu start", "CreateAddInCommandBarMenu ende",
                            "GetMenuIndex start", "GetMenuIndex failed",
                            "GetFirstAddinMenubarAndKillDuplicates start",
                            "GetFirstAddinMenubarAndKillDuplicates failed"}));
}

class AddinTest : public CommandBarsTest {
 protected:
  AddinTest() {
    fakes_.modules.loaded["ORVANPDFVTADDIN.DLL"] = "C:\\Programme\\Orvan\\OrvanpdfVtAddin.dll";
  }
  ~AddinTest() override { designer_.reset(); }

  // Office starts with a saved document and connects the add-in at start-up (ext_cm_Startup).
  void Start(HostType type) {
    type_ = type;
    host_ = std::make_unique<sim::FakeOfficeHost>(type, fakes_.office);
    host_->Open(sim::DocumentData::SavedIn("C:\\Berichte"));
    designer_ = AddinDesigner::Create(host_->application()->Kind());
    designer_->AddinInstance_Initialize();
    designer_->IDTExtensibility2_OnConnection(host_->application(), 1, nullptr);
  }
  sim::FakeControl* Control(const std::string& tag) {
    for (const std::string& name : Store().BarNames()) {
      sim::FakeControl* found = Store().Bar(name)->controls->Find(tag);
      if (found && found->tag == tag) return found;
    }
    return nullptr;
  }

  std::unique_ptr<sim::FakeOfficeHost> host_;
  std::shared_ptr<AddinDesigner> designer_;
};

// A run that ended without taking its bars away: without the PDF printer the next start removes
// them and stays quiet.
TEST_F(AddinTest, WithoutThePrinterTheAddinRemovesTheBarsAnEarlierRunLeftAndStaysQuiet) {
  Start(HostType::kExcel);
  designer_.reset();
  api_.printer_installed = false;
  Start(HostType::kExcel);
  EXPECT_EQ(Control(kStartTag), nullptr);
  EXPECT_EQ(Control(kStartMenuTag), nullptr);
  EXPECT_EQ(Store().ClickHandlers(), 0u);
  EXPECT_TRUE(Boxes().empty());
}

// Word already on the PDF printer, named without a port (so not in its list), failing to tell it:
// the user learns the host's error with its code and nothing is printed.
TEST_F(AddinTest, AHostErrorWhileSwitchingPrintersIsShownWithItsCode) {
  Start(HostType::kWord);
  host_->active_printer() = "Orvan pdf vatner";
  fakes_.office->printers.pop_back();
  fakes_.office->Fail("Application.ActivePrinter", {4198, "Befehl misslungen", "Word", {1, 2}});
  Store().UserClicks(*Control(kStartTag));
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Beim Ändern des Druckers ist folgender Fehler aufgetreten:\rCode: "
                          "4198\rBefehl misslungen",
                          "Orvan pdf Vatner COM Add-In", 48}}));
  EXPECT_TRUE(fakes_.office->prints.empty());
  EXPECT_TRUE(api_.jobs.empty());
}

// While a command waits in a nested message loop (the print command's box in PowerPoint for a
// presentation without slides, the printer's dialog) the host runs other calls: a second click
// does nothing, and a host that replaces the controller or lets go of the add-in frees them only
// when the command has returned, which still ends in order (under AddressSanitizer a freed
// designer or controller fails here).
TEST_F(AddinTest, WhatTheHostDoesWhileACommandWaitsLeavesTheCommandWhole) {
  const std::pair<const char*, std::function<void()>> meanwhile[] = {
      {"a second click", [this] { Store().UserClicks(*Control(kStartTag)); }},
      {"a click on Config", [this] { Store().UserClicks(*Control(kConfigTag)); }},
      {"the controller replaced", [this] { designer_->AddinInstance_Initialize(); }},
      {"the add-in released", [this] { designer_.reset(); }},
  };
  for (const bool config : {false, true}) {
    for (const auto& [name, action] : meanwhile) {
      SCOPED_TRACE(std::string(config ? "the dialog, " : "the box, ") + name);
      Start(HostType::kPowerPoint);
      host_->Open(sim::DocumentData::SavedIn("C:\\Folien")).slides = 0;
      Boxes().clear();
      api_.dialogs.clear();
      (config ? api_.while_dialog_shown : fakes_.ui.while_shown) = action;
      Store().UserClicks(*Control(config ? kConfigTag : kStartTag));
      EXPECT_EQ(Boxes().size(), config ? 0u : 1u);
      EXPECT_EQ(api_.dialogs.size(), config ? 1u : 0u);
      EXPECT_EQ(host_->active_printer(), "HP LaserJet 4");
      EXPECT_TRUE(api_.jobs.empty());
      designer_.reset();
    }
  }
}

}  // namespace
}  // namespace orvan::testing
