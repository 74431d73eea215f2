#include "printjob/mod_printer.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "support/ansi_text.h"
#include "support/platform.h"

namespace orvan {
namespace {

constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kMessageBufferSize = 1024;

struct StatusName {
  std::uint32_t status;
  const char* text;
};

constexpr StatusName kStatusNames[] = {
    {0x0, "Ready"},
    {0x1, "Paused"},
    {0x2, "Error"},
    {0x4, "Deleting..."},
    {0x8, "Paper Jam"},
    {0x10, "Paper Out"},
    {0x20, "Manual Feed Required"},
    {0x40, "Paper Problem"},
    {0x80, "Offline"},
    {0x100, "Downloading Job"},
    {0x200, "Busy"},
    {0x400, "Printing"},
    {0x800, "Output Bill Full"},
    {0x1000, "Not Available"},
    {0x2000, "Waiting"},
    {0x4000, "Processing Job"},
    {0x8000, "Initializing"},
    {0x10000, "Warming Up"},
    {0x20000, "Toner Low"},
    {0x40000, "Toner Out"},
    {0x80000, "Page too Complex"},
    {0x100000, "User Intervention Required"},
    {0x200000, "Out of Memory"},
    {0x400000, "Door Open"},
    {0x800000, "Unable to connect"},
    {0x1000000, "Power Save Mode"},
};

}  // namespace

PrinterInfo GetPrinterInfo(const std::string& printer_name) {
  Spooler& spooler = *CurrentPlatform().spooler;
  PrinterInfo info;
  const Spooler::Handle printer = spooler.Open(Utf8ToAnsi(printer_name));
  if (printer == 0) return info;

  std::int32_t status = 0;
  std::int32_t last_error = 0;
  std::uint32_t needed = 0;
  spooler.GetPrinter2(printer, nullptr, 0, &needed);
  if (spooler.LastError() == kErrorInsufficientBuffer) {
    std::vector<std::uint8_t> buffer(needed);
    if (spooler.GetPrinter2(printer, buffer.data(), needed, &needed)) {
      const Spooler::Level2 record = spooler.Record(buffer.data());
      info.ServerName = StringFromPointer(record.server_name);
      info.ShareName = StringFromPointer(record.share_name);
      info.PortName = StringFromPointer(record.port_name);
      info.DriverName = StringFromPointer(record.driver_name);
      info.Comment = StringFromPointer(record.comment);
      info.Location = StringFromPointer(record.location);
      info.SeparatorFile = StringFromPointer(record.separator_file);
      info.PrintProcessor = StringFromPointer(record.print_processor);
      info.Datatype = StringFromPointer(record.datatype);
      info.Parameters = StringFromPointer(record.parameters);
      status = record.status;
      info.Jobs = record.jobs;
    }
  } else {
    last_error = static_cast<std::int32_t>(spooler.LastError());
  }
  info.StatusText = GetPrinterStatusText(status, last_error);
  spooler.Close(printer);
  return info;
}

std::string GetPrinterStatusText(std::int32_t status, std::int32_t last_error) {
  if (last_error != 0) return GetApiErrorText(last_error);
  for (const StatusName& s : kStatusNames) {
    if (static_cast<std::uint32_t>(status) == s.status) return s.text;
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(status));
  return hex;
}

std::string GetApiErrorText(std::int32_t error_code) {
  std::string buffer(kMessageBufferSize, ' ');
  const std::uint32_t n = CurrentPlatform().spooler->SystemMessage(
      static_cast<std::uint32_t>(error_code), buffer.data(), kMessageBufferSize);
  if (n != 0) return AnsiToUtf8(buffer.substr(0, n >= 2 ? n - 2 : 0));
  return "Error (" + std::to_string(error_code) + ") not defined.";
}

std::string StringFromPointer(const char* address) {
  if (address == nullptr) return {};
  const std::size_t length = std::strlen(address);
  if (length == 0) return {};
  return AnsiToUtf8(std::string(address, length));
}

}  // namespace orvan
