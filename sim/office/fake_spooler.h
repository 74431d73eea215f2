// The print spooler over the fake hosts' installed printers, with the record layout of its own.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/office/fake_office.h"
#include "support/platform.h"

namespace orvan::sim {

class FakeSpooler final : public Spooler {
 public:
  explicit FakeSpooler(std::shared_ptr<OfficeWorld> world) : world_(std::move(world)) {}

  Handle Open(const std::string& ansi_name) override;
  bool GetPrinter2(Handle printer, std::uint8_t* buffer, std::uint32_t size,
                   std::uint32_t* needed) override;
  Level2 Record(const std::uint8_t* buffer) override;
  void Close(Handle printer) override;
  std::uint32_t LastError() override { return last_error_; }
  std::uint32_t SystemMessage(std::uint32_t code, char* buffer, std::uint32_t size) override;

  // Printers opened and not closed.
  std::size_t open_printers() const { return open_.size(); }
  // Every name a printer was looked up by (opened or not), in order.
  std::vector<std::string> lookups;
  // The size query fails with this error instead of asking for a buffer (0: it asks).
  std::uint32_t size_query_error = 0;
  // The second GetPrinter2, with the buffer, fails.
  bool record_unreadable = false;
  // The system's message texts by error code, each ending in CR LF as FormatMessage gives them.
  std::map<std::uint32_t, std::string> messages = {
      {5, "Zugriff verweigert.\r\n"},
      {1801, "Der Druckername ist ung\xFCltig.\r\n"},
  };

 private:
  std::shared_ptr<OfficeWorld> world_;
  std::map<Handle, std::string> open_;  // handle -> printer name
  Handle next_handle_ = 0x100;
  std::uint32_t last_error_ = 0;
};

}  // namespace orvan::sim
