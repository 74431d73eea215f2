#include "sim/office/fake_spooler.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orvan::sim {
namespace {

constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kInvalidPrinterName = 1801;
constexpr std::uint32_t kInvalidHandle = 6;

// The strings of a record in the order they follow the fixed part in the buffer.
std::vector<const std::string*> Strings(const Printer& p, const std::string& empty) {
  // Server, share, port, driver, comment, location, separator file, print processor, data type,
  // parameters.
  static const std::string processor = "winprint", datatype = "RAW";
  return {&empty,      &empty, &p.port,    &p.driver, &p.comment,
          &p.location, &empty, &processor, &datatype, &empty};
}

}  // namespace

Spooler::Handle FakeSpooler::Open(const std::string& ansi_name) {
  lookups.push_back(ansi_name);
  if (world_->FindPrinter(ansi_name) == nullptr) {
    last_error_ = kInvalidPrinterName;
    return 0;
  }
  const Handle handle = next_handle_++;
  open_[handle] = ansi_name;
  last_error_ = 0;
  return handle;
}

bool FakeSpooler::GetPrinter2(Handle printer, std::uint8_t* buffer, std::uint32_t size,
                              std::uint32_t* needed) {
  const auto it = open_.find(printer);
  const Printer* p = it == open_.end() ? nullptr : world_->FindPrinter(it->second);
  if (p == nullptr) {
    last_error_ = kInvalidHandle;
    return false;
  }
  if (buffer == nullptr && size_query_error != 0) {
    last_error_ = size_query_error;
    return false;
  }
  const std::string empty;
  const auto strings = Strings(*p, empty);
  std::uint32_t total = sizeof(Level2);
  for (const std::string* s : strings)
    total += static_cast<std::uint32_t>(s->size() + 1);
  *needed = total;
  if (buffer == nullptr || size < total) {
    last_error_ = kInsufficientBuffer;
    return false;
  }
  if (record_unreadable) {
    last_error_ = kInvalidHandle;
    return false;
  }
  // The fixed part first, its string addresses pointing behind it; the server name stays null
  // as for a local printer.
  Level2 record;
  const char** fields[] = {&record.server_name,    &record.share_name,      &record.port_name,
                           &record.driver_name,    &record.comment,         &record.location,
                           &record.separator_file, &record.print_processor, &record.datatype,
                           &record.parameters};
  char* next = reinterpret_cast<char*>(buffer + sizeof(Level2));
  for (std::size_t i = 0; i < strings.size(); ++i) {
    std::memcpy(next, strings[i]->c_str(), strings[i]->size() + 1);
    *fields[i] = i == 0 ? nullptr : next;
    next += strings[i]->size() + 1;
  }
  record.status = p->status;
  record.jobs = p->jobs;
  std::memcpy(buffer, &record, sizeof record);
  last_error_ = 0;
  return true;
}

Spooler::Level2 FakeSpooler::Record(const std::uint8_t* buffer) {
  Level2 record;
  std::memcpy(&record, buffer, sizeof record);
  return record;
}

void FakeSpooler::Close(Handle printer) {
  open_.erase(printer);
}

std::uint32_t FakeSpooler::SystemMessage(std::uint32_t code, char* buffer, std::uint32_t size) {
  const auto it = messages.find(code);
  if (it == messages.end() || it->second.size() >= size) return 0;
  std::memcpy(buffer, it->second.data(), it->second.size());
  return static_cast<std::uint32_t>(it->second.size());
}

}  // namespace orvan::sim
