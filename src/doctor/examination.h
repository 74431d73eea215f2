// The doctor's examination of one machine, shared by the files that hold its checks: the
// registration's (doctor_registration.cpp) and the run time's (doctor_state.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "doctor/doctor.h"

namespace orvan::doctor::internal {

namespace table = orvan::registration;

// Where a registration can be: Office reads HKEY_LOCAL_MACHINE in the view of its own bitness
// and HKEY_CURRENT_USER (whose Office keys both views share; per-user classes of a 32-bit
// registration lie in the 32-bit view).
struct Location {
  Root root;
  View view;
  const char* name;
};

struct HostProgram {
  std::string path;
  std::optional<Bits> bits;
};

// A registration of the host's designer found in one location.
struct Registration {
  const Location* location;
  View class_view;
  std::optional<std::string> dll;  // none: the class is not registered there
  std::optional<Bits> dll_bits;
  bool dll_exists = false;
};

std::string BitsText(Bits bits);
std::string Quoted(const std::string& text);
// "error N", with the system's words for the errors a user can mend.
std::string ErrorText(std::uint32_t code);
// UTF-16LE bytes from the offset as UTF-8, up to the first zero when to_nul.
std::string FromUtf16(const std::vector<std::uint8_t>& bytes, std::size_t offset, bool to_nul);
// A stored text as the add-in reads it: a string up to its first zero, a DWORD as its number.
std::string ValueText(const RegistryData& data);

// The checks of one run, whose findings go into the report section by section.
class Examination {
 public:
  Examination(System& system, const Options& options, Report& report)
      : system_(system), options_(options), report_(report) {
    if (system.HasTwoViews()) {
      locations_ = {{Root::kLocalMachine, View::k64, "HKEY_LOCAL_MACHINE (64-bit view)"},
                    {Root::kLocalMachine, View::k32, "HKEY_LOCAL_MACHINE (32-bit view)"},
                    {Root::kCurrentUser, View::k64, "HKEY_CURRENT_USER (per user)"}};
    } else {
      locations_ = {{Root::kLocalMachine, View::k32, "HKEY_LOCAL_MACHINE"},
                    {Root::kCurrentUser, View::k32, "HKEY_CURRENT_USER (per user)"}};
    }
  }

  // What holds for the whole machine: the doctor's own bitness and the trace switch.
  void General();
  // The add-in in one host: registration, job API library, PDF printer, stored toolbar state.
  void Host(const table::OfficeHost& host);

 private:
  void Begin(std::string heading) { report_.sections.push_back({std::move(heading), {}}); }
  void Add(Level level, std::string text) {
    report_.sections.back().findings.push_back({level, std::move(text)});
  }

  std::optional<HostProgram> FindProgram(const table::OfficeHost& host);
  Registration ReadRegistration(const Location& location, const table::ComClass& designer);
  void Describe(const Registration& r, const table::ComClass& designer,
                const table::OfficeHost& host, std::optional<Bits> host_bits, bool any_usable);
  void LoadBehavior(const Location& location, const std::string& record);
  void Resiliency(const table::OfficeHost& host, const std::string& prog_id,
                  const std::vector<std::string>& dll_paths);
  // Whether the add-in can write the trace file the variable names: it takes the path as it
  // stands, and a line it cannot write is lost without a word.
  void TraceFile(const std::string& path);
  // The job API library beside the DLL; the PDF printer's name it reports, when it was asked.
  std::optional<std::string> JobApi(const std::string& dll, Bits dll_bits);
  // The add-in's start-up check that the printer takes jobs, as the probe found it.
  void Job(const LibraryProbe& probe, const std::string& printer);
  // The captions' language the add-in picks from the product's language number.
  void Captions(const std::string& language);
  void Printer(const std::optional<std::string>& reported);
  // The values the add-in keeps per host program (named by its full path) in one of its keys.
  std::vector<std::pair<std::string, std::string>> HostValues(const table::OfficeHost& host,
                                                              const char* key);
  void ToolbarState(const table::OfficeHost& host, const std::optional<HostProgram>& program);
  // "Left;Top;Position;RowIndex;menu place" in words.
  static std::string DescribePosition(const std::string& text);

  System& system_;
  const Options& options_;
  Report& report_;
  std::vector<Location> locations_;
};

}  // namespace orvan::doctor::internal
