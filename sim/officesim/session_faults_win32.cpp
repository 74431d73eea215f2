// The steps that script what goes wrong in the host: a member failing or giving a value of the
// scenario's choosing.
#include <map>
#include <string>
#include <utility>

#include "sim/officesim/office_session_win32.h"

namespace orvan::sim {
namespace {

// The words of a scripted failure or value from `first` on: the options named in `valued` (each
// with its word, into that map) and how often it plays: "once", "times N" or "always" (the
// default), from the first matching access on, or after "after N" of them passed, or from the
// Nth ("nth N", once unless "times" or "always" say otherwise). Any other word is refused.
Repeat ReadRepeat(const ScenarioStep& step, std::size_t first,
                  std::map<std::string, std::string>* valued) {
  Repeat repeat;
  bool nth = false;
  int how_often = 0, when = 0;  // the words given of each kind
  for (std::size_t i = first; i < step.words.size(); ++i) {
    const std::string& word = step.words[i];
    if (word == "once" || word == "always") {
      repeat.remaining = word == "once" ? 1 : -1;
      ++how_often;
      continue;
    }
    const bool counted = word == "times" || word == "after" || word == "nth";
    if (!counted && !valued->contains(word)) {
      std::string expected;
      for (const auto& [key, value] : *valued)
        expected += key + " X, ";
      Refuse(step, "unexpected '" + word + "': expected " + expected +
                       "once, times N, always, after N or nth N");
    }
    const std::string& value = Argument(step, ++i, ("the value of " + word).c_str());
    if (!counted) {
      (*valued)[word] = value;
    } else if (word == "times") {
      repeat.remaining = Number(step, value);
      ++how_often;
    } else {
      const std::int32_t n = Number(step, value);
      if (word == "nth" && n < 1) Refuse(step, "nth counts from 1, not " + value);
      nth = nth || word == "nth";
      repeat.after = word == "nth" ? n - 1 : n;
      ++when;
    }
  }
  if (how_often > 1) Refuse(step, "once, times N and always exclude each other");
  if (when > 1) Refuse(step, "after N and nth N exclude each other");
  if (nth && how_often == 0) repeat.remaining = 1;
  return repeat;
}

}  // namespace

void OfficeSession::Fail(const ScenarioStep& step) {
  const std::string& key = Argument(step, 1, "Object.Member");
  std::map<std::string, std::string> options{
      {"number", "5"},
      {"description", "Invalid procedure call or argument"},
      {"source", kHostNames[static_cast<int>(host_.type)].source}};
  const Repeat repeat = ReadRepeat(step, 2, &options);
  world_->Fail(key, HostFailure{Number(step, options["number"]), options["description"],
                                options["source"], repeat});
}

void OfficeSession::Returns(const ScenarioStep& step) {
  const std::string& key = Argument(step, 1, "Object.Member");
  const std::string& kind =
      Argument(step, 2, "the value: text T, number N, true, false, nothing or empty");
  Value value;
  std::size_t next = 3;
  if (kind == "text") {
    value = Argument(step, next++, "the text");
  } else if (kind == "number") {
    value = Number(step, Argument(step, next++, "the number"));
  } else if (kind == "true" || kind == "false") {
    value = kind == "true";
  } else if (kind == "nothing") {
    value = ObjectRef();
  } else if (kind != "empty") {
    Refuse(step, "the value: text T, number N, true, false, nothing or empty, not '" + kind + "'");
  }
  std::map<std::string, std::string> none;
  world_->Returns(key, std::move(value), ReadRepeat(step, next, &none));
}

}  // namespace orvan::sim
