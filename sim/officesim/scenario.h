// Scenario files of the simulated Office host: one step a line, words and "quoted texts" (a
// quote inside doubled: ""), '#' starting a comment line, and `expect` blocks of transcript
// lines ending with `end`.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orvan::sim {

struct ScenarioStep {
  std::string file;
  int line = 0;
  std::string text;                // the line as written, trimmed
  std::vector<std::string> words;  // its words, quotes removed
  std::vector<std::string> block;  // an expect block's lines, trimmed
};

// A scenario that cannot run as written: where and why.
class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(const std::string& file, int line, const std::string& message)
      : std::runtime_error(file + ":" + std::to_string(line) + ": " + message),
        file_(file),
        line_(line) {}
  const std::string& file() const { return file_; }
  int line() const { return line_; }

 private:
  std::string file_;
  int line_;
};

// The words of one line; an unterminated quote raises ScenarioError.
std::vector<std::string> SplitWords(std::string_view line, const std::string& file, int number);

// Quotes a text as a scenario or transcript word: "text" with quotes doubled.
std::string Quote(std::string_view text);

// The steps of a whole file. An `expect` line takes the following lines up to `end` as its
// block; a missing `end` raises ScenarioError.
std::vector<ScenarioStep> ParseScenario(std::string_view text, const std::string& file);

}  // namespace orvan::sim
