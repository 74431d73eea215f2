// Splits a fuzzer's input into the pieces a harness needs: small numbers from its first bytes,
// then texts separated by a byte that is unlikely in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvan::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next byte (0 when none is left).
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  // The text up to the next 0xFF byte (or the end).
  std::string Text() {
    const std::size_t end = rest_.find('\xFF');
    std::string text(rest_.substr(0, end));
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return text;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// Stops the run with the harness's message; libFuzzer then saves the input as a finding.
[[noreturn]] void Fail(const std::string& what, std::string_view input);

}  // namespace orvan::fuzz
