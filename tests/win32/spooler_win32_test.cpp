// Printer records and error texts from the real spooler and system message table.
#include <gtest/gtest.h>

#include <iterator>

#include "platform/win32/platform_win32.h"
#include "printjob/mod_printer.h"

namespace orvan::testing {
namespace {

TEST(SpoolerWin32, AnUnknownPrinterGivesAnEmptyRecord) {
  const PrinterInfo info = GetPrinterInfo("Orvan nowhere printer");
  EXPECT_EQ(info.PortName, "");
  EXPECT_EQ(info.StatusText, "");
}

// Every text field holds a text of its own, so that reading one field for another shows; the
// printer's name, which the add-in does not read, is left null.
TEST(SpoolerWin32, TheRecordIsReadThroughThePlatformsOwnLayout) {
  using Info = PRINTER_INFO_2A;
  using Read = Spooler::Level2;
  const std::pair<LPSTR Info::*, const char * Read::*> fields[] = {
      {&Info::pServerName, &Read::server_name}, {&Info::pShareName, &Read::share_name},
      {&Info::pPortName, &Read::port_name},     {&Info::pDriverName, &Read::driver_name},
      {&Info::pComment, &Read::comment},        {&Info::pLocation, &Read::location},
      {&Info::pSepFile, &Read::separator_file}, {&Info::pPrintProcessor, &Read::print_processor},
      {&Info::pDatatype, &Read::datatype},      {&Info::pParameters, &Read::parameters}};
  std::string texts[std::size(fields)];
  Info record{};
  for (std::size_t i = 0; i < std::size(fields); ++i)
    record.*fields[i].first = (texts[i] = "field " + std::to_string(i)).data();
  record.Status = PRINTER_STATUS_PAUSED;
  record.cJobs = 7;
  const Read read = win32::Win32Spooler().Record(reinterpret_cast<const std::uint8_t*>(&record));
  for (std::size_t i = 0; i < std::size(fields); ++i)
    EXPECT_STREQ(read.*fields[i].second, texts[i].c_str()) << i;
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.jobs, 7);
}

TEST(SpoolerWin32, ErrorTextsComeFromTheSystemWithoutTheirLineBreak) {
  const std::string text = GetApiErrorText(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_FALSE(text.ends_with('\n') || text.ends_with('\r')) << text;
  EXPECT_EQ(text.find("not defined"), std::string::npos);
  EXPECT_EQ(GetApiErrorText(0x3FFFFFF1), "Error (1073741809) not defined.");
}

}  // namespace
}  // namespace orvan::testing
