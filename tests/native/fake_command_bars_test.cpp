// The fake command bars' own rules, where a lenient fake would let the add-in pass wrongly.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "doubles/call_arguments.h"
#include "doubles/raised_error.h"
#include "sim/office/fake_office.h"
#include "support/automation.h"

namespace orvan::testing {
namespace {

using sim::FakeOfficeHost;
using sim::HostType;
using Tags = std::vector<std::string>;

constexpr std::int32_t kMethodFailed = -2147467259;

class FakeCommandBars : public ::testing::Test {
 protected:
  ObjectRef Bars() { return ObjectMember(host_->application(), "CommandBars"); }
  ObjectRef NewBar() { return AsObject(Call(Bars(), "Add", {"T"})); }
  ObjectRef AddButton(const ObjectRef& bar, const char* tag, bool temporary = false) {
    const ObjectRef button = AsObject(
        Call(ObjectMember(bar, "Controls"), "Add", Named({{"Type", 1}, {"Temporary", temporary}})));
    Put(button, "Tag", tag);
    return button;
  }
  sim::CommandBarStore& Store() { return *world_->command_bars(HostType::kWord); }
  Tags TagsOf(const char* bar) { return Store().Bar(bar)->controls->Tags(); }

  std::shared_ptr<sim::OfficeWorld> world_ = std::make_shared<sim::OfficeWorld>();
  std::unique_ptr<FakeOfficeHost> host_ = std::make_unique<FakeOfficeHost>(HostType::kWord, world_);
};

TEST_F(FakeCommandBars, RestartKeepsOnlyWhatWasNotTemporary) {
  const ObjectRef kept = AsObject(Call(Bars(), "Add", {"Kept", 1, false, false}));
  Call(Bars(), "Add", Named({{"Name", "Gone"}, {"Temporary", true}}));
  AddButton(kept, "stays");
  const ObjectRef dropped = AddButton(kept, "dropped", true);
  Store().Restart();
  EXPECT_EQ(Store().BarNames(), (Tags{"Menu Bar", "Standard", "Formatting", "Kept"}));
  EXPECT_EQ(TagsOf("kept"), Tags{"stays"});
  EXPECT_EQ(ErrorNumberOf([&] { Get(dropped, "Tag"); }), kMethodFailed);
}

TEST_F(FakeCommandBars, BarsByIndexOrName) {
  EXPECT_EQ(ToText(Get(AsObject(Get(Bars(), kDefaultMember, {"formatting"})), "Name")),
            "Formatting");
  for (const Value& index : {Value("Worksheet Menu Bar"), Value(0), Value(4)}) {
    EXPECT_EQ(ErrorNumberOf([&] { Get(Bars(), kDefaultMember, {index}); }),
              vberr::kInvalidProcedureCall);
  }
  // A second bar of a name the host knows, in any letter case, is refused.
  EXPECT_EQ(ErrorNumberOf([&] { Call(Bars(), "Add", {"STANDARD"}); }),
            vberr::kInvalidProcedureCall);
}

TEST_F(FakeCommandBars, BeforeMustNameAPlaceAndIndexesFollowEveryChange) {
  const ObjectRef bar = NewBar();
  AddButton(bar, "a");
  AddButton(bar, "b");
  const ObjectRef controls = ObjectMember(bar, "Controls");
  const std::tuple<Args, std::int32_t, Tags> cases[] = {
      {Named({{"Before", 0}}), vberr::kInvalidProcedureCall, {"a", "b"}},
      {Named({{"Before", 4}}), vberr::kInvalidProcedureCall, {"a", "b"}},
      {Named({{"Type", 5}}), vberr::kInvalidProcedureCall, {"a", "b"}},
      {Named({{"Before", 1}}), 0, {"new", "a", "b"}},
      {Args{1, Value::Missing(), Value(), Value::Missing(), true}, 0, {"a", "b", "new"}},
      {Args{10, 1, "p", 2}, 0, {"a", "new", "b"}},
  };
  for (const auto& [args, error, tags] : cases) {
    EXPECT_EQ(ErrorNumberOf([&] { Put(AsObject(Call(controls, "Add", args)), "Tag", "new"); }),
              error)
        << sim::Describe(args);
    EXPECT_EQ(TagsOf("T"), tags) << sim::Describe(args);
    if (sim::FakeControl* added = Store().Bar("T")->controls->Find("new"))
      Store().UserDeletesControl(*added);
  }
  // Moving renumbers the controls.
  const ObjectRef b = AsObject(Get(controls, kDefaultMember, {2}));
  Call(b, "Move", Named({{"Before", 1}}));
  EXPECT_EQ(ToLong(Get(b, "Index")), 1);
  EXPECT_EQ(ErrorNumberOf([&] { Call(b, "Move", {Value(), 4}); }), vberr::kInvalidProcedureCall);
}

TEST_F(FakeCommandBars, PositionAndRowIndexTakeOnlyWhatTheHostAccepts) {
  const ObjectRef bar = NewBar();
  EXPECT_EQ(ErrorNumberOf([&] { Put(bar, "RowIndex", 1); }), kMethodFailed);
  for (std::int32_t refused : {-1, 5, 6})
    EXPECT_EQ(ErrorNumberOf([&] { Put(bar, "Position", refused); }), 5) << refused;
  Put(bar, "Position", sim::mso::kBarTop);
  EXPECT_EQ(ToLong(Get(bar, "RowIndex")), 4);  // below menu bar, Standard and Formatting
  for (const auto& [set, reads] : {std::pair{99, 4}, {2, 2}, {0, 1}, {-1, 4}}) {
    Put(bar, "RowIndex", set);
    EXPECT_EQ(ToLong(Get(bar, "RowIndex")), reads) << set;
  }
  EXPECT_EQ(ErrorNumberOf([&] { Put(bar, "RowIndex", -2); }), vberr::kInvalidProcedureCall);
}

TEST_F(FakeCommandBars, FindControlMatchesTagsExactlyAndIdsAnywhere) {
  sim::FakeOfficeHost excel(HostType::kExcel, world_);
  const ObjectRef print = AsObject(
      Call(ObjectMember(excel.application(), "CommandBars"), "FindControl", Named({{"Id", 2521}})));
  world_->command_bars(HostType::kExcel)->Bar("Standard")->controls->FindId(2521)->enabled = false;
  EXPECT_EQ(Get(print, "Enabled"), Value(false));

  const ObjectRef bar = NewBar();
  Put(AsObject(Call(ObjectMember(bar, "Controls"), "Add", {10})), "Tag", "menu");
  Store().UserAddsControl(*Store().Bar("T")->controls->Find("menu")->controls, 1, "Item", "");
  const std::pair<Args, bool> cases[] = {
      {Named({{"Tag", "menu"}}), true},
      {Named({{"Tag", "MENU"}}), false},
      {Named({{"Tag", "Item"}}), false},
      {Named({{"Tag", "Item"}, {"Recursive", true}}), true},
      {Named({{"Tag", "menu"}, {"Visible", true}}), false},  // the new bar is hidden
      {Named({{"Type", 1}, {"Tag", "menu"}}), false},
  };
  for (const auto& [args, found] : cases)
    EXPECT_EQ(!Call(bar, "FindControl", args).IsNothing(), found) << sim::Describe(args);
  Store().tag_match_ignores_case = true;
  EXPECT_FALSE(Call(bar, "FindControl", Named({{"Tag", "MENU"}})).IsNothing());
}

TEST_F(FakeCommandBars, PasteFaceNeedsAClipboardPictureAndDeletedPartsRefuseEveryAccess) {
  std::optional<std::string> clipboard;
  world_->clipboard_face = [&] { return clipboard; };
  const ObjectRef bar = NewBar();
  const ObjectRef controls = ObjectMember(bar, "Controls");
  const ObjectRef button = AddButton(bar, "b");
  EXPECT_EQ(ErrorNumberOf([&] { Call(button, "PasteFace"); }), kMethodFailed);
  clipboard = "bitmap 101";
  Call(button, "PasteFace");
  EXPECT_EQ(Store().Bar("T")->controls->Find("b")->face->description, "bitmap 101");

  Call(bar, "Delete");
  for (const auto& access : std::vector<std::function<void()>>{[&] { Get(bar, "Name"); },
                                                               [&] { Get(controls, "Count"); },
                                                               [&] { Put(button, "Tag", "x"); }})
    EXPECT_EQ(ErrorNumberOf(access), kMethodFailed);
  EXPECT_EQ(Store().Bar("T"), nullptr);
}

// The store as the host keeps it on disk between sessions.
TEST(FakeCommandBarStore, ASavedStoreLoadsBackWithoutItsTemporaryParts) {
  sim::CommandBarStore store(sim::HostType::kWord);
  store.UserMovesBar(store.UserAddsBar("Mine"), sim::mso::kBarLeft, 2, 0, 0);
  store.UserAddsBar("Gone", /*temporary=*/true);
  sim::FakeControl& popup = store.UserAddsControl(*store.Bar("Menu Bar")->controls,
                                                  sim::mso::kControlPopup, "Orvan", "Add-&In");
  store.UserAddsControl(*popup.controls, sim::mso::kControlButton, "Start \"1\"", "&Start");
  popup.face = sim::ButtonFace("2x1 digest");
  popup.face->width = 2;
  popup.face->height = 1;
  popup.face->pixels = {0x123456, 0xABCDEF};  // kept to the pixel

  sim::CommandBarStore loaded(sim::HostType::kWord);
  loaded.Load(store.Save());
  EXPECT_EQ(loaded.Save(), store.Save());
  EXPECT_EQ(loaded.Bar("Gone"), nullptr);
  EXPECT_EQ(loaded.Bar("Menu Bar")->controls->Find("Start \"1\"")->Index(), 1);  // in its pop-up
  EXPECT_THROW(loaded.Load("command bars 1\ncontrol 0 1 1 0 \"\" \"\"\n"), std::runtime_error);
  EXPECT_EQ(loaded.Save(), store.Save());
}

}  // namespace
}  // namespace orvan::testing
