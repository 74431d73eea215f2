// The add-in's toolbar and menu in the fake hosts: creation, repair of leftovers, stored place and
// visibility, removal, button faces and the user's clipboard.
#include <gtest/gtest.h>

#include <algorithm>

#include "commandbars/command_bar_names.h"
#include "commandbars/duplicates.h"
#include "commandbars/fields.h"
#include "commandbars/menu.h"
#include "commandbars/toolbar.h"
#include "doubles/office_fixture.h"
#include "shared/captions.h"
#include "support/language.h"
#include "support/registry_functions.h"

namespace orvan::testing {
namespace {

using sim::FakeBar;
using sim::FakeOfficeHost;
using sim::HostType;
using Lines = std::vector<std::string>;

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The trace of a toolbar button or menu item that is added and gets its face.
const Lines kPasteTrace = {"PasteIconOnCommandbarButton start", "Clipboard SetData", "PasteFace",
                           "PasteIconOnCommandbarButton end"};
Lines AddedButtonTrace(const std::string& tag, const std::string& caption) {
  return Concat(
      {{"CreateToolbarCommandbarButton start",
        "GetFirstAddinToolbarButtonAndKillDuplicates: Tag:" + tag,
        "GetFirstAddinToolbarButtonAndKillDuplicates start",
        "GetFirstAddinToolbarButtonAndKillDuplicates end", "Toolbarbutton einfügen: " + caption,
        "GetCorrectButtonIndex", "Add Toolbar CommandbarButton succeeded"},
       kPasteTrace,
       {"CreateToolbarCommandbarButton end"}});
}
Lines AddedMenuItemTrace(const std::string& caption) {
  return Concat(
      {{"CreateMenuCommandbarButton start", "GetFirstAddinMenubarButtonAndKillDuplicates start",
        "GetFirstAddinMenubarButtonAndKillDuplicates end", "MenuItem einfügen: " + caption,
        "Add MenuCommandbarButton succeeded"},
       kPasteTrace,
       {"CreateMenuCommandbarButton end"}});
}

class CommandBarsTest : public OfficeTest {
 protected:
  CommandBarsTest() {
    SetLanguage(1);
    fakes_.strings.table = {{1000, kGermanCaptions.first}, {1001, kGermanCaptions.second}};
    fakes_.office->clipboard_face = [this] { return fakes_.clipboard.picture; };
  }
  ~CommandBarsTest() override { SetLanguage(0); }

  sim::CommandBarStore& Store() { return *fakes_.office->command_bars(HostType::kWord); }
  FakeBar* Toolbar() { return Store().Bar(kToolbarName); }
  FakeBar& MenuBar() { return *Store().Bar("Menu Bar"); }
  // The add-in's pop-up in the host's menu bar, or nullptr.
  sim::FakeControl* Menu() {
    for (const auto& c : MenuBar().controls->items) {
      if (c->tag == kMenuTag) return c.get();
    }
    return nullptr;
  }
  std::string HostValue(const char* key) {
    return ToText(GetRegistryKeyValue(reg::kHkeyCurrentUser, key, fakes_.modules.executable));
  }
  void SetHostValue(const char* key, const std::string& text) {
    SetRegistryKeyValue(reg::kHkeyCurrentUser, key, fakes_.modules.executable, text, 1);
  }
  void ClearTrace() { fakes_.files.kept.clear(); }
  // The journal's lines that contain the text.
  Lines Journaled(const std::string& text) {
    Lines lines;
    std::copy_if(fakes_.office->journal.begin(), fakes_.office->journal.end(),
                 std::back_inserter(lines),
                 [&](const std::string& line) { return line.find(text) != std::string::npos; });
    return lines;
  }

