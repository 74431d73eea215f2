// Small text procedures the command-bar code shares: fields of ";"-separated texts, tags of
// earlier versions, and a button's insertion place on the toolbar.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvan {

// Field n (from 1) of text cut at every delimiter; "" when there is no such field. A delimiter
// beyond position 32,767 overflows (error 6), as the 16-bit positions do.
std::string GetDelimitedField(std::string_view text, std::string_view delimiter, std::int32_t n);
// Field n of a ";"-separated text.
std::string GetField(std::string_view text, std::int32_t n);

// True, with a trace line, when text is one of the tags earlier versions used (any letter case).
bool IsOldTag(const std::string& text);

// The number of wanted buttons ("1" in EnabledButtons) among buttons 1 to number: the place at
// which button `number` goes on the toolbar.
std::uint8_t GetCorrectButtonIndex(std::uint8_t number);

// This thread's command-bar state: one field per toolbar button, "1" wanted, "0" not; set to
// "1;1" by every toolbar creation.
std::string& EnabledButtons();
// False while this host's repair of missing buttons and menu is switched off.
bool& RepairCommandBars();

}  // namespace orvan
