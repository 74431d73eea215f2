// The print spooler through winspool's ANSI functions.
#include "platform/win32/platform_win32.h"
#include "support/profile.h"

namespace orvan::win32 {

Spooler::Handle Win32Spooler::Open(const std::string& ansi_name) {
  const profile::Spend spend(profile::Where::kSpooler);
  HANDLE printer = nullptr;
  std::string name = ansi_name;
  if (!OpenPrinterA(name.data(), &printer, nullptr)) return 0;
  return reinterpret_cast<Handle>(printer);
}

bool Win32Spooler::GetPrinter2(Handle printer, std::uint8_t* buffer, std::uint32_t size,
                               std::uint32_t* needed) {
  const profile::Spend spend(profile::Where::kSpooler);
  DWORD bytes = 0;
  const BOOL ok = GetPrinterA(reinterpret_cast<HANDLE>(printer), 2, buffer, size, &bytes);
  *needed = bytes;
  return ok != FALSE;
}

Spooler::Level2 Win32Spooler::Record(const std::uint8_t* buffer) {
  // PRINTER_INFO_2A has the right layout for 32- and 64-bit builds alike.
  const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer);
  Level2 record;
  record.server_name = info->pServerName;
  record.share_name = info->pShareName;
  record.port_name = info->pPortName;
  record.driver_name = info->pDriverName;
  record.comment = info->pComment;
  record.location = info->pLocation;
  record.separator_file = info->pSepFile;
  record.print_processor = info->pPrintProcessor;
  record.datatype = info->pDatatype;
  record.parameters = info->pParameters;
  record.status = static_cast<std::int32_t>(info->Status);
  record.jobs = static_cast<std::int32_t>(info->cJobs);
  return record;
}

void Win32Spooler::Close(Handle printer) {
  const profile::Spend spend(profile::Where::kSpooler);
  ClosePrinter(reinterpret_cast<HANDLE>(printer));
}

std::uint32_t Win32Spooler::LastError() {
  return GetLastError();
}

std::uint32_t Win32Spooler::SystemMessage(std::uint32_t code, char* buffer, std::uint32_t size) {
  return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, buffer, size, nullptr);
}

}  // namespace orvan::win32
