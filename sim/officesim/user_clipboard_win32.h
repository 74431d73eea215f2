// The user's clipboard: what a scenario puts on it, in the formats programs copy, and what is on
// it, format by format.
#pragma once

#include <optional>
#include <string>

namespace orvan::sim {

// What the user copied: each format given, in the form a program copying it would use.
struct ClipboardContents {
  std::optional<std::string> text;     // CF_TEXT
  std::optional<std::string> unicode;  // CF_UNICODETEXT
  std::optional<std::string> html;     // "HTML Format": this fragment, with its header
  std::optional<std::string> rtf;      // "Rich Text Format": the RTF document as given
  std::optional<std::string> files;    // CF_HDROP: full paths separated by ';'
  int width = 0, height = 0;           // CF_BITMAP of one colour, when both are positive
  unsigned rgb = 0;
};

// Empties the clipboard and puts the contents on it. False when it cannot be opened.
bool PutOnClipboard(const ClipboardContents& contents);
// Each format on the clipboard, as "show clipboard" writes it: picture "WxH #RRGGBB", text,
// unicode, html (its fragment), rtf, files, other formats by name or number; "empty".
std::string DescribeClipboard();

}  // namespace orvan::sim
