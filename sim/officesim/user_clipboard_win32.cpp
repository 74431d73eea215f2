#include "sim/officesim/user_clipboard_win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>
#include <vector>

#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"
#include "sim/officesim/clipboard_face_win32.h"
#include "sim/officesim/scenario.h"
#include "sim/officesim/transcript.h"
#include "support/ansi_text.h"

#include <shlobj.h>

namespace orvan::sim {

namespace {

constexpr char kHtmlHeader[] =
    "Version:0.9\r\nStartHTML:%010u\r\nEndHTML:%010u\r\nStartFragment:%010u\r\n"
    "EndFragment:%010u\r\n";
constexpr char kHtmlBefore[] = "<html><body>\r\n<!--StartFragment-->";
constexpr char kHtmlAfter[] = "<!--EndFragment-->\r\n</body></html>";

// "HTML Format": a header of byte offsets into the UTF-8 text, then the document around the
// fragment.
std::string HtmlFormat(const std::string& fragment) {
  char header[256];
  const unsigned start =
      static_cast<unsigned>(std::snprintf(header, sizeof header, kHtmlHeader, 0u, 0u, 0u, 0u));
  const auto fragment_start = static_cast<unsigned>(start + std::strlen(kHtmlBefore));
  const auto fragment_end = static_cast<unsigned>(fragment_start + fragment.size());
  const auto end = static_cast<unsigned>(fragment_end + std::strlen(kHtmlAfter));
  std::snprintf(header, sizeof header, kHtmlHeader, start, end, fragment_start, fragment_end);
  return header + std::string(kHtmlBefore) + fragment + kHtmlAfter;
}

// The fragment of an "HTML Format" text, when its header's offsets lie within it.
std::optional<std::string> HtmlFragment(std::string_view html) {
  auto offset = [&](std::string_view field) -> std::optional<std::size_t> {
    const std::size_t at = html.find(field);
    if (at == std::string_view::npos || html.compare(0, 8, "Version:") != 0) return std::nullopt;
    const std::size_t n =
        std::strtoul(std::string(html.substr(at + field.size(), 10)).c_str(), nullptr, 10);
    if (n > html.size()) return std::nullopt;
    return n;
  };
  const auto start = offset("StartFragment:"), end = offset("EndFragment:");
  if (!offset("StartHTML:") || !offset("EndHTML:") || !start || !end || *start > *end) {
    return std::nullopt;
  }
  return std::string(html.substr(*start, *end - *start));
}

bool Put(UINT format, const void* data, std::size_t size) {
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) return false;
  std::memcpy(GlobalLock(memory), data, size);
  GlobalUnlock(memory);
  if (SetClipboardData(format, memory)) return true;
  GlobalFree(memory);
  return false;
}

// A clipboard block's bytes, when the format is there.
std::optional<std::string> Block(UINT format) {
  const HANDLE data = GetClipboardData(format);
  const void* bytes = data ? GlobalLock(data) : nullptr;
  if (bytes == nullptr) return std::nullopt;
  std::string block(static_cast<const char*>(bytes), GlobalSize(data));
  GlobalUnlock(data);
  return block;
}

std::string UpToZero(const std::string& block) {
  return block.substr(0, block.find('\0'));
}

std::wstring UpToWideZero(const std::string& block, std::size_t from) {
  std::wstring text;
  for (std::size_t i = from; i + 1 < block.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(block[i]) |
                                           static_cast<unsigned char>(block[i + 1]) << 8);
    if (c == L'\0') break;
    text += c;
  }
  return text;
}

// The file names of a CF_HDROP block (DROPFILES and its list of names), joined by ';'.
std::optional<std::string> DroppedFiles(const std::string& block) {
  if (block.size() < sizeof(DROPFILES)) return std::nullopt;
  DROPFILES header;
  std::memcpy(&header, block.data(), sizeof header);
  std::string names;
  for (std::size_t at = header.pFiles; at < block.size();) {
    std::string name;
    if (header.fWide) {
      const std::wstring wide = UpToWideZero(block, at);
      at += (wide.size() + 1) * sizeof(wchar_t);
      name = win32::Narrow(wide);
    } else {
      const std::string ansi = UpToZero(block.substr(at));
      at += ansi.size() + 1;
      name = AnsiToUtf8(ansi);
    }
    if (name.empty()) break;
    names += (names.empty() ? "" : ";") + name;
  }
  return names;
}