  // DoInit's part: toolbar, then menu. Both results.
  struct Started {
    std::vector<ObjectRef> buttons, items;
  };
  Started StartUp(const FakeOfficeHost& host) {
    return {CreateAddInCommandBarButton(host.application(), {}, {}),
            CreateAddInCommandBarMenu(host.application(), {}, {}, "Menu Bar")};
  }
  void ShutDown(const FakeOfficeHost& host) {
    RemoveAddInCommandBarButton(host.application(), {}, "Menu Bar");
  }
  // Each control as "tag|caption|face|style".
  static Lines Looks(const sim::ControlList& controls) {
    Lines looks;
    for (const auto& c : controls.items) {
      looks.push_back(c->tag + "|" + c->caption + "|" + c->face.value_or("") + "|" +
                      std::to_string(c->style));
    }
    return looks;
  }
};

TEST_F(CommandBarsTest, FirstStartShutDownAndRestartKeepWhereTheUserHadThem) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  fakes_.graphics.colors[15] = 0x00804020;  // a colour scheme whose button face is not grey
  StartUp(word);

  EXPECT_EQ(
      Trace(),
      Concat({{"CreateAddInCommandBarButton start", "GetFirstVatnerAddinToolbar success",
               "neue Toolbar", "Buttons erstellen"},
              AddedButtonTrace(kStartTag, kGermanCaptions.first),
              AddedButtonTrace(kConfigTag, kGermanCaptions.second),
              {"CheckToolBarVisible", "CreateAddInCommandBarButton ende",
               "CreateAddInCommandBarMenu start", "GetFirstAddinMenubarAndKillDuplicates start",
               "GetFirstAddinMenubarAndKillDuplicates end", "AddinMenu erstellen",
               "MenuItems erstellen"},
              AddedMenuItemTrace(kGermanCaptions.first),
              AddedMenuItemTrace(kGermanCaptions.second),
              {"CreateAddInCommandBarMenu ende"}}));
  const std::string start = kGermanCaptions.first, config = kGermanCaptions.second;
  const Lines toolbar = {std::string(kStartTag) + "|" + start + "|icon 101|1",
                         std::string(kConfigTag) + "|" + config + "|icon 102|1"};
  const Lines menu = {std::string(kStartMenuTag) + "|" + start + "|icon 101|0",
                      std::string(kConfigMenuTag) + "|" + config + "|icon 102|0"};
  EXPECT_EQ(Looks(*Toolbar()->controls), toolbar);
  EXPECT_EQ(HostValue(kIsToolBarVisibleKey), "1");
  EXPECT_EQ(Menu()->Index(), 10);  // appended to the host's nine menus
  EXPECT_EQ(Menu()->caption, kMenuCaption);
  EXPECT_EQ(Looks(*Menu()->controls), menu);
  // The faces' magenta background takes the button-face colour of the moment.
  EXPECT_EQ(fakes_.graphics.mapped.front().first.from, 0x00FF00FFu);
  EXPECT_EQ(fakes_.graphics.mapped.back().first.to, 0x00804020u);
  EXPECT_TRUE(fakes_.graphics.live.empty()) << "a face's bitmap was not freed";
  // Lasting rather than temporary; a new control is named by its place until it has a tag.
  EXPECT_EQ(Journaled(".Add("),
            (Lines{"CommandBars.Add(Name:=\"Orvan pdf vatner Toolbar\", Position:=1, "
                   "Temporary:=False)",
                   "CommandBar(\"Orvan pdf vatner Toolbar\").Controls.Add(1, , , 1, False)",
                   "CommandBar(\"Orvan pdf vatner Toolbar\").Controls.Add(1, , , 2, False)",
                   "CommandBar(\"Menu Bar\").Controls.Add(10, , , , False)",
                   "Control(#10).Controls.Add(Type:=1, Temporary:=False)",
                   "Control(#10).Controls.Add(Type:=1, Temporary:=False)"}));

  // The user docks the toolbar in the second row, then drags the menu to place 8.
  Store().UserMovesBar(*Toolbar(), kBarTop, 2, 0, 49);
  Store().UserMovesControl(*Menu(), *MenuBar().controls, 8);
  ClearTrace();
  fakes_.office->journal.clear();
  ShutDown(word);
  EXPECT_EQ(HostValue(kToolBarPositionKey), "0;49;1;2;8");
  EXPECT_EQ(HostValue(kIsToolBarVisibleKey), "1");
  EXPECT_EQ(Trace(), (Lines{"GetFirstVatnerAddinToolbar success", "Toolbar gefunden",
                            "GetMenuIndex start", "GetFirstAddinMenubarAndKillDuplicates start",
                            "Menubar gefunden", "GetFirstAddinMenubarAndKillDuplicates end",
                            "RemoveAddInCommandBarButton end"}));
  EXPECT_EQ(Journaled("Toolbar\").Visible = "),
            (Lines{"CommandBar(\"Orvan pdf vatner Toolbar\").Visible = False"}));
  EXPECT_EQ(Toolbar(), nullptr);
  EXPECT_EQ(Menu(), nullptr);

