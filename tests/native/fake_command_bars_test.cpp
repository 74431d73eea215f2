// The fake command bars' own rules, where a lenient fake would let the add-in pass wrongly.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "doubles/raised_error.h"
#include "sim/office/fake_office.h"
#include "support/automation.h"

namespace orvan::testing {
namespace {

using sim::FakeOfficeHost;
using sim::HostType;

constexpr std::int32_t kMethodFailed = -2147467259;

Args Named(std::vector<NamedArgument> named) {
  Args args;
  args.named = std::move(named);
  return args;
}

class FakeCommandBars : public ::testing::Test {
 protected:
  ObjectRef Bars() { return ObjectMember(host_->application(), "CommandBars"); }
  ObjectRef Bar(const char* name) {
    return AsObject(GetItem(host_->application(), "CommandBars", name));
  }
  ObjectRef AddButton(const ObjectRef& bar, const char* tag, bool temporary = false) {
    const ObjectRef button = AsObject(
        Call(ObjectMember(bar, "Controls"), "Add", Named({{"Type", 1}, {"Temporary", temporary}})));
    Put(button, "Tag", tag);
    return button;
  }
  sim::CommandBarStore& Store() { return *world_->command_bars(HostType::kWord); }

  std::shared_ptr<sim::OfficeWorld> world_ = std::make_shared<sim::OfficeWorld>();
  std::unique_ptr<FakeOfficeHost> host_ = std::make_unique<FakeOfficeHost>(HostType::kWord, world_);
};

TEST_F(FakeCommandBars, RestartKeepsOnlyWhatWasNotTemporary) {
  const ObjectRef kept = AsObject(Call(Bars(), "Add", {"Kept", 1, false, false}));
  Call(Bars(), "Add", Named({{"Name", "Gone"}, {"Temporary", true}}));
  AddButton(kept, "stays");
  const ObjectRef dropped = AddButton(kept, "dropped", true);
  AddButton(Bar("Menu Bar"), "menu item", true);

  Store().Restart();
  host_ = std::make_unique<FakeOfficeHost>(HostType::kWord, world_);
  EXPECT_EQ(Store().BarNames(),
            (std::vector<std::string>{"Menu Bar", "Standard", "Formatting", "Kept"}));
  EXPECT_EQ(Store().Bar("kept")->controls->Tags(), std::vector<std::string>{"stays"});
  EXPECT_EQ(ToLong(Get(ObjectMember(Bar("Menu Bar"), "Controls"), "Count")), 9);
  EXPECT_EQ(ErrorNumberOf([&] { Get(dropped, "Tag"); }), kMethodFailed);
}

TEST_F(FakeCommandBars, BarsByIndexOrNameAndTheUnknownNameSwitch) {
  EXPECT_EQ(ToText(Get(Bar("formatting"), "Name")), "Formatting");
  for (const Value& index : {Value("Worksheet Menu Bar"), Value(0), Value(4)}) {
    const auto error = RaisedBy([&] { Get(Bars(), kDefaultMember, {index}); });
    ASSERT_TRUE(error) << sim::Describe(index);
    EXPECT_EQ(error->number(), vberr::kInvalidProcedureCall);
    EXPECT_EQ(error->source(), "Microsoft Word");
  }
  Store().unknown_name_gives_nothing = true;
  EXPECT_TRUE(Get(Bars(), kDefaultMember, {"Worksheet Menu Bar"}).IsNothing());
  EXPECT_EQ(ErrorNumberOf([&] { Get(Bars(), kDefaultMember, {4}); }), vberr::kInvalidProcedureCall);
  // A second bar of a name the host knows, in any letter case, is refused.
  EXPECT_EQ(ErrorNumberOf([&] { Call(Bars(), "Add", {"STANDARD"}); }),
            vberr::kInvalidProcedureCall);
}

TEST_F(FakeCommandBars, BeforeMustNameAPlaceAndIndexesFollowEveryChange) {
  const ObjectRef bar = AsObject(Call(Bars(), "Add", {"T"}));
  AddButton(bar, "a");
  AddButton(bar, "b");
  const ObjectRef controls = ObjectMember(bar, "Controls");
  struct Case {
    Args args;
    std::int32_t error;
    std::vector<std::string> tags;
  };
  const Case cases[] = {
      {Named({{"Before", 0}}), vberr::kInvalidProcedureCall, {"a", "b"}},
      {Named({{"Before", 4}}), vberr::kInvalidProcedureCall, {"a", "b"}},
      {Named({{"Type", 5}}), vberr::kInvalidProcedureCall, {"a", "b"}},
      {Named({{"Befor", 1}}), 448, {"a", "b"}},
      {Named({{"Before", 1}}), 0, {"new", "a", "b"}},
      {Named({{"Before", 3}}), 0, {"a", "b", "new"}},
      {Args{1, Value::Missing(), Value(), Value::Missing(), true}, 0, {"a", "b", "new"}},
      {Args{10, 1, "p", 2}, 0, {"a", "new", "b"}},
  };
  for (const Case& c : cases) {
    std::int32_t error = 0;
    try {
      Put(AsObject(Call(controls, "Add", c.args)), "Tag", "new");
    } catch (const VbError& e) {
      error = e.number();
    }
    EXPECT_EQ(error, c.error) << sim::Describe(c.args);
    EXPECT_EQ(Store().Bar("T")->controls->Tags(), c.tags) << sim::Describe(c.args);
    if (sim::FakeControl* added = Store().Bar("T")->controls->Find("new")) {
      Store().UserDeletesControl(*added);
    }
  }
  // Move within the bar and to another one; deleting renumbers the rest.
  const ObjectRef b = AsObject(Get(controls, kDefaultMember, {2}));
  Call(b, "Move", Named({{"Before", 1}}));
  EXPECT_EQ(ToLong(Get(b, "Index")), 1);
  EXPECT_EQ(ErrorNumberOf([&] { Call(b, "Move", {Value(), 4}); }), vberr::kInvalidProcedureCall);
  Call(AsObject(Get(controls, kDefaultMember, {1})), "Move", {Bar("Standard"), 2});
  EXPECT_EQ(Store().Bar("Standard")->controls->Captions().size(), 6u);
  EXPECT_EQ(Store().Bar("Standard")->controls->Tags()[1], "b");
  EXPECT_EQ(ToLong(Get(AsObject(Get(controls, kDefaultMember, {1})), "Index")), 1);
}

TEST_F(FakeCommandBars, PositionAndRowIndexTakeOnlyWhatTheHostAccepts) {
  const ObjectRef bar = AsObject(Call(Bars(), "Add", {"T"}));
  EXPECT_EQ(ToLong(Get(bar, "Position")), sim::mso::kBarFloating);
  EXPECT_EQ(ErrorNumberOf([&] { Put(bar, "RowIndex", 1); }), kMethodFailed);
  for (std::int32_t refused : {-1, 5, 6, 7}) {
    EXPECT_EQ(ErrorNumberOf([&] { Put(bar, "Position", refused); }), vberr::kInvalidProcedureCall)
        << refused;
  }
  Put(bar, "Position", sim::mso::kBarTop);
  EXPECT_EQ(ToLong(Get(bar, "RowIndex")), 4);  // below menu bar, Standard and Formatting
  for (const auto& [set, reads] : {std::pair{99, 4}, {2, 2}, {0, 1}, {-1, 4}}) {
    Put(bar, "RowIndex", set);
    EXPECT_EQ(ToLong(Get(bar, "RowIndex")), reads) << set;
  }
  EXPECT_EQ(ErrorNumberOf([&] { Put(bar, "RowIndex", -2); }), vberr::kInvalidProcedureCall);
  EXPECT_EQ(ErrorNumberOf([&] {
              Call(Bars(), "Add", {"M", sim::mso::kBarMenuBar});
            }),
            vberr::kInvalidProcedureCall);
}

TEST_F(FakeCommandBars, PasteFaceTakesTheClipboardPictureOnButtonsOnly) {
  std::optional<std::string> clipboard;
  world_->clipboard_face = [&] { return clipboard; };
  const ObjectRef bar = AsObject(Call(Bars(), "Add", {"T"}));
  const ObjectRef start = AddButton(bar, "start");
  const ObjectRef config = AddButton(bar, "config");
  const ObjectRef popup = AsObject(Call(ObjectMember(bar, "Controls"), "Add", {10}));
  EXPECT_FALSE(popup->Implements(OfficeInterface::kCommandBarButton));

  EXPECT_EQ(ErrorNumberOf([&] { Call(start, "PasteFace"); }), kMethodFailed);
  EXPECT_EQ(ErrorNumberOf([&] { Call(popup, "PasteFace"); }), vberr::kMemberNotFound);
  clipboard = "bitmap 101";
  world_->Fail("*.PasteFace", {kMethodFailed, "refused", "Microsoft Word", 1, 1});
  Call(start, "PasteFace");
  EXPECT_EQ(ErrorNumberOf([&] { Call(config, "PasteFace"); }), kMethodFailed);
  EXPECT_EQ(Store().Bar("T")->controls->Find("start")->face, "bitmap 101");
  EXPECT_EQ(Store().Bar("T")->controls->Find("config")->face, std::nullopt);
}

TEST_F(FakeCommandBars, FindControlMatchesTagsExactlyAndIdsAnywhere) {
  sim::FakeOfficeHost excel(HostType::kExcel, world_);
  const ObjectRef excel_bars = ObjectMember(excel.application(), "CommandBars");
  const ObjectRef print = AsObject(Call(excel_bars, "FindControl", Named({{"Id", 2521}})));
  EXPECT_EQ(ToLong(Get(print, "Id")), 2521);
  world_->command_bars(HostType::kExcel)->Bar("Standard")->controls->FindId(2521)->enabled = false;
  EXPECT_EQ(Get(print, "Enabled"), Value(false));
  EXPECT_EQ(ErrorNumberOf([&] {
              Call(excel_bars, "FindControl", Named({{"Recursive", true}}));
            }),
            448);

  const ObjectRef bar = AsObject(Call(Bars(), "Add", {"T"}));
  const ObjectRef popup = AsObject(Call(ObjectMember(bar, "Controls"), "Add", {10}));
  Put(popup, "Tag", "menu");
  Store().UserAddsControl(*Store().Bar("T")->controls->Find("menu")->controls, 1, "Item", "");
  struct Case {
    Args args;
    bool found;
  };
  const Case cases[] = {
      {Named({{"Tag", "menu"}}), true},
      {Named({{"Tag", "MENU"}}), false},
      {Named({{"Tag", "Item"}}), false},
      {Named({{"Tag", "Item"}, {"Recursive", true}}), true},
      {Named({{"Tag", "menu"}, {"Visible", true}}), false},  // the new bar is hidden
      {Named({{"Type", 1}, {"Tag", "menu"}}), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(!Call(bar, "FindControl", c.args).IsNothing(), c.found) << sim::Describe(c.args);
  }
  Store().tag_match_ignores_case = true;
  EXPECT_FALSE(Call(bar, "FindControl", Named({{"Tag", "MENU"}})).IsNothing());
}

TEST_F(FakeCommandBars, DeletedBarsAndControlsRefuseEveryAccess) {
  EXPECT_EQ(ErrorNumberOf([&] { Call(Bar("Standard"), "Delete"); }), kMethodFailed);
  const ObjectRef bar = AsObject(Call(Bars(), "Add", {"T"}));
  const ObjectRef controls = ObjectMember(bar, "Controls");
  const ObjectRef button = AddButton(bar, "b");
  const ObjectRef other = AddButton(Bar("Standard"), "c");
  Call(other, "Delete");
  EXPECT_EQ(ErrorNumberOf([&] { Get(other, "Caption"); }), kMethodFailed);
  Call(bar, "Delete");
  for (const auto& access : std::vector<std::function<void()>>{
           [&] { Get(bar, "Name"); }, [&] { Put(bar, "Visible", true); },
           [&] { Get(controls, "Count"); }, [&] { Put(button, "Tag", "x"); }}) {
    EXPECT_EQ(ErrorNumberOf(access), kMethodFailed);
  }
  EXPECT_EQ(Store().Bar("T"), nullptr);
  EXPECT_EQ(world_->Journaled("CommandBar(\"T\").Controls.Count").size(), 1u);
}

// The store as the host keeps it on disk between sessions.
TEST(FakeCommandBarStore, ASavedStoreLoadsBackWithoutItsTemporaryParts) {
  sim::CommandBarStore store(sim::HostType::kWord);
  store.UserMovesBar(store.UserAddsBar("Mine"), sim::mso::kBarLeft, 2, 0, 0);
  store.UserAddsBar("Gone", /*temporary=*/true);
  sim::FakeControl& popup = store.UserAddsControl(*store.Bar("Menu Bar")->controls,
                                                  sim::mso::kControlPopup, "Orvan", "Add-&In");
  store.UserAddsControl(*popup.controls, sim::mso::kControlButton, "Start \"1\"", "&Start");
  popup.face = "16x16 #F5F5F5";

  sim::CommandBarStore loaded(sim::HostType::kWord);
  loaded.Load(store.Save());
  EXPECT_EQ(loaded.Save(), store.Save());
  EXPECT_EQ(loaded.Bar("Gone"), nullptr);
  EXPECT_EQ(loaded.Bar("Mine")->position, sim::mso::kBarLeft);
  const sim::FakeControl* start = loaded.Bar("Menu Bar")->controls->Find("Start \"1\"");
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->Index(), 1);  // in its pop-up, which the loaded store knows as its parent

  const std::string before = loaded.Save();
  for (const char* bad : {"command bars 2\n", "command bars 1\ncontrol 0 1 1 0 \"\" \"\"\n",
                          "command bars 1\nbar \"B\" 0 1 1 0 0 1 1 1 1 0\ncontrol 1 1 1 0 "
                          "\"t\" \"c\" \"\" \"\" 0 0 1 1 0 \"\"\n"}) {
    EXPECT_THROW(loaded.Load(bad), std::runtime_error) << bad;
  }
  EXPECT_EQ(loaded.Save(), before);
}

}  // namespace
}  // namespace orvan::testing
