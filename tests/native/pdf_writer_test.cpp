// The simulated printer's PDF as a reader nobody here wrote sees it: poppler's pdfinfo.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/officesim/pdf_writer.h"

namespace orvan::testing {
namespace {

std::string Output(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
      output += buffer;
    pclose(pipe);
  }
  return output;
}

TEST(PdfWriter, PdfinfoReadsTheDocumentInformationWithUmlautsAndParentheses) {
  sim::PdfContent content;
  content.title = "Quartalsbericht (Entwurf) \\ Süd";
  content.author = "Jürgen Müller";
  content.subject = "Umsätze";
  content.keywords = "Q3; Größe";
  content.lines = {"Word: Bericht.docx", "Übersicht (1)"};
  const auto file = std::filesystem::temp_directory_path() / "orvan_pdf_writer_test.pdf";
  std::ofstream(file, std::ios::binary) << sim::RenderPdf(content);

  const std::string info = Output("pdfinfo -enc UTF-8 '" + file.string() + "' 2>&1");
  for (const std::string expected :
       {"Title:           Quartalsbericht (Entwurf) \\ Süd\n", "Author:          Jürgen Müller\n",
        "Subject:         Umsätze\n", "Keywords:        Q3; Größe\n", "Pages:           1\n"}) {
    EXPECT_NE(info.find(expected), std::string::npos) << expected << "in\n" << info;
  }
  // The page's text; poppler reports a broken cross-reference table or stream as an error.
  const std::string text = Output("pdftotext -enc UTF-8 '" + file.string() + "' - 2>&1");
  EXPECT_NE(text.find("Übersicht (1)"), std::string::npos) << text;
  EXPECT_EQ((info + text).find("Error"), std::string::npos) << info << text;
  std::filesystem::remove(file);
}

TEST(PdfWriter, FileNamesComeFromTheTitleElseTheDocument) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"Bericht: Q3/Q4?", "x.docx", "Bericht_ Q3_Q4_.pdf"},
      {"", "Umsatz.xlsx", "Umsatz.pdf"},
      {"", "Folien", "Folien.pdf"},
      {"", "", "Dokument.pdf"},
  };
  for (const auto& [title, document, name] : cases)
    EXPECT_EQ(sim::PdfFileName(title, document), name);
}

}  // namespace
}  // namespace orvan::testing
