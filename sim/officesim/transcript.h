// What the simulated Office host shows of a run, one line per event: "<kind> <text>", in the
// order things happened. The kinds and their formats are listed in the README; the first line
// names the format's version.
//
// An `expect` compares either that true order (in-order) or, by default, the order by kind
// within each step: first what happened at once (message boxes, loads, ...), then the add-in's
// host calls, trace, job API calls, prints with their PDFs, bars, registry values.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace orvan::sim {

inline constexpr const char* kTranscriptHeader = "officesim transcript 3";

class Transcript {
 public:
  Transcript() { Restore({kTranscriptHeader}, {0}, 1); }

  // Adds "<kind> <text>" without trailing blanks. A "step" line begins a new part for the
  // order by kind.
  void Add(const std::string& kind, const std::string& text);
  // The lines that follow form a new part, without a line of their own (a host process that
  // goes on with a step another began).
  void BeginPart() { ++part_; }
  std::size_t size() const { return where_.size(); }
  std::string line(std::size_t i) const;
  // Each line's part; with the lines and where the next comparison starts, what a host run
  // hands to the next one.
  int part(std::size_t i) const { return where_[i].part; }
  // Every line, each ended by a line feed.
  std::string Text() const;
  std::size_t compared() const { return compared_; }
  void Restore(std::vector<std::string> lines, std::vector<int> parts, std::size_t compared);

  // Compares the lines written since the previous comparison whose kind is one of `kinds`, one
  // of the expected lines' kinds, or a failure ("macro-error", "event-error"), with the
  // expected lines: in the true order, or by kind within each part. Nullopt when they match,
  // else a diff ("  " same, "- " expected only, "+ " written only). Either way the next
  // comparison starts after these lines.
  std::optional<std::string> Compare(std::set<std::string> kinds,
                                     const std::vector<std::string>& expected, bool in_order);

 private:
  void Push(std::string_view line, int part);

  // The lines' text one after another in blocks that never move, so that a long run costs its
  // text and a few bytes a line, not a string each and the copies a growing array leaves.
  struct Where {
    std::uint32_t block, offset, length;
    int part;
  };
  std::vector<std::string> blocks_;
  std::deque<Where> where_;
  int part_ = 0;
  std::size_t compared_ = 1;  // the header is never compared
};

// A text on one transcript line, each control character seen: CR as \r, LF as \n, a tab as \t, a
// zero as \0, others as \xNN, and a backslash as \\.
std::string Escaped(std::string_view text);

// The kind of a transcript line: its first word.
std::string KindOf(const std::string& line);

}  // namespace orvan::sim