  Store().Restart();
  FakeOfficeHost again(HostType::kWord, fakes_.office);
  StartUp(again);
  EXPECT_EQ(Looks(*Toolbar()->controls), toolbar);
  EXPECT_EQ(std::vector({Toolbar()->position, Toolbar()->row, Toolbar()->top}),
            std::vector({kBarTop, 2, 49}));
  EXPECT_EQ(Menu()->Index(), 8);
  EXPECT_EQ(Looks(*Menu()->controls), menu);
}

TEST_F(CommandBarsTest, LeftoversAreReusedAndDuplicatesDeletedWhateverTheirLetterCase) {
  // The host's three bars, then other bars, the user's copies of the toolbar and an old tag.
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  auto& store = Store();
  store.UserAddsBar("Other 1");
  store.UserAddsBar("orvan PDF vatner toolbar");  // at 5
  store.UserAddsBar("OrvanVatnerStart");          // moves up to 5 when the copy goes
  store.UserAddsBar("Other 2");
  store.UserAddsBar("Other 3");
  FakeBar& late = store.UserAddsBar(kToolbarName);  // at 9
  store.UserAddsControl(*late.controls, 1, "OrvanVatnerConfig", "alt");
  store.UserAddsControl(*late.controls, 1, kStartTag, "Start");
  store.UserAddsControl(*late.controls, 1, "ORVAN PDF VATNER START", "Start");
  ClearTrace();

  const ObjectRef kept = GetFirstAddinToolbarAndKillDuplicates(word.application());
  ASSERT_TRUE(kept);
  EXPECT_EQ(ToLong(Get(kept, "Index")), 7);
  EXPECT_EQ(Trace(), (Lines{"GetFirstVatnerAddinToolbar success", "Toolbar gefunden",
                            "überzählige Toolbar löschen", "OldTagRecognized:OrvanVatnerStart",
                            "überzählige Toolbar löschen"}));

  ClearTrace();
  ASSERT_TRUE(GetFirstAddinToolbarButtonAndKillDuplicates(kept, kStartTag));
  EXPECT_EQ(Toolbar()->controls->Tags(), (Lines{kStartTag}));
  EXPECT_EQ(Trace(),
            (Lines{"GetFirstAddinToolbarButtonAndKillDuplicates start", "Toolbarbutton gefunden",
                   "OldTagRecognized:OrvanVatnerConfig", "überzählige Toolbarbutton löschen",
                   "überzählige Toolbarbutton löschen",
                   "GetFirstAddinToolbarButtonAndKillDuplicates end"}));

  // An older version's menu holds a sub-menu with the Start item's tag, which is no item to
  // keep, and an item with an old tag.
  auto& old_menu = store.UserAddsControl(*MenuBar().controls, 10, kMenuTag, kMenuCaption);
  store.UserAddsControl(*old_menu.controls, 10, kStartMenuTag, "alt");
  store.UserAddsControl(*old_menu.controls, 1, "OrvanVatnerConfigMenu", "alt");

  // The next start-up reuses the toolbar and its Start button and adds Config at place 2; the
  // menu's controls go and both items are added anew.
  StartUp(word);
  EXPECT_EQ(Toolbar()->controls->Tags(), (Lines{kStartTag, kConfigTag}));
  EXPECT_EQ(Toolbar()->controls->items[0]->caption, "Start");  // found buttons stay untouched
  EXPECT_EQ(Menu()->controls->Tags(), (Lines{kStartMenuTag, kConfigMenuTag}));
  EXPECT_EQ(Menu()->controls->items[0]->face, "icon 101");
}

TEST_F(CommandBarsTest, AnOldTagNamedBarGoesEvenWithoutAToolbarOfTheAddin) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  Store().UserAddsBar("orvanvatnerconfigmenu");
  EXPECT_FALSE(GetFirstAddinToolbarAndKillDuplicates(word.application()));
  EXPECT_EQ(Store().Bar("orvanvatnerconfigmenu"), nullptr);

