// The add-in's toolbar and menu in the fake hosts: creation, repair of leftovers, stored place and
// visibility, removal, button faces and the user's clipboard.
#include <gtest/gtest.h>

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

  sim::CommandBarStore& Store(HostType type = HostType::kWord) {
    return *fakes_.office->command_bars(type);
  }
  FakeBar* Toolbar(HostType type = HostType::kWord) { return Store(type).Bar(kToolbarName); }
  static std::string MenuBarName(HostType type) {
    return type == HostType::kExcel ? "Worksheet Menu Bar" : "Menu Bar";
  }
  FakeBar& MenuBar(HostType type = HostType::kWord) { return *Store(type).Bar(MenuBarName(type)); }
  // The add-in's pop-up in the host's menu bar, or nullptr.
  sim::FakeControl* Menu(HostType type = HostType::kWord) {
    for (const auto& c : MenuBar(type).controls->items) {
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

  // DoInit's part: toolbar, then menu. Both results.
  struct Started {
    std::vector<ObjectRef> buttons, items;
  };
  Started StartUp(const FakeOfficeHost& host, HostType type = HostType::kWord) {
    Started s;
    s.buttons = CreateAddInCommandBarButton(host.application(), {}, {});
    s.items = CreateAddInCommandBarMenu(host.application(), {}, {}, MenuBarName(type));
    return s;
  }
  void ShutDown(const FakeOfficeHost& host, HostType type = HostType::kWord) {
    RemoveAddInCommandBarButton(host.application(), {}, MenuBarName(type));
  }
  static Lines Tags(const FakeBar& bar) { return bar.controls->Tags(); }
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

TEST_F(CommandBarsTest, FirstStartAndShutDownStoreWhereTheUserHadThem) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  const std::size_t host_menus = MenuBar().controls->items.size();
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
  EXPECT_EQ(Looks(*Toolbar()->controls),
            (Lines{std::string(kStartTag) + "|" + start + "|icon 101|1",
                   std::string(kConfigTag) + "|" + config + "|icon 102|1"}));
  // The menu is appended to the host's menus.
  ASSERT_EQ(MenuBar().controls->items.size(), host_menus + 1);
  EXPECT_EQ(MenuBar().controls->items.back()->caption, kMenuCaption);
  EXPECT_EQ(Looks(*Menu()->controls),
            (Lines{std::string(kStartMenuTag) + "|" + start + "|icon 101|0",
                   std::string(kConfigMenuTag) + "|" + config + "|icon 102|0"}));
  // The faces' magenta background takes the button-face colour of the moment.
  EXPECT_EQ(fakes_.graphics.mapped.front().first.from, 0x00FF00FFu);
  EXPECT_EQ(fakes_.graphics.mapped.back().first.to, 0x00804020u);
  EXPECT_TRUE(fakes_.graphics.live.empty()) << "a face's bitmap was not freed";
  // The host calls that made them, lasting rather than temporary (a new control is named by its
  // place until it has a tag).
  Lines adds;
  for (const std::string& line : fakes_.office->journal) {
    if (line.find(".Add(") != std::string::npos || line.find(".PasteFace") != std::string::npos)
      adds.push_back(line);
  }
  EXPECT_EQ(
      adds,
      (Lines{"CommandBars.Add(Name:=\"Orvan pdf vatner Toolbar\", Position:=1, "
             "Temporary:=False)",
             "CommandBar(\"Orvan pdf vatner Toolbar\").Controls.Add(1, , , 1, False)",
             "Control(#1).PasteFace()",
             "CommandBar(\"Orvan pdf vatner Toolbar\").Controls.Add(1, , , 2, False)",
             "Control(#2).PasteFace()", "CommandBar(\"Menu Bar\").Controls.Add(10, , , , False)",
             "Control(#10).Controls.Add(Type:=1, Temporary:=False)", "Control(#1).PasteFace()",
             "Control(#10).Controls.Add(Type:=1, Temporary:=False)", "Control(#2).PasteFace()"}));

  // The user docks the toolbar in another row, then drags the menu to place 8.
  Store().UserMovesBar(*Toolbar(), kBarTop, 2, 0, 49);
  Store().UserMovesControl(*Menu(), *MenuBar().controls, 8);
  const FakeBar placed = *Toolbar();
  ClearTrace();
  ShutDown(word);
  EXPECT_EQ(HostValue(kToolBarPositionKey),
            "0;" + std::to_string(placed.top) + ";1;" + std::to_string(placed.row) + ";8");
  EXPECT_EQ(Trace(), (Lines{"GetFirstVatnerAddinToolbar success", "Toolbar gefunden",
                            "GetMenuIndex start", "GetFirstAddinMenubarAndKillDuplicates start",
                            "Menubar gefunden", "GetFirstAddinMenubarAndKillDuplicates end",
                            "RemoveAddInCommandBarButton end"}));
}

TEST_F(CommandBarsTest, LeftoversAreReusedAndDuplicatesDeletedWhateverTheirLetterCase) {
  // An earlier run's toolbar kept by the host, and the user's copies of it and of its buttons.
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  StartUp(word);
  ShutDown(word);
  auto& store = Store();
  const std::size_t host_bars = store.BarNames().size();
  for (int i = 0; i < 4; ++i)
    store.UserAddsBar("Other " + std::to_string(i));
  store.UserAddsBar("orvan PDF vatner toolbar");  // the earliest copy, at host_bars + 5
  store.UserAddsBar("OrvanVatnerStart");          // moves up to early's place when early goes
  store.UserAddsBar("Other 4");
  store.UserAddsBar("Other 5");
  FakeBar& late = store.UserAddsBar(kToolbarName);  // at host_bars + 9
  store.UserAddsControl(*late.controls, 1, "OrvanVatnerConfig", "alt");
  store.UserAddsControl(*late.controls, 1, kStartTag, "Start");
  store.UserAddsControl(*late.controls, 1, "ORVAN PDF VATNER START", "Start");
  ClearTrace();

  const ObjectRef kept = GetFirstAddinToolbarAndKillDuplicates(word.application());
  ASSERT_TRUE(kept);
  EXPECT_EQ(ToLong(Get(kept, "Index")), static_cast<std::int32_t>(host_bars + 7));
  EXPECT_EQ(Trace(), (Lines{"GetFirstVatnerAddinToolbar success", "Toolbar gefunden",
                            "überzählige Toolbar löschen", "OldTagRecognized:OrvanVatnerStart",
                            "überzählige Toolbar löschen"}));
  EXPECT_EQ(store.BarNames().size(), host_bars + 7);

  ClearTrace();
  const ObjectRef start = GetFirstAddinToolbarButtonAndKillDuplicates(kept, kStartTag);
  ASSERT_TRUE(start);
  EXPECT_EQ(Tags(*Toolbar()), (Lines{kStartTag}));
  EXPECT_EQ(Trace(),
            (Lines{"GetFirstAddinToolbarButtonAndKillDuplicates start", "Toolbarbutton gefunden",
                   "OldTagRecognized:OrvanVatnerConfig", "überzählige Toolbarbutton löschen",
                   "überzählige Toolbarbutton löschen",
                   "GetFirstAddinToolbarButtonAndKillDuplicates end"}));

  // An older version's menu holds only items with old tags.
  auto& old_menu = store.UserAddsControl(*MenuBar().controls, 10, kMenuTag, kMenuCaption);
  store.UserAddsControl(*old_menu.controls, 1, "OrvanVatnerStartMenu", "alt");
  store.UserAddsControl(*old_menu.controls, 1, "OrvanVatnerConfigMenu", "alt");

  // The next start-up reuses the toolbar and its Start button and adds Config at place 2; the
  // old items go although neither item of the add-in is there to keep.
  ClearTrace();
  const Started again = StartUp(word);
  EXPECT_TRUE(again.buttons[0]);
  EXPECT_EQ(Tags(*Toolbar()), (Lines{kStartTag, kConfigTag}));
  EXPECT_EQ(Toolbar()->controls->items[0]->caption, "Start");  // found buttons stay untouched
  EXPECT_EQ(Menu()->controls->Tags(), (Lines{kStartMenuTag, kConfigMenuTag}));
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
  EXPECT_TRUE(Tags(*Toolbar()).empty());
  EXPECT_EQ(Menu(), nullptr);
  EXPECT_EQ(HostValue(kIsToolBarVisibleKey), "");  // visibility left to the host

  // A kept toolbar with only Start and a kept menu with only Config: the toolbar stays short,
  // the menu gets its Start item back at its end.
  Store().UserAddsControl(*Toolbar()->controls, 1, kStartTag, "Start");
  FakeBar& bar = MenuBar();
  auto& menu = Store().UserAddsControl(*bar.controls, 10, kMenuTag, kMenuCaption);
  Store().UserAddsControl(*menu.controls, 1, kConfigMenuTag, "Config");
  Store().UserAddsControl(*menu.controls, 1, "orvan pdf vatner configmenu", "Config");  // a copy
  StartUp(word);
  EXPECT_EQ(Tags(*Toolbar()), (Lines{kStartTag}));
  EXPECT_EQ(Menu()->controls->Tags(), (Lines{kConfigMenuTag, kStartMenuTag}));

  // With repair on again the Config button comes back at place 2.
  SetHostValue(kToolBarNotRepairKey, "0 ");
  StartUp(word);
  EXPECT_EQ(Tags(*Toolbar()), (Lines{kStartTag, kConfigTag}));
}

TEST_F(CommandBarsTest, StoredPlacesApplyOnlyTheFieldsThatHaveText) {
  struct Case {
    const char* stored;
    Lines puts;        // the writes to the toolbar's place, in order
    const char* move;  // the menu's Move, or "" for none
  } const cases[] = {
      {"", {}, ""},
      {"0;49;1;2;7", {"Left = 0", "Top = 49", "Position = 1", "RowIndex = 2"}, ".Move(, 7)"},
      {";;4", {"Position = 4"}, ""},
      {"12;x", {"Left = 12", "Top = 0"}, ""},
      {"1;2;1;1", {"Left = 1", "Top = 2", "Position = 1", "RowIndex = 1"}, ""},
      {";;;;0", {}, ".Move(, 0)"},
  };
  const std::string toolbar = "CommandBar(\"Orvan pdf vatner Toolbar\").";
  for (const Case& c : cases) {
    SetHostValue(kToolBarPositionKey, c.stored);
    FakeOfficeHost word(HostType::kWord, fakes_.office);
    fakes_.office->journal.clear();
    const Started s = StartUp(word);
    Lines puts;
    std::string move;
    for (const std::string& line : fakes_.office->journal) {
      if (line.starts_with(toolbar) && line.find(" = ") != std::string::npos &&
          line.find("Visible") == std::string::npos)
        puts.push_back(line.substr(toolbar.size()));
      // A new pop-up's object is named by its index: compare from the member on.
      if (line.find(".Move(") != std::string::npos) move = line.substr(line.find(".Move("));
    }
    EXPECT_EQ(puts, c.puts) << c.stored;
    EXPECT_EQ(move, c.move) << c.stored;
    EXPECT_TRUE(s.buttons[0] && s.items[1]) << "a refused place stops nothing: " << c.stored;
    ShutDown(word);
  }
}

TEST_F(CommandBarsTest, AStoredVisibilityThatIsNoNumberFailsTheCreationAfterTheButtons) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  SetHostValue(kIsToolBarVisibleKey, "ja");
  EXPECT_TRUE(CreateAddInCommandBarButton(word.application(), {}, {}).empty());
  EXPECT_EQ(Trace().back(), "CreateAddInCommandBarButton failed");
  EXPECT_EQ(Tags(*Toolbar()), (Lines{kStartTag, kConfigTag}));
}

