// Scenario files as the simulated host reads them, and expect blocks against its transcript.
#include <gtest/gtest.h>

#include "sim/officesim/scenario.h"
#include "sim/officesim/transcript.h"

namespace orvan::testing {
namespace {

using Words = std::vector<std::string>;

TEST(Scenario, LinesSplitIntoWordsAndQuotedTexts) {
  const std::pair<const char*, Words> cases[] = {
      {"open \"Bericht 1.docx\" folder \"C:\\Berichte\"",
       {"open", "Bericht 1.docx", "folder", "C:\\Berichte"}},
      {"title \"Er sagte \"\"Hallo\"\"\"  \t author \"\"",
       {"title", "Er sagte \"Hallo\"", "author", ""}},
      {"click Start", {"click", "Start"}},
  };
  for (const auto& [line, words] : cases)
    EXPECT_EQ(sim::SplitWords(line, "a.scenario", 1), words) << line;
  EXPECT_EQ(sim::Quote("Er sagte \"Hallo\""), "\"Er sagte \"\"Hallo\"\"\"");
}

TEST(Scenario, StepsCarryTheirLineAndExpectTakesItsBlock) {
  const auto steps = sim::ParseScenario(
      "# comment\n\nhost word\r\nexpect msgbox\n  print Word \"a\"\n  # note\nend\nstart\n",
      "a.scenario");
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].line, 3);
  EXPECT_EQ(steps[0].words, (Words{"host", "word"}));
  EXPECT_EQ(steps[1].words, (Words{"expect", "msgbox"}));
  EXPECT_EQ(steps[1].block, (Words{"print Word \"a\""}));
  EXPECT_EQ(steps[2].line, 8);

  const std::pair<const char*, const char*> bad[] = {
      {"host word\nopen \"x\n", "b.scenario:2: unterminated quoted text"},
      {"start\nexpect\n  print x\n", "b.scenario:2: expect block without its closing 'end'"},
  };
  for (const auto& [text, error] : bad) {
    try {
      sim::ParseScenario(text, "b.scenario");
      ADD_FAILURE() << text;
    } catch (const sim::ScenarioError& e) {
      EXPECT_STREQ(e.what(), error);
    }
  }
}

TEST(Scenario, ExpectComparesTheNamedKindsSinceTheLastComparison) {
  sim::Transcript transcript;
  transcript.Add("step", "a:1 click Start");
  transcript.Add("msgbox", "\"T\" 16 \"Fehler\"");
  transcript.Add("print", "Word \"a\"");
  // The block's kinds and the listed ones; a listed kind without lines expects none.
  EXPECT_EQ(transcript.Compare({}, {"print Word \"a\""}, false), std::nullopt);
  transcript.Add("print", "Word \"b\"");
  transcript.Add("trace", "x");
  EXPECT_EQ(transcript.Compare({"msgbox"}, {"print Word \"c\"", "print Word \"b\""}, false),
            "- print Word \"c\"\n  print Word \"b\"\n");
  transcript.Add("msgbox", "\"T\" 16 \"Fehler\"");
  EXPECT_EQ(transcript.Compare({"msgbox"}, {}, false), "+ msgbox \"T\" 16 \"Fehler\"\n");
  // A failure fails any comparison that does not expect it.
  transcript.Add("macro-error", "m.vbs line 2: 424 \"Object required\"");
  EXPECT_EQ(transcript.Compare({}, {}, false),
            "+ macro-error m.vbs line 2: 424 \"Object required\"\n");
  // By kind within a step, what happened at once comes first; in order, as it happened.
  for (const bool in_order : {false, true}) {
    transcript.Add("step", "a:2 click Start");
    transcript.Add("trace", "x");
    transcript.Add("msgbox", "m");
    transcript.Add("step", "a:3 close");
    transcript.Add("jobapi", "j");
    const std::vector<std::string> seen = {"trace x", "msgbox m", "jobapi j"};
    EXPECT_EQ(transcript.Compare({}, seen, in_order).has_value(), !in_order);
  }
  EXPECT_EQ(transcript.line(0), "officesim transcript 3");
}

}  // namespace
}  // namespace orvan::testing
