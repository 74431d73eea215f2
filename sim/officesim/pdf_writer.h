// The simulated PDF printer's output: a one-page PDF naming what was printed, with the job's
// document information in its information dictionary.
#pragma once

#include <string>
#include <vector>

namespace orvan::sim {

struct PdfContent {
  // Document information, UTF-8; an empty entry is left out of the dictionary.
  std::string title;
  std::string author;
  std::string subject;
  std::string keywords;
  // The page's lines, UTF-8 (characters beyond Latin-1 show as "?").
  std::vector<std::string> lines;
};

// The whole file: header, catalogue, page tree, one page in Helvetica, the information
// dictionary (texts beyond ASCII as UTF-16BE with a byte-order mark), cross-reference table and
// trailer.
std::string RenderPdf(const PdfContent& content);

// A file name for the PDF from the title, else the document's name without its extension:
// characters Windows refuses in names become "_", and ".pdf" is appended.
std::string PdfFileName(const std::string& title, const std::string& document);

}  // namespace orvan::sim