TEST_F(CommandBarsTest, AFaceThatCannotBePastedDropsTheButtonButKeepsTheMenuItem) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  fakes_.office->Fail("*.PasteFace", {-2147467259, "Methode 'PasteFace' fehlgeschlagen",
                                      "Microsoft Office", 1, 1});  // the second paste fails
  const Started s = StartUp(word);
  EXPECT_TRUE(s.buttons[0]);
  EXPECT_FALSE(s.buttons[1]);
  EXPECT_EQ(Tags(*Toolbar()), (Lines{kStartTag}));
  const Lines trace = Trace();
  EXPECT_NE(std::find(trace.begin(), trace.end(), "PasteIconOnCommandbarButton failed"),
            trace.end());

  fakes_.office->Fail("*.PasteFace", {-2147467259, "Methode 'PasteFace' fehlgeschlagen",
                                      "Microsoft Office", -1, 0});
  ShutDown(word);
  const Started again = StartUp(word);
  EXPECT_EQ(again.buttons, (std::vector<ObjectRef>{nullptr, nullptr}));
  EXPECT_TRUE(again.items[0] && again.items[1]);
  EXPECT_EQ(Menu()->controls->items[0]->caption, kGermanCaptions.first);
  EXPECT_FALSE(Menu()->controls->items[0]->face.has_value());
}