UINT HtmlId() {
  return RegisterClipboardFormatA("HTML Format");
}

UINT RtfId() {
  return RegisterClipboardFormatA("Rich Text Format");
}

}  // namespace

bool PutOnClipboard(const ClipboardContents& contents) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  if (contents.text) {
    const std::string ansi = Utf8ToAnsi(*contents.text);
    Put(CF_TEXT, ansi.c_str(), ansi.size() + 1);
  }
  if (contents.unicode) {
    const std::wstring wide = win32::Widen(*contents.unicode);
    Put(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  }
  if (contents.html) {
    const std::string html = HtmlFormat(*contents.html);
    Put(HtmlId(), html.c_str(), html.size() + 1);
  }
  if (contents.rtf) {
    const std::string rtf = Utf8ToAnsi(*contents.rtf);
    Put(RtfId(), rtf.c_str(), rtf.size() + 1);
  }
  if (contents.files) {
    // DROPFILES, then each wide name with its zero, then one more zero.
    std::wstring names;
    for (std::wstring_view rest = win32::Widen(*contents.files); !rest.empty();) {
      const std::size_t semicolon = rest.find(L';');
      names.append(rest.substr(0, semicolon)).push_back(L'\0');
      rest = semicolon == std::wstring_view::npos ? L"" : rest.substr(semicolon + 1);
    }
    names.push_back(L'\0');
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    block.append(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
    Put(CF_HDROP, block.data(), block.size());
  }
  if (contents.width > 0 && contents.height > 0) {
    // A picture of one colour (the pixels of a 32-bit bitmap are 0x00RRGGBB).
    const std::vector<std::uint32_t> bits(
        static_cast<std::size_t>(contents.width * contents.height), contents.rgb);
    if (const HBITMAP bitmap = CreateBitmap(contents.width, contents.height, 1, 32, bits.data())) {
      if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);  // else the clipboard's
    }
  }
  CloseClipboard();
  return true;
}

std::string DescribeClipboard() {
  std::string line;
  auto add = [&](const std::string& word, const std::string& text) {
    line += (line.empty() ? "" : " ") + word + " " + text;
  };
  if (const auto face = ClipboardFace()) add("picture", Quote(face->description));
  if (!OpenClipboard(nullptr)) return line.empty() ? "cannot be opened" : line;
  if (const auto text = Block(CF_TEXT)) add("text", Quote(Escaped(AnsiToUtf8(UpToZero(*text)))));
  if (const auto text = Block(CF_UNICODETEXT))
    add("unicode", Quote(Escaped(win32::Narrow(UpToWideZero(*text, 0)))));
  if (const auto html = Block(HtmlId())) {
    const auto fragment = HtmlFragment(UpToZero(*html));
    add("html", fragment ? Quote(Escaped(*fragment)) : "(no proper header)");
  }
  if (const auto rtf = Block(RtfId())) add("rtf", Quote(Escaped(AnsiToUtf8(UpToZero(*rtf)))));
  if (const auto block = Block(CF_HDROP)) {
    const auto files = DroppedFiles(*block);
    add("files", files ? Quote(Escaped(*files)) : "(no DROPFILES)");
  }
  // Any other format by its name or number; not those Windows makes from the ones above.
  const std::set<UINT> known = {CF_BITMAP, CF_DIB,   CF_DIBV5, CF_TEXT, CF_OEMTEXT,
                                CF_LOCALE, CF_HDROP, HtmlId(), RtfId(), CF_UNICODETEXT};
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    if (known.contains(format)) continue;
    char name[256];
    add("format", GetClipboardFormatNameA(format, name, sizeof name) > 0 ? Quote(name)
                                                                         : std::to_string(format));
  }
  CloseClipboard();
  return line.empty() ? "empty" : line;
}

}  // namespace orvan::sim