  // A leftover the host refuses to delete ends the sweep with the error shown: nothing is
  // returned although the toolbar was found, so the caller builds one anew.
  Store().UserAddsBar(kToolbarName);
  Store().UserAddsBar("OrvanVatnerStart");
  fakes_.office->Fail("CommandBar(\"OrvanVatnerStart\").Delete",
                      {-2147467259, "Methode 'Delete' fehlgeschlagen", "Microsoft Office"});
  EXPECT_FALSE(GetFirstAddinToolbarAndKillDuplicates(word.application()));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].text.find("(GetFirstAddinToolbarAndKillDuplicates, )"), std::string::npos);
}

TEST_F(CommandBarsTest, RepairOffKeepsWhatIsThereAndAddsNoButtonOrMenu) {
  SetHostValue(kToolBarNotRepairKey, "1");
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  StartUp(word);
  ASSERT_NE(Toolbar(), nullptr);
  EXPECT_TRUE(Toolbar()->controls->items.empty());
  EXPECT_EQ(Menu(), nullptr);
  EXPECT_EQ(HostValue(kIsToolBarVisibleKey), "");  // visibility left to the host

  // A kept toolbar with only Start and a kept menu with only Config (first a copy in other
  // letters, which is the one kept): the toolbar stays short, the menu gets Start at its end.
  Store().UserAddsControl(*Toolbar()->controls, 1, kStartTag, "Start");
  auto& menu = Store().UserAddsControl(*MenuBar().controls, 10, kMenuTag, kMenuCaption);
  Store().UserAddsControl(*menu.controls, 1, "orvan pdf vatner configmenu", "copy");
  Store().UserAddsControl(*menu.controls, 1, kConfigMenuTag, "Config");
  StartUp(word);
  EXPECT_EQ(Toolbar()->controls->Tags(), (Lines{kStartTag}));
  EXPECT_EQ(Menu()->controls->Captions(), (Lines{"copy", kGermanCaptions.first}));

  // A stored 0 (with blanks) is repair on: the Config button comes back at place 2.
  SetHostValue(kToolBarNotRepairKey, " 0 ");
  StartUp(word);
  EXPECT_EQ(Toolbar()->controls->Tags(), (Lines{kStartTag, kConfigTag}));
}

TEST_F(CommandBarsTest, StoredPlacesApplyOnlyTheFieldsThatHaveText) {
  struct Case {
    const char* stored;
    Lines puts;        // the writes to the toolbar's place, in order
    const char* move;  // the menu's Move, or "" for none
  } const cases[] = {
      {"0;49;1;2;7", {"Left = 0", "Top = 49", "Position = 1", "RowIndex = 2"}, ".Move(, 7)"},
      {";;4", {"Position = 4"}, ""},
      {"12;x", {"Left = 12", "Top = 0"}, ""},
      {";;;;0", {}, ".Move(, 0)"},
  };
  const std::string toolbar = "CommandBar(\"Orvan pdf vatner Toolbar\").";
  for (const Case& c : cases) {
    SetHostValue(kToolBarPositionKey, c.stored);
    FakeOfficeHost word(HostType::kWord, fakes_.office);
    fakes_.office->journal.clear();
    const Started s = StartUp(word);
    Lines puts;
    for (const std::string& line : Journaled(toolbar)) {
      if (line.find(" = ") != std::string::npos && line.find("Visible") == std::string::npos)
        puts.push_back(line.substr(toolbar.size()));
    }
    // A new pop-up's object is named by its index: compare from the member on.
    const Lines moves = Journaled(".Move(");
    EXPECT_EQ(puts, c.puts) << c.stored;
    EXPECT_EQ(moves.empty() ? "" : moves[0].substr(moves[0].find(".Move(")), c.move) << c.stored;
    EXPECT_TRUE(s.buttons[0] && s.items[1]) << "a refused place stops nothing: " << c.stored;
    ShutDown(word);
  }
}