TEST_F(CommandBarsTest, TheUsersClipboardComesBackOnlyWhenAButtonWasAdded) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  fakes_.clipboard.picture = "the user's chart";
  fakes_.clipboard.text = "the user's text";
  StartUp(word);
  EXPECT_EQ(fakes_.clipboard.picture, "the user's chart");
  EXPECT_EQ(fakes_.clipboard.text, "the user's text");
  EXPECT_EQ(fakes_.clipboard.writes.back(), "SetText \"the user's text\"");

  // Everything exists on the next start-up (the host kept it): the clipboard is not touched.
  fakes_.clipboard.writes.clear();
  StartUp(word);
  EXPECT_TRUE(fakes_.clipboard.writes.empty());

  // A clipboard without a picture gets none back, and its text comes back empty.
  ShutDown(word);
  fakes_.clipboard.picture.reset();
  fakes_.clipboard.text.reset();
  fakes_.clipboard.failing = {"Clear"};  // another program holds it: the faces still go on
  StartUp(word);
  EXPECT_EQ(Toolbar()->controls->items[0]->face, "icon 101");
  fakes_.clipboard.failing.clear();
  ShutDown(word);
  fakes_.clipboard.picture.reset();
  StartUp(word);
  EXPECT_EQ(fakes_.clipboard.picture, std::nullopt);
  EXPECT_EQ(fakes_.clipboard.text, "");
}

