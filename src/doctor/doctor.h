// OrvanpdfVtAddinDoctor: why a host shows no toolbar. The checks read the machine through
// System, so that they run the same against Windows and against a test's fake; each result is a
// Finding (OK, WARNING or ERROR), grouped per host. With --fix the doctor sets LoadBehavior back
// to 3 and removes Office's resiliency entries naming the add-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "addin/registration_table.h"

namespace orvan::doctor {

enum class Root { kLocalMachine, kCurrentUser };
// The registry view: HKEY_LOCAL_MACHINE\Software seen by 64-bit programs, or by 32-bit ones
// (Wow6432Node). HKEY_CURRENT_USER's Office keys are the same in both.
enum class View { k64, k32 };
enum class Bits { k32, k64 };

// Registry value types as Windows numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

struct RegistryData {
  std::string name;  // UTF-8; empty: the key's default value
  std::uint32_t type = kRegSz;
  std::vector<std::uint8_t> bytes;  // as stored: texts in UTF-16LE
};

// What loading the job API library showed.
struct LibraryProbe {
  bool loaded = false;
  std::uint32_t error = 0;             // the system's error when it did not load
  std::vector<std::string> missing;    // the functions asked for that it does not export
  std::optional<std::string> printer;  // the PDF printer's name it reports; none: the call failed
  // A job opened on that printer and freed again, as the add-in checks the printer at every
  // start: the results of OrvanPdfVtJobCreate, of setting "PrinterName" and of
  // OrvanPdfVtJobInitDevModeProperty (mode 1), and the job's error number after a failed
  // initialisation. Not tried (create 0) without a printer name.
  struct {
    std::int32_t create = 0;
    std::int32_t printer_name = 0;
    std::int32_t init = 0;
    std::int32_t error = 0;
  } job;
  // The text the job API gives for the product's "LanguageID" (a job's 10-character buffer up to
  // its first zero), from which the add-in picks its captions' language.
  std::string language;
};

// A file or folder as the file system shows it.
struct PathFacts {
  bool exists = false;
  bool folder = false;
  bool read_only = false;
  std::uint64_t size = 0;
};

// What the doctor reads and changes. Paths and names in UTF-8; registry keys below the root.
class System {
 public:
  virtual ~System() = default;

  virtual Bits OwnBits() const = 0;
  // False on 32-bit Windows, which has one registry view only.
  virtual bool HasTwoViews() const = 0;

  virtual bool KeyExists(Root root, View view, const std::string& key) = 0;
  virtual std::optional<RegistryData> ReadValue(Root root, View view, const std::string& key,
                                                const std::string& name) = 0;
  virtual std::vector<RegistryData> Values(Root root, View view, const std::string& key) = 0;
  virtual std::vector<std::string> SubKeys(Root root, View view, const std::string& key) = 0;
  // 0 or the system's error.
  virtual std::uint32_t WriteNumber(Root root, View view, const std::string& key,
                                    const std::string& name, std::uint32_t number) = 0;
  virtual std::uint32_t DeleteValue(Root root, View view, const std::string& key,
                                    const std::string& name) = 0;

  virtual bool FileExists(const std::string& path) = 0;
  // What the file system says of a path, taken as it stands (no variables expanded).
  virtual PathFacts Facts(const std::string& path) = 0;
  // The bitness the PE header's machine field gives; none for a file that is no program.
  virtual std::optional<Bits> ProgramBits(const std::string& path) = 0;
  // Loads the job API library (only called for one of the doctor's own bitness), looks up the
  // functions and asks it for the PDF printer's name, then frees it.
  virtual LibraryProbe ProbeJobApi(const std::string& path,
                                   const std::vector<std::string>& functions) = 0;
  virtual std::vector<std::string> Printers() = 0;
  virtual std::optional<std::string> Environment(const std::string& name) = 0;
};

enum class Level { kOk, kWarning, kError };

struct Finding {
  Level level;
  std::string text;
};

struct Section {
  std::string heading;
  std::vector<Finding> findings;
};

struct Options {
  bool fix = false;
  std::vector<const registration::OfficeHost*> hosts;  // empty: all three
};

struct Report {
  std::vector<Section> sections;
  int fixable = 0;  // findings --fix would repair
  int Count(Level level) const;
};

// Exit codes: all well or warnings only, an error found, wrong usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

extern const char* const kUsage;

Report Examine(System& system, const Options& options);
// One line per finding, "OK      ", "WARNING " or "ERROR   " first, a heading per section and
// a summary line at the end.
std::string Format(const Report& report);

// The program without its input and output: parses the arguments (without the program's
// name), examines, and returns the exit code with the text for stdout and for stderr.
int Run(System& system, const std::vector<std::string>& arguments, std::string& out,
        std::string& err);

}  // namespace orvan::doctor
