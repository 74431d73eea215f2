#include "sim/officesim/pdf_writer.h"

#include <cstdio>

#include "support/utf8.h"

namespace orvan::sim {
namespace {

// A PDF text string: a literal one for ASCII, else UTF-16BE with a byte-order mark in hex.
std::string TextString(const std::string& utf8) {
  bool ascii = true;
  for (unsigned char c : utf8)
    ascii = ascii && c < 0x80;
  if (ascii) {
    std::string out = "(";
    for (char c : utf8) {
      if (c == '(' || c == ')' || c == '\\') out += '\\';
      out += c;
    }
    return out + ")";
  }
  std::string out = "<FEFF";
  auto unit = [&out](unsigned u) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04X", u & 0xFFFF);
    out += hex;
  };
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = utf8::Next(utf8, &pos);
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out + ">";
}

// A line of page text in WinAnsiEncoding, escaped for a literal string.
std::string PageText(const std::string& utf8) {
  std::string out;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = utf8::Next(utf8, &pos);
    const char c = cp < 0x100 && (cp < 0x80 || cp >= 0xA0) ? static_cast<char>(cp) : '?';
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string RenderPdf(const PdfContent& content) {
  std::string stream = "BT /F1 14 Tf 72 770 Td 18 TL\n";
  for (const std::string& line : content.lines)
    stream += "(" + PageText(line) + ") Tj T*\n";
  stream += "ET\n";

  std::string info = "<<";
  const std::pair<const char*, const std::string*> entries[] = {{"Title", &content.title},
                                                                {"Author", &content.author},
                                                                {"Subject", &content.subject},
                                                                {"Keywords", &content.keywords}};
  for (const auto& [key, value] : entries) {
    if (!value->empty()) info += " /" + std::string(key) + " " + TextString(*value);
  }
  info += " /Producer (Orvan pdf vatner, simulated) >>";

  const std::string objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
      "/Resources << /Font << /F1 5 0 R >> >> >>",
      "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "endstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
      info,
  };
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < std::size(objects); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
         " /Root 1 0 R /Info 6 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

std::string PdfFileName(const std::string& title, const std::string& document) {
  std::string name = title;
  if (name.empty()) {
    name = document;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
  }
  if (name.empty()) name = "Dokument";
  for (char& c : name) {
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos ||
        static_cast<unsigned char>(c) < 0x20) {
      c = '_';
    }
  }
  return name + ".pdf";
}

}  // namespace orvan::sim
