// What the simulated Office host shows of a run, one line per event: "<kind> <text>", in the
// order things happened. The kinds and their formats are listed in the README; the first line
// names the format's version.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace orvan::sim {

inline constexpr const char* kTranscriptHeader = "officesim transcript 2";

class Transcript {
 public:
  Transcript() { lines_.push_back(kTranscriptHeader); }

  // Adds "<kind> <text>" without trailing blanks.
  void Add(const std::string& kind, const std::string& text);
  const std::vector<std::string>& lines() const { return lines_; }
  // Where the next comparison starts; with the lines, what a host run hands to the next one.
  std::size_t compared() const { return compared_; }
  void Restore(std::vector<std::string> lines, std::size_t compared) {
    lines_ = std::move(lines);
    compared_ = compared;
  }

  // Compares the lines written since the previous comparison whose kind is one of `kinds`, one
  // of the expected lines' kinds, or a failure ("macro-error", "event-error"), with the
  // expected lines, in order. Nullopt when they match, else a diff ("  " same, "- " expected
  // only, "+ " written only). Either way the next comparison starts after these lines.
  std::optional<std::string> Compare(std::set<std::string> kinds,
                                     const std::vector<std::string>& expected);

 private:
  std::vector<std::string> lines_;
  std::size_t compared_ = 1;  // the header is never compared
};

// A text on one transcript line, each control character seen: CR as \r, LF as \n, a tab as \t, a
// zero as \0, others as \xNN, and a backslash as \\.
std::string Escaped(std::string_view text);

// The kind of a transcript line: its first word.
std::string KindOf(const std::string& line);

}  // namespace orvan::sim