TEST_F(CommandBarsTest, CaptionsThatCannotBeLoadedLeaveButtonsWithoutCaption) {
  fakes_.strings.table.clear();
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  const Started s = StartUp(word);
  EXPECT_TRUE(s.buttons[0] && s.buttons[1] && s.items[0] && s.items[1]);
  EXPECT_EQ(Toolbar()->controls->items[1]->caption, "");
  EXPECT_EQ(Menu()->controls->items[0]->caption, "");
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
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(GetFirstAddinMenubarAndKillDuplicates(word.application(), "Nirgends"));
  EXPECT_EQ(Trace(), (Lines{"CreateAddInCommandBarMenu start", "CreateAddInCommandBarMenu ende",
                            "GetFirstAddinMenubarAndKillDuplicates start",
                            "GetFirstAddinMenubarAndKillDuplicates failed"}));
}

TEST_F(CommandBarsTest, TheMenusPlaceIsFoundByItsExactTag) {
  FakeOfficeHost word(HostType::kWord, fakes_.office);
  Store().UserAddsControl(*MenuBar().controls, 10, "orvan pdf vatner", "x", 2);  // a decoy
  EXPECT_EQ(GetMenuIndex(word.application(), "Menu Bar"), 0);
  EXPECT_EQ(Trace(), (Lines{"GetMenuIndex start", "GetMenuIndex end"}));
  // The duplicate sweep, unlike the place, ignores letter case: one pop-up of the add-in stays.
  Store().UserAddsControl(*MenuBar().controls, 10, kMenuTag, kMenuCaption, 5);
  EXPECT_EQ(GetMenuIndex(word.application(), "Menu Bar"), 5);
  const ObjectRef menu = GetFirstAddinMenubarAndKillDuplicates(word.application(), "Menu Bar");
  ASSERT_TRUE(menu);
  EXPECT_EQ(ToText(Get(menu, "Tag")), kMenuTag);
  EXPECT_EQ(GetMenuIndex(word.application(), "Menu Bar"), 4);
  EXPECT_EQ(GetMenuIndex(word.application(), "Nirgends"), 0);
  EXPECT_EQ(Trace().back(), "GetMenuIndex failed");
}

TEST_F(CommandBarsTest, TheConfigurationCommandsGoFromToolbarAndMenu) {
  FakeOfficeHost excel(HostType::kExcel, fakes_.office);
  const Started s = StartUp(excel, HostType::kExcel);
  // A controller reached by member name, here first with a toolbar array without elements.
  std::vector<ObjectRef> buttons;
  auto controller = std::make_shared<sim::FakeObject>(fakes_.office, "Controller");
  controller->OnGet("ToolbarButtons", [&buttons](const Args& a) -> Value {
    const auto i = static_cast<std::size_t>(ToLong(a.positional.at(0)));
    return i < buttons.size() ? buttons[i] : ObjectRef();
  });
  controller->OnGet("MenubarButtons", [s](const Args& a) -> Value {
    return s.items.at(static_cast<std::size_t>(ToLong(a.positional.at(0))));
  });
  ClearTrace();
  RemoveVatnerPropertiesCommandButtons(controller);
  EXPECT_EQ(Trace(), (Lines{"RemoveVatnerPropertiesCommandButtons start", "ToolbarButton",
                            "MenubarButton", "RemoveVatnerPropertiesCommandButtons end"}));
  EXPECT_EQ(Tags(*Toolbar(HostType::kExcel)), (Lines{kStartTag, kConfigTag}));
  EXPECT_EQ(Menu(HostType::kExcel)->controls->Tags(), (Lines{kStartMenuTag}));

  // Now the toolbar's Config goes; the menu item, gone already, ends the procedure silently.
  buttons = s.buttons;
  ClearTrace();
  RemoveVatnerPropertiesCommandButtons(controller);
  EXPECT_EQ(Trace().back(), "MenubarButton");
  EXPECT_EQ(Tags(*Toolbar(HostType::kExcel)), (Lines{kStartTag}));
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace orvan::testing
