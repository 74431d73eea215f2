#include "commandbars/fields.h"

#include "commandbars/command_bar_names.h"
#include "support/error.h"
#include "support/thread_state.h"
#include "support/trace.h"
#include "support/utf8.h"

namespace orvan {
namespace {

constexpr std::size_t kLargestPosition = 32767;

struct CommandBarState {
  std::string enabled_buttons;
  bool repair = false;
};

CommandBarState& State() {
  return PerThread<CommandBarState>();
}

}  // namespace

std::string& EnabledButtons() {
  return State().enabled_buttons;
}

bool& RepairCommandBars() {
  return State().repair;
}

std::string GetDelimitedField(std::string_view text, std::string_view delimiter, std::int32_t n) {
  if (n <= 0) return {};
  std::size_t start = 0;
  for (std::int32_t field = 1;; ++field) {
    const std::size_t end = text.find(delimiter, start);
    if (end != std::string_view::npos && end + 1 > kLargestPosition) {
      throw VbError::Runtime(vberr::kOverflow);
    }
    if (field == n)
      return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return {};
    start = end + delimiter.size();
  }
}

std::string GetField(std::string_view text, std::int32_t n) {
  return GetDelimitedField(text, ";", n);
}

bool IsOldTag(const std::string& text) {
  for (std::int32_t i = 1; i <= 10; ++i) {
    const std::string old = GetField(kOldTags, i);
    if (old.empty()) return false;
    if (utf8::TextEquals(old, text)) {
      WriteTrace("OldTagRecognized:" + text);
      return true;
    }
  }
  return false;
}

std::uint8_t GetCorrectButtonIndex(std::uint8_t number) {
  WriteTrace("GetCorrectButtonIndex");
  std::uint8_t place = 0;
  for (std::int32_t i = 1; i <= number; ++i) {
    if (GetField(EnabledButtons(), i) == "1") ++place;
  }
  return place;
}

}  // namespace orvan
