#include "sim/officesim/scenario.h"

#include <algorithm>
#include <cstdlib>

namespace orvan::sim {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The words of a line; quoted, if given, tells for each whether it was written in quotes.
std::vector<std::string> Split(std::string_view line, const std::string& file, int number,
                               std::vector<bool>* quoted) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    std::string word;
    if (quoted != nullptr) quoted->push_back(line[i] == '"');
    if (line[i] == '"') {
      ++i;
      for (;;) {
        if (i >= line.size()) throw ScenarioError(file, number, "unterminated quoted text");
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            word += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        word += line[i++];
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t')
        word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view line, const std::string& file, int number) {
  return Split(line, file, number, nullptr);
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::vector<ScenarioStep> ParseScenario(std::string_view text, const std::string& file) {
  std::vector<ScenarioStep> steps;
  ScenarioStep* open_block = nullptr;
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    ++number;
    if (open_block) {
      if (line == "end") {
        open_block = nullptr;
      } else if (!line.empty() && line[0] != '#') {
        open_block->block.emplace_back(line);
      }
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    ScenarioStep step{file, number, std::string(line), SplitWords(line, file, number), {}};
    steps.push_back(std::move(step));
    if (steps.back().words.front() == "expect") open_block = &steps.back();
  }
  if (open_block) {
    throw ScenarioError(file, open_block->line, "expect block without its closing 'end'");
  }
  return steps;
}

[[noreturn]] void Refuse(const ScenarioStep& step, const std::string& message) {
  throw ScenarioError(step.file, step.line, message);
}

// The word after `key` in the step (`key value`), if the step has it.
std::optional<std::string> Option(const ScenarioStep& step, const std::string& key) {
  for (std::size_t i = 1; i + 1 < step.words.size(); ++i) {
    if (step.words[i] == key) return step.words[i + 1];
  }
  return std::nullopt;
}

bool HasWord(const ScenarioStep& step, const std::string& word) {
  return std::find(step.words.begin() + 1, step.words.end(), word) != step.words.end();
}

const std::string& Argument(const ScenarioStep& step, std::size_t index, const char* what) {
  if (step.words.size() <= index) Refuse(step, std::string("missing ") + what);
  return step.words[index];
}

bool Quoted(const ScenarioStep& step, std::size_t index) {
  std::vector<bool> quoted;
  Split(step.text, step.file, step.line, &quoted);
  return index < quoted.size() && quoted[index];
}

std::int32_t Number(const ScenarioStep& step, const std::string& text) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0') Refuse(step, "not a number: " + text);
  return static_cast<std::int32_t>(n);
}

}  // namespace orvan::sim
