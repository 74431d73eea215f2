// Printer records and error texts from the real spooler and system message table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/platform_win32.h"
#include "printjob/mod_printer.h"

namespace orvan::testing {
namespace {

TEST(SpoolerWin32, AnUnknownPrinterGivesAnEmptyRecord) {
  const PrinterInfo info = GetPrinterInfo("Orvan nowhere printer");
  EXPECT_EQ(info.PortName, "");
  EXPECT_EQ(info.StatusText, "");
}

// Every text field holds a text of its own, so that reading one field for another shows.
TEST(SpoolerWin32, TheRecordIsReadThroughThePlatformsOwnLayout) {
  char texts[][16] = {"server",   "printer", "share",     "port",     "driver",    "comment",
                      "location", "sepfile", "processor", "datatype", "parameters"};
  PRINTER_INFO_2A record{};
  record.pServerName = texts[0];
  record.pPrinterName = texts[1];  // not part of the record the add-in reads
  record.pShareName = texts[2];
  record.pPortName = texts[3];
  record.pDriverName = texts[4];
  record.pComment = texts[5];
  record.pLocation = texts[6];
  record.pSepFile = texts[7];
  record.pPrintProcessor = texts[8];
  record.pDatatype = texts[9];
  record.pParameters = texts[10];
  record.Status = PRINTER_STATUS_PAUSED;
  record.cJobs = 7;
  std::vector<std::uint8_t> buffer(sizeof record);
  std::memcpy(buffer.data(), &record, sizeof record);

  win32::Win32Spooler spooler;
  const Spooler::Level2 read = spooler.Record(buffer.data());
  const std::vector<std::string> fields = {
      read.server_name, read.share_name, read.port_name,      read.driver_name,
      read.comment,     read.location,   read.separator_file, read.print_processor,
      read.datatype,    read.parameters};
  const std::vector<std::string> expected = {"server",   "share",     "port",    "driver",
                                             "comment",  "location",  "sepfile", "processor",
                                             "datatype", "parameters"};
  EXPECT_EQ(fields, expected);
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.jobs, 7);
  EXPECT_EQ(GetPrinterStatusText(read.status, 0), "Paused");
}

TEST(SpoolerWin32, ErrorTextsComeFromTheSystemWithoutTheirLineBreak) {
  const std::string text = GetApiErrorText(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_EQ(text.find("not defined"), std::string::npos);
  EXPECT_EQ(GetApiErrorText(0x3FFFFFF1), "Error (1073741809) not defined.");
  EXPECT_EQ(GetPrinterStatusText(0, ERROR_INVALID_PRINTER_NAME),
            GetApiErrorText(ERROR_INVALID_PRINTER_NAME));
}

}  // namespace
}  // namespace orvan::testing
