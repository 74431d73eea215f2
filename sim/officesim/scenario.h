// Scenario files of the simulated Office host: one step a line, words and "quoted texts" (a
// quote inside doubled: ""), '#' starting a comment line, and `expect` blocks of transcript
// lines ending with `end`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// Reading a step's words. Each raises ScenarioError naming the step's line.
[[noreturn]] void Refuse(const ScenarioStep& step, const std::string& message);
// The word after `key` in the step (`key value`), if the step has it.
std::optional<std::string> Option(const ScenarioStep& step, const std::string& key);
// Whether a word after the step's name is `word`.
bool HasWord(const ScenarioStep& step, const std::string& word);
// The step's word at `index`; missing, it raises "missing <what>".
const std::string& Argument(const ScenarioStep& step, std::size_t index, const char* what);
// Whether the step's word at `index` was written as a "quoted text".
bool Quoted(const ScenarioStep& step, std::size_t index);
// A whole word as a number (decimal, 0x hex or 0 octal), else "not a number".
std::int32_t Number(const ScenarioStep& step, const std::string& text);

}  // namespace orvan::sim
