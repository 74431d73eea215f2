// What the print spooler knows about an installed printer, and printer status and Windows error
// codes as English texts.
#pragma once

#include <cstdint>
#include <string>

namespace orvan {

// A printer's level-2 spooler record as plain strings; empty strings and Jobs 0 when it could not
// be read.
struct PrinterInfo {
  std::string ServerName;
  std::string ShareName;
  std::string PortName;
  std::string DriverName;
  std::string Comment;
  std::string Location;
  std::string SeparatorFile;
  std::string PrintProcessor;
  std::string Datatype;
  std::string Parameters;
  std::string StatusText;
  std::int32_t Jobs = 0;
};

// Reads the record afresh; never raises.
PrinterInfo GetPrinterInfo(const std::string& printer_name);

// The Windows error text when last_error is not 0, else the status's text or its hexadecimal.
std::string GetPrinterStatusText(std::int32_t status, std::int32_t last_error);

// The system's text for a Windows error code without its closing CR LF, or
// "Error (n) not defined.".
std::string GetApiErrorText(std::int32_t error_code);

// The NUL-terminated ANSI text at address, converted; empty for a null address.
std::string StringFromPointer(const char* address);

}  // namespace orvan
