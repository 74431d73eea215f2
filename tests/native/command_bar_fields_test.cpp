// Fields of stored texts, tags of earlier versions and the toolbar places of the buttons.
#include <gtest/gtest.h>

#include "commandbars/fields.h"
#include "doubles/raised_error.h"

namespace orvan::testing {
namespace {

TEST(CommandBarFields, FieldsOfSemicolonSeparatedTexts) {
  const std::tuple<const char*, std::int32_t, const char*> cases[] = {
      {"1;1", 2, "1"},    {"1;1", 3, ""},      {"1;1", 0, ""},       {"1;1", -1, ""},
      {"abc", 1, "abc"},  {"abc", 2, ""},      {"", 1, ""},          {"0;49;1;", 4, ""},
      {"0;49;1;", 5, ""}, {"0;;1;2;8", 2, ""}, {"0;;1;2;8", 5, "8"}, {";x", 1, ""},
  };
  for (const auto& [text, n, field] : cases)
    EXPECT_EQ(GetField(text, n), field) << '"' << text << "\" field " << n;
  EXPECT_EQ(GetDelimitedField("a,b", ",", 2), "b");
  // Positions are 16-bit: a delimiter beyond 32,767 overflows; without one nothing is counted.
  const std::string near(32766, 'x');
  EXPECT_EQ(GetField(near + ";y", 2), "y");
  EXPECT_EQ(ErrorNumberOf([&] { GetField(near + "x;y", 2); }), vberr::kOverflow);
  EXPECT_EQ(GetField(std::string(40000, 'x'), 1).size(), 40000u);
}

TEST(CommandBarFields, OldTagsAreRecognisedInAnyCase) {
  EXPECT_TRUE(IsOldTag("orvanvatnerconfigmenu"));  // (as written: the command bars' leftovers)
  for (const char* tag : {"Orvan pdf vatner Start", "OrvanVatner", "", "OrvanVatnerStart;"})
    EXPECT_FALSE(IsOldTag(tag)) << tag;
}

TEST(CommandBarFields, AButtonsPlaceCountsTheWantedButtonsUpToIt) {
  const std::tuple<const char*, std::uint8_t, std::uint8_t> cases[] = {
      {"1;1", 1, 1}, {"1;1", 2, 2}, {"0;1", 1, 0}, {"0;1", 2, 1},
      {"1;1", 0, 0}, {"1;1", 5, 2}, {"1; 1", 2, 1}};
  for (const auto& [enabled, number, place] : cases) {
    EnabledButtons() = enabled;
    EXPECT_EQ(GetCorrectButtonIndex(number), place) << enabled << " button " << +number;
  }
}

}  // namespace
}  // namespace orvan::testing