// Captions that cannot be loaded leave the buttons without one; the rest goes on.
TEST_F(CommandBarsTest, TheStoredVisibilityIsAppliedAndTextThatIsNoNumberFailsAfterTheButtons) {
  fakes_.strings.table.clear();
  for (const auto& [stored, visible] : {std::pair{"ja", false}, {"0", false}, {" 2", true}}) {
    SetHostValue(kIsToolBarVisibleKey, stored);
    FakeOfficeHost word(HostType::kWord, fakes_.office);
    const bool number = std::string(stored) != "ja";
    EXPECT_EQ(CreateAddInCommandBarButton(word.application(), {}, {}).size(), number ? 2u : 0u);
    EXPECT_EQ(Trace().back(),
              number ? "CreateAddInCommandBarButton ende" : "CreateAddInCommandBarButton failed");
    EXPECT_EQ(Toolbar()->visible, visible) << stored;
    EXPECT_EQ(Toolbar()->controls->Tags(), (Lines{kStartTag, kConfigTag}));
    EXPECT_EQ(Toolbar()->controls->Captions(), (Lines{"", ""}));
  }
}

TEST_F(CommandBarsTest, AFaceThatCannotBePastedDropsTheButtonButKeepsTheMenuItem) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  fakes_.office->Fail("*.PasteFace", {-2147467259, "Methode 'PasteFace' fehlgeschlagen",
                                      "Microsoft Office", -1, 0});
  const Started s = StartUp(word);
  EXPECT_EQ(s.buttons, (std::vector<ObjectRef>{nullptr, nullptr}));
  EXPECT_TRUE(Toolbar()->controls->items.empty());
  const Lines trace = Trace();
  // Start's face fails; Config's place 2 then lies beyond the empty toolbar: the host refuses it.
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "PasteIconOnCommandbarButton failed"), 3);
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "Add Toolbar CommandbarButton failed"), 1);
  EXPECT_TRUE(s.items[0] && s.items[1]);
  EXPECT_EQ(Looks(*Menu()->controls)[0],
            std::string(kStartMenuTag) + "|" + kGermanCaptions.first + "||0");
}

TEST_F(CommandBarsTest, TheUsersClipboardComesBackOnlyWhenAButtonWasAdded) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  fakes_.clipboard.picture = "the user's chart";
  fakes_.clipboard.text = "the user's text";
  StartUp(word);
  // Each face goes through an emptied clipboard; the user's picture and text come back last.
  const Lines face = {"Clear", "SetPicture icon 101", "Clear", "SetPicture icon 102"};
  const Lines back = {"Clear", "SetPicture the user's chart", "SetText \"the user's text\""};
  EXPECT_EQ(fakes_.clipboard.writes, Concat({face, back, face, back}));

  // Everything exists on the next start-up (the host kept it): the clipboard is not touched.
  fakes_.clipboard.writes.clear();
  StartUp(word);
  EXPECT_TRUE(fakes_.clipboard.writes.empty());

  // A clipboard without a picture gets none back, and its text comes back empty; one that
  // another program holds is not emptied, and the faces still go on.
  ShutDown(word);
  fakes_.clipboard.picture.reset();
  fakes_.clipboard.text.reset();
  fakes_.clipboard.failing = {"Clear"};
  StartUp(word);
  EXPECT_EQ(Toolbar()->controls->items[0]->face, "icon 101");
  fakes_.clipboard.failing.clear();
  ShutDown(word);
  fakes_.clipboard.picture.reset();
  StartUp(word);
  EXPECT_EQ(fakes_.clipboard.picture, std::nullopt);
  EXPECT_EQ(fakes_.clipboard.text, "");
}

