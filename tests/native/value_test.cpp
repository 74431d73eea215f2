// Values and host objects by Basic's rules: conversions, text in the ANSI code page, member
// access and errors skipped.
#include <gtest/gtest.h>

#include <new>

#include "doubles/raised_error.h"
#include "support/ansi_text.h"
#include "support/automation.h"
#include "support/error.h"
#include "support/utf8.h"
#include "support/value.h"

namespace orvan::testing {
namespace {

using namespace std::string_literals;

// (Empty, True, Integer, Single and an object as text: the bad inputs' titles; Long: their stored
// DWORDs; zero, 0.25 and seven digits as single: the trace's time stamps.)
TEST(ValueConversion, TextOfValuesAndNumbersAsBasicPrintsThem) {
  EXPECT_EQ(ToText(Value(false)), "False");
  EXPECT_EQ(ToText(Value(2.5), ","), "2,5");
  EXPECT_EQ(ToText(Value(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(FormatSingle(0.00001f, "."), "1E-05");
  EXPECT_EQ(FormatNumber(1e15, 15, "."), "1E+15");
  EXPECT_EQ(FormatNumber(123456789012345.0, 15, "."), "123456789012345");
  EXPECT_EQ(FormatSingle(-1.5f, ","), "-1,5");
}

// Numbers round half to even; automation reads text up to its first zero character ("\000"
// below). Empty, blank, hexadecimal and trailing text, text cut at a zero and the Long's limits
// are the bad inputs' rows through the readers.
TEST(ValueConversion, StrictLongConversion) {
  const std::pair<Value, const char*> cases[] = {
      {{}, "0"},  {true, "-1"}, {" 1031 ", "1031"},     {"-25536", "-25536"}, {2.5, "2"},
      {3.5, "4"}, {"2.5", "2"}, {"\0001"s, "error 13"}, {"nan", "error 13"},  {"\t12\r\n", "12"}};
  for (const auto& [value, outcome] : cases)
    EXPECT_EQ(OutcomeOf([&] { return std::to_string(ToLong(value)); }), outcome) << ToText(value);
  EXPECT_EQ(ToInteger(Value("32767")), 32767);
  EXPECT_THROW(ToInteger(Value(32768)), VbError);
}

TEST(ValueConversion, NumericReadingTakesTheLeadingNumberAndIgnoresBlanks) {
  using namespace std::string_view_literals;
  const std::pair<std::string_view, double> cases[] = {
      {"12;34", 12}, {" 1 2 3", 123}, {"-4.5abc", -4.5}, {"1.5E2", 150}, {"7E", 7},
      {"", 0},       {"abc", 0},      {"-", 0},          {"1.2.3", 1.2}, {"1\0002"sv, 1}};
  for (const auto& [text, number] : cases)
    EXPECT_EQ(NumericValue(text), number) << text;
}

TEST(AnsiText, WesternTextRoundTripsAndUpperCasesAndTheRestBecomesQuestionMarks) {
  const std::string text = "Générer für € – Œuvre";
  const std::string ansi = Utf8ToAnsi(text);
  EXPECT_EQ(ansi, "G\xE9n\xE9rer f\xFCr \x80 \x96 \x8Cuvre");
  EXPECT_EQ(AnsiToUtf8(ansi), text);
  // Upper case covers the Western letters.
  EXPECT_EQ(utf8::UpperCase("präsentation ÿ œ ß ÷"), "PRÄSENTATION Ÿ Œ ß ÷");
}

TEST(MemberAccess, NothingAndWrongTypesRaiseBasicsErrors) {
  EXPECT_EQ(ErrorNumberOf([] { Get(ObjectRef(), "Count"); }), vberr::kObjectNotSet);
  EXPECT_EQ(ErrorNumberOf([] { AsObject(Value("text")); }), vberr::kTypeMismatch);
  EXPECT_EQ(AsObject(Value(ObjectRef())), nullptr);
  EXPECT_EQ(KindOf(ObjectRef()), AppKind::kOther);
}

TEST(MemberAccess, ErrorsIgnoredSkipsOnlyTheFailingStep) {
  ErrorsIgnored resume;
  int done = 0;
  EXPECT_TRUE(resume.Step([&] { ++done; }));
  EXPECT_FALSE(resume.Step([&] { throw VbError(1004, "refused", "Excel"); }));
  EXPECT_TRUE(resume.Step([&] { ++done; }));
  EXPECT_EQ(done, 2);
  ASSERT_TRUE(resume.LastError().has_value());
  EXPECT_EQ(resume.LastError()->number(), 1004);
  // Running out of memory is skipped like any run-time error, as error 7.
  EXPECT_FALSE(resume.Step([] { throw std::bad_alloc(); }));
  EXPECT_EQ(resume.LastError()->number(), vberr::kOutOfMemory);
  resume.Clear();
  EXPECT_FALSE(resume.LastError().has_value());
}

}  // namespace
}  // namespace orvan::testing
