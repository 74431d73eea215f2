// officesim's scenario parser: any text parses or fails with ScenarioError; every step's words,
// quoted again, split back into themselves; lines come in order; any word survives Quote.
#include "fuzz_input.h"
#include "sim/officesim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using orvan::fuzz::Fail;
  using orvan::sim::Quote;
  using orvan::sim::SplitWords;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::vector<std::string> word = {std::string(text)};
  if (SplitWords(Quote(text), "f", 1) != word) Fail("a word did not survive Quote", text);

  std::vector<orvan::sim::ScenarioStep> steps;
  try {
    steps = orvan::sim::ParseScenario(text, "fuzz.scenario");
  } catch (const orvan::sim::ScenarioError& e) {
    if (e.file() != "fuzz.scenario" || e.line() < 1) Fail("an error without its place", text);
    return 0;
  }
  int line = 0;
  for (const orvan::sim::ScenarioStep& step : steps) {
    if (step.line <= line) Fail("steps out of line order", text);
    line = step.line;
    if (step.words.empty() || step.text.empty()) Fail("a step without words", text);
    if (!step.block.empty() && step.words.front() != "expect") Fail("a block not of expect", text);
    std::string quoted;
    for (const std::string& w : step.words)
      quoted += Quote(w) + " ";
    if (SplitWords(quoted, "f", 1) != step.words)
      Fail("a step's words did not survive Quote", text);
  }
  return 0;
}
