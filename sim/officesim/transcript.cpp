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

// Where a line's kind goes in the order by kind within a step: what happened at once first.
int Rank(const std::string& kind) {
  static const char* const kCollected[] = {"call", "trace", "jobapi", "print", "bar", "registry"};
  const std::string group = kind == "job-settings" || kind == "pdf" ? "print"
                            : kind == "control" || kind == "bars"   ? "bar"
                                                                    : kind;
  for (int i = 0; i < 6; ++i) {
    if (group == kCollected[i]) return i + 1;
  }
  return 0;
}

}  // namespace

void Transcript::Restore(std::vector<std::string> lines, std::vector<int> parts,
                         std::size_t compared) {
  blocks_.clear();
  where_.clear();
  part_ = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i < parts.size()) part_ = parts[i];
    Push(lines[i], part_);
  }
  compared_ = compared;
}

void Transcript::Push(std::string_view line, int part) {
  constexpr std::size_t kBlock = 64 * 1024;
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < line.size())
    blocks_.emplace_back().reserve(std::max(kBlock, line.size()));
  std::string& block = blocks_.back();
  where_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1),
                    static_cast<std::uint32_t>(block.size()),
                    static_cast<std::uint32_t>(line.size()), part});
  block.append(line);
}

std::string Transcript::line(std::size_t i) const {
  const Where& where = where_[i];
  return blocks_[where.block].substr(where.offset, where.length);
}

std::string Transcript::Text() const {
  std::string all;
  for (std::size_t i = 0; i < size(); ++i)
    all.append(line(i)).push_back('\n');
  return all;
}

std::string KindOf(const std::string& line) {
  return line.substr(0, line.find(' '));
}

void Transcript::Add(const std::string& kind, const std::string& text) {
  std::string written = text.empty() ? kind : kind + " " + text;
  // Trailing blanks are dropped: a scenario's expected lines cannot show them. A quoted text
  // ends with its quote, so blanks inside it stay.
  written.erase(written.find_last_not_of(" \t\r") + 1);
  if (kind == "step") ++part_;
  Push(written, part_);
}

std::optional<std::string> Transcript::Compare(std::set<std::string> kinds,
                                               const std::vector<std::string>& expected,
                                               bool in_order) {
  for (const std::string& line : expected)
    kinds.insert(KindOf(line));
  // A failure nobody expected fails every comparison.
  kinds.insert({"macro-error", "event-error"});
  std::vector<std::size_t> chosen;
  for (std::size_t i = compared_; i < size(); ++i) {
    if (kinds.count(KindOf(line(i)))) chosen.push_back(i);
  }
  if (!in_order) {
    std::stable_sort(chosen.begin(), chosen.end(), [&](std::size_t a, std::size_t b) {
      if (part(a) != part(b)) return part(a) < part(b);
      return Rank(KindOf(line(a))) < Rank(KindOf(line(b)));
    });
  }
  std::vector<std::string> seen;
  for (const std::size_t i : chosen)
    seen.push_back(line(i));
  compared_ = size();
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
