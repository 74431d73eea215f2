// Printer records and error texts from the real spooler and system message table.
#include <gtest/gtest.h>

#include <cstring>
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

TEST(SpoolerWin32, TheRecordIsReadThroughThePlatformsOwnLayout) {
  char port[] = "Ne00:";
  char driver[] = "Orvan pdf vatner Driver";
  std::vector<std::uint8_t> buffer(sizeof(PRINTER_INFO_2A));
  PRINTER_INFO_2A record{};
  record.pPortName = port;
  record.pDriverName = driver;
  record.Status = PRINTER_STATUS_PAUSED;
  record.cJobs = 7;
  std::memcpy(buffer.data(), &record, sizeof record);

  win32::Win32Spooler spooler;
  const Spooler::Level2 read = spooler.Record(buffer.data());
  EXPECT_EQ(read.port_name, port);
  EXPECT_EQ(read.driver_name, driver);
  EXPECT_EQ(read.server_name, nullptr);
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
