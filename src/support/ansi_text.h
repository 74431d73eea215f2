// Conversion between the add-in's text (UTF-8) and the system's ANSI code page, which the
// registry, the trace file and the job API library use.
#pragma once

#include <string>
#include <string_view>

namespace orvan {

// Characters the code page cannot hold become '?'.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace orvan