TEST_F(CommandBarsTest, AMenuBarThatIsNotThereBuildsNoMenu) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  EXPECT_TRUE(CreateAddInCommandBarMenu(word.application(), {}, {}, "Nirgends").empty());
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Invalid procedure call or argument", "Orvan pdf vatner", 64}}));
  EXPECT_EQ(Trace(), (Lines{"CreateAddInCommandBarMenu start"}));

  Store().unknown_name_gives_nothing = true;
  Boxes().clear();
  ClearTrace();
  EXPECT_EQ(CreateAddInCommandBarMenu(word.application(), {}, {}, "Nirgends"),
            (std::vector<ObjectRef>{nullptr, nullptr}));
  EXPECT_EQ(Trace(), (Lines{"CreateAddInCommandBarMenu start", "CreateAddInCommandBarMenu ende"}));
}

TEST_F(CommandBarsTest, TheMenusPlaceIsFoundByItsExactTag) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  Store().UserAddsControl(*MenuBar().controls, 10, "orvan pdf vatner", "x", 2);  // a decoy
  EXPECT_EQ(GetMenuIndex(word.application(), "Menu Bar"), 0);
  EXPECT_EQ(Trace(), (Lines{"GetMenuIndex start", "GetMenuIndex end"}));
  // The duplicate sweep, unlike the place, ignores letter case: one pop-up of the add-in stays.
  Store().UserAddsControl(*MenuBar().controls, 10, kMenuTag, kMenuCaption, 5);
  EXPECT_EQ(GetMenuIndex(word.application(), "Menu Bar"), 5);
  ClearTrace();
  const ObjectRef menu = GetFirstAddinMenubarAndKillDuplicates(word.application(), "Menu Bar");
  EXPECT_EQ(ToText(Get(menu, "Tag")), kMenuTag);
  EXPECT_EQ(Trace(),
            (Lines{"GetFirstAddinMenubarAndKillDuplicates start", "Menubar gefunden",
                   "überzählige Menubar löschen", "GetFirstAddinMenubarAndKillDuplicates end"}));
  EXPECT_EQ(GetMenuIndex(word.application(), "Menu Bar"), 4);
  // A bar the host does not know.
  ClearTrace();
  EXPECT_EQ(GetMenuIndex(word.application(), "Nirgends"), 0);
  EXPECT_FALSE(GetFirstAddinMenubarAndKillDuplicates(word.application(), "Nirgends"));
  EXPECT_EQ(Trace(), (Lines{"GetMenuIndex start", "GetMenuIndex failed",
                            "GetFirstAddinMenubarAndKillDuplicates start",
                            "GetFirstAddinMenubarAndKillDuplicates failed"}));
}

TEST_F(CommandBarsTest, TheConfigurationCommandsGoFromToolbarAndMenu) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  const Started s = StartUp(word);
  // A controller reached by member name, at first with a toolbar array without elements.
  std::vector<ObjectRef> buttons;
  auto controller = std::make_shared<sim::FakeObject>(fakes_.office, "Controller");
  for (const auto& [name, array] :
       {std::pair<const char*, const std::vector<ObjectRef>*>{"ToolbarButtons", &buttons},
        {"MenubarButtons", &s.items}}) {
    controller->OnGet(name, [array](const Args& a) -> Value {
      const auto i = static_cast<std::size_t>(ToLong(a.positional.at(0)));
      return i < array->size() ? (*array)[i] : ObjectRef();
    });
  }
  ClearTrace();
  RemoveVatnerPropertiesCommandButtons(controller);
  EXPECT_EQ(Trace(), (Lines{"RemoveVatnerPropertiesCommandButtons start", "ToolbarButton",
                            "MenubarButton", "RemoveVatnerPropertiesCommandButtons end"}));
  EXPECT_EQ(Toolbar()->controls->Tags(), (Lines{kStartTag, kConfigTag}));
  EXPECT_EQ(Menu()->controls->Tags(), (Lines{kStartMenuTag}));

  // Now the toolbar's Config goes; the menu item, gone already, ends the procedure silently.
  buttons = s.buttons;
  ClearTrace();
  RemoveVatnerPropertiesCommandButtons(controller);
  EXPECT_EQ(Trace().back(), "MenubarButton");
  EXPECT_EQ(Toolbar()->controls->Tags(), (Lines{kStartTag}));
}

}  // namespace
}  // namespace orvan::testing
