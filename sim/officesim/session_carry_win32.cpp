// What one host process hands to the next when the scenario starts the host again: Office's
// restart is a new process, so the add-ins' modules and per-thread state start afresh, while the
// user's world (documents, printers, the host's command bars and options, the scripted failures
// and values) and the run's transcript go on. The registry, the clipboard, the spooler and the
// job API's state file are the system's and carry over by themselves.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/wide_text_win32.h"
#include "sim/officesim/office_session_win32.h"

namespace orvan::sim {
namespace {

constexpr const char* kCarryHeader = "officesim carry 1";

std::string Line(std::initializer_list<std::string> words) {
  std::string line;
  for (const std::string& word : words)
    line += (line.empty() ? "" : " ") + Quote(word);
  return line;
}

// A scripted value as two words, type and text; an object other than Nothing cannot outlive
// the process that made it.
std::pair<std::string, std::string> SaveValue(const std::string& key, const Value& value) {
  char number[32];
  switch (value.type()) {
    case Value::Type::kEmpty:
      return {"empty", ""};
    case Value::Type::kBoolean:
      return {"boolean", value.AsBoolean() ? "1" : "0"};
    case Value::Type::kInteger:
      return {"integer", std::to_string(value.AsInteger())};
    case Value::Type::kLong:
      return {"long", std::to_string(value.AsLong())};
    case Value::Type::kSingle:
      std::snprintf(number, sizeof number, "%.9g", static_cast<double>(value.AsSingle()));
      return {"single", number};
    case Value::Type::kDouble:
      std::snprintf(number, sizeof number, "%.17g", value.AsDouble());
      return {"double", number};
    case Value::Type::kString:
      return {"string", value.AsString()};
    case Value::Type::kObject:
      if (value.IsNothing()) return {"nothing", ""};
      break;
    case Value::Type::kMissing:
      break;
  }
  throw std::runtime_error("the value scripted for " + key +
                           " cannot go on into the host's next process");
}

Value LoadValue(const std::string& type, const std::string& text) {
  if (type == "empty") return Value();
  if (type == "boolean") return Value(text == "1");
  if (type == "integer") return Value(static_cast<std::int16_t>(std::stoi(text)));
  if (type == "long") return Value(static_cast<std::int32_t>(std::stol(text)));
  if (type == "single") return Value(std::stof(text));
  if (type == "double") return Value(std::stod(text));
  if (type == "string") return Value(text);
  if (type == "nothing") return Value(ObjectRef());
  throw std::runtime_error("carry file: unknown value type " + type);
}

std::int32_t Whole(const std::string& text) {
  return static_cast<std::int32_t>(std::stol(text));
}

}  // namespace

void OfficeSession::SaveCarry(std::size_t resume_step) const {
  std::vector<std::string> out = {kCarryHeader};
  const auto add = [&](std::initializer_list<std::string> words) { out.push_back(Line(words)); };
  add({"resume", std::to_string(resume_step)});
  add({"compared", std::to_string(transcript_.compared())});
  for (std::size_t i = 1; i < transcript_.size(); ++i)
    add({"line", std::to_string(transcript_.part(i)), transcript_.line(i)});
  add({"expect-failures", std::to_string(expect_failures_)});
  add({"files", job_api_state_, trace_file_});
  const char* trace = std::getenv("ORVAN_PDFVTADDINTRACE");
  add({"trace", trace ? trace : ""});
  add({"read", std::to_string(trace_read_), std::to_string(job_log_read_)});
  add({"verbose", options_.verbose ? "1" : "0"});
  if (during_box_) add({"during", std::to_string(during_box_->line)});
  // The user's world.
  add({"printers-given", printers_given_ ? "1" : "0"});
  for (const sim::Printer& printer : world_->printers)
    add({"printer", printer.name, printer.port});
  add({"joiner", world_->port_joiner});
  add({"excel-switches-ignored", std::to_string(world_->excel_switches_ignored)});
  add({"active-printer", office_->active_printer()});
  add({"print-in-background", office_->print_in_background() ? "1" : "0"});
  for (const DocumentData& document : office_->Documents()) {
    std::string line = Line({"document", document.name, document.path,
                             document.has_properties ? "1" : "0", std::to_string(document.slides)});
    for (const auto& [index, value] : document.properties)
      line += " " + Line({std::to_string(index), value});
    out.push_back(line);
  }
  for (const auto& [key, f] : world_->failures()) {
    add({"failure", key, std::to_string(f.number), f.description, f.source,
         std::to_string(f.repeat.remaining), std::to_string(f.repeat.after),
         std::to_string(f.repeat.played)});
  }
  for (const auto& [key, r] : world_->returns()) {
    const auto [type, text] = SaveValue(key, r.value);
    add({"returns", key, type, text, std::to_string(r.repeat.remaining),
         std::to_string(r.repeat.after), std::to_string(r.repeat.played)});
  }
  std::istringstream bars(world_->command_bars(host_.type)->Save());
  for (std::string line; std::getline(bars, line);)
    add({"bars", line});
  // What the transcript showed last, so that only changes are written after the start.
  for (const std::string& line : bars_shown_)
    add({"bars-shown", line});
  for (const std::string& line : registry_shown_)
    add({"registry-shown", line});

  std::string text;
  for (const std::string& line : out)
    text += line + "\n";
  std::ofstream file(std::filesystem::path(win32::Widen(options_.carry_file)), std::ios::binary);
  if (!(file << text))
    throw std::runtime_error("cannot write the carry file " + options_.carry_file);
}

void OfficeSession::LoadCarry() {
  std::ifstream file(std::filesystem::path(win32::Widen(options_.carry_file)), std::ios::binary);
  std::vector<std::string> transcript = {kTranscriptHeader};
  std::vector<int> parts = {0};
  std::size_t compared = 1;
  std::string bars;
  std::string header;
  if (!std::getline(file, header) || header != kCarryHeader) {
    throw std::runtime_error("not a carry file of this officesim: " + options_.carry_file);
  }
  world_->printers.clear();
  int number = 1;
  for (std::string text; std::getline(file, text);) {
    const std::vector<std::string> w = SplitWords(text, options_.carry_file, ++number);
    if (w.empty()) continue;
    const auto at = [&](std::size_t i) -> const std::string& {
      if (i >= w.size()) throw std::runtime_error("carry file line " + std::to_string(number));
      return w[i];
    };
    const std::string& key = w[0];
    if (key == "resume") {
      resume_step_ = static_cast<std::size_t>(std::stoul(at(1)));
    } else if (key == "compared") {
      compared = static_cast<std::size_t>(std::stoul(at(1)));
    } else if (key == "line") {
      parts.push_back(Whole(at(1)));
      transcript.push_back(at(2));
    } else if (key == "expect-failures") {
      expect_failures_ = Whole(at(1));
    } else if (key == "files") {
      job_api_state_ = at(1);
      trace_file_ = at(2);
      _putenv(("ORVAN_JOBAPI_STATE=" + job_api_state_).c_str());
    } else if (key == "trace") {
      _putenv(("ORVAN_PDFVTADDINTRACE=" + at(1)).c_str());
    } else if (key == "read") {
      trace_read_ = static_cast<std::size_t>(std::stoull(at(1)));
      job_log_read_ = static_cast<std::size_t>(std::stoull(at(2)));
    } else if (key == "verbose") {
      options_.verbose = at(1) == "1";
    } else if (key == "during") {
      during_line_ = Whole(at(1));
    } else if (key == "printers-given") {
      printers_given_ = at(1) == "1";
    } else if (key == "printer") {
      world_->printers.emplace_back(at(1), at(2));
    } else if (key == "joiner") {
      world_->port_joiner = at(1);
    } else if (key == "excel-switches-ignored") {
      world_->excel_switches_ignored = Whole(at(1));
    } else if (key == "active-printer") {
      office_->active_printer() = at(1);
    } else if (key == "print-in-background") {
      office_->print_in_background() = at(1) == "1";
    } else if (key == "document") {
      DocumentData document;
      document.name = at(1);
      document.path = at(2);
      document.has_properties = at(3) == "1";
      document.slides = Whole(at(4));
      document.properties.clear();
      for (std::size_t i = 5; i + 1 < w.size(); i += 2)
        document.properties[Whole(w[i])] = w[i + 1];
      office_->Open(std::move(document));
    } else if (key == "failure") {
      HostFailure failure;
      failure.number = Whole(at(2));
      failure.description = at(3);
      failure.source = at(4);
      failure.repeat = Repeat{Whole(at(5)), Whole(at(6)), Whole(at(7))};
      world_->Fail(at(1), failure);
    } else if (key == "returns") {
      world_->Returns(at(1), LoadValue(at(2), at(3)),
                      Repeat{Whole(at(4)), Whole(at(5)), Whole(at(6))});
    } else if (key == "bars") {
      bars += at(1) + "\n";
    } else if (key == "bars-shown") {
      bars_shown_.push_back(at(1));
    } else if (key == "registry-shown") {
      registry_shown_.push_back(at(1));
    } else {
      throw std::runtime_error("carry file: unknown line " + key);
    }
  }
  world_->command_bars(host_.type)->Load(bars);
  transcript_.Restore(std::move(transcript), std::move(parts), compared);
  // What this process writes for the step it goes on with is a part of its own.
  transcript_.BeginPart();
  file.close();
  std::error_code ignored;
  std::filesystem::remove(win32::Widen(options_.carry_file), ignored);
}

}  // namespace orvan::sim
