#include "sim/officesim/transcript.h"

#include <algorithm>
#include <cstdio>

namespace orvan::sim {
namespace {

// A line diff by longest common subsequence (transcript stretches are short).
std::string Diff(const std::vector<std::string>& expected, const std::vector<std::string>& seen) {
  const std::size_t n = expected.size(), m = seen.size();
  std::vector<std::vector<std::size_t>> common(n + 1, std::vector<std::size_t>(m + 1, 0));
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t j = m; j-- > 0;) {
      common[i][j] = expected[i] == seen[j] ? common[i + 1][j + 1] + 1
                                            : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  std::string out;
  std::size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && expected[i] == seen[j]) {
      out += "  " + expected[i++] + "\n";
      ++j;
    } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
      out += "+ " + seen[j++] + "\n";
    } else {
      out += "- " + expected[i++] + "\n";
    }
  }
  return out;
}

}  // namespace

std::string KindOf(const std::string& line) {
  return line.substr(0, line.find(' '));
}

void Transcript::Add(const std::string& kind, const std::string& text) {
  std::string line = text.empty() ? kind : kind + " " + text;
  // Trailing blanks are dropped: a scenario's expected lines cannot show them. A quoted text
  // ends with its quote, so blanks inside it stay.
  line.erase(line.find_last_not_of(" \t\r") + 1);
  lines_.push_back(std::move(line));
}

std::optional<std::string> Transcript::Compare(std::set<std::string> kinds,
                                               const std::vector<std::string>& expected) {
  for (const std::string& line : expected)
    kinds.insert(KindOf(line));
  // A failure nobody expected fails every comparison.
  kinds.insert({"macro-error", "event-error"});
  std::vector<std::string> seen;
  for (std::size_t i = compared_; i < lines_.size(); ++i) {
    if (kinds.count(KindOf(lines_[i]))) seen.push_back(lines_[i]);
  }
  compared_ = lines_.size();
  if (seen == expected) return std::nullopt;
  return Diff(expected, seen);
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c & 0xFF));
          out += hex;
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace orvan::sim
