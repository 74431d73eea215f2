// Code-page conversion over the system's ANSI code page.
#include <string>

#include "platform/win32/wide_text_win32.h"
#include "support/ansi_text.h"

namespace orvan {
namespace win32 {

std::wstring Widen(std::string_view text, UINT code_page) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view wide, UINT code_page) {
  if (wide.empty()) return {};
  const char* default_char = code_page == CP_UTF8 ? nullptr : "?";
  const int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, default_char, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      default_char, nullptr);
  return out;
}

}  // namespace win32

std::string Utf8ToAnsi(std::string_view utf8) {
  return win32::Narrow(win32::Widen(utf8, CP_UTF8), CP_ACP);
}

std::string AnsiToUtf8(std::string_view ansi) {
  return win32::Narrow(win32::Widen(ansi, CP_ACP), CP_UTF8);
}

}  // namespace orvan
