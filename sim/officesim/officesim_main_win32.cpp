// officesim: a simulated Word, Excel or PowerPoint that loads the registered COM add-ins as
// Office does and plays a scenario against them. Run as officesim.exe it installs itself as the
// three host programs of a simulated Office folder and runs the scenario's host there, so that
// the add-ins see the program path and name of a real installation.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/com_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "sim/officesim/office_session_win32.h"
#include "sim/officesim/scenario.h"

namespace {

using namespace orvan;
using namespace orvan::sim;

constexpr const char* kDefaultOffice = "C:\\Program Files\\Microsoft Office\\root\\Office16";

constexpr const char* kHelp =
    "Usage: officesim [options] SCENARIO\n"
    "Plays a scenario file against a simulated Word, Excel or PowerPoint that loads the COM\n"
    "add-ins registered for it, and writes the transcript (see the README for both formats).\n"
    "\n"
    "  --office DIR       the simulated Office folder, where officesim installs itself as\n"
    "                     WINWORD.EXE, EXCEL.EXE and POWERPNT.EXE and registers the Office and\n"
    "                     add-in designer type libraries (default: "
    "C:\\Program Files\\"
    "Microsoft Office\\root\\Office16)\n"
    "  --install          only install into the Office folder, then end\n"
    "  --transcript FILE  also write the transcript to FILE\n"
    "  --output DIR       where the PDF printer saves prints whose job names no folder\n"
    "                     (default: C:\\PDF)\n"
    "  --state DIR        keep the host's command bars in DIR between runs, and its add-ins'\n"
    "                     registry values (default: each run is a new installation)\n"
    "  --pictures DIR     where `show window FILE.png` writes pictures named without a full\n"
    "                     path (default: the transcript's folder, else the current one)\n"
    "  --jobapi-in-memory the stand-in job API library reads the state the scenario set up\n"
    "                     once and keeps it in memory, as benchmarks want it; its calls and\n"
    "                     what the scenario sets later are then not seen\n"
    "  --verbose          write every call of an add-in on the host as a \"call\" line\n"
    "  --free-unused      after each close free unused COM libraries, as Office does when\n"
    "                     idle, and write whether the add-ins' DLLs left (\"module\" lines)\n"
    "  --carry FILE       (given by officesim.exe to the host programs it runs) where a host\n"
    "                     process hands the scenario on to the next at a second start\n"
    "  --help             this text\n"
    "\n"
    "Exit code: 0 every expect matched, 1 an expect failed, 2 a step or the scenario could\n"
    "not run, 3 wrong usage.\n";

struct Options {
  std::string office = kDefaultOffice;
  std::string scenario;
  std::string transcript;
  SessionOptions session;
  bool install_only = false;
};

std::string ModulePath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return win32::Narrow(std::wstring_view(path, n));
}

std::string FileName(const std::string& path) {
  return path.substr(path.find_last_of("\\/") + 1);
}

// The hosts' App Paths entries as Office's installer writes them (in this program's registry
// view), by which programs find a host and its bitness: the full path and its folder.
bool WriteAppPaths(const std::wstring& folder) {
  bool ok = true;
  for (const HostProgram& host : kHostPrograms) {
    const std::wstring key =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + win32::Widen(host.program);
    const std::wstring path = folder + L"\\" + win32::Widen(host.program);
    win32::ScopedKey opened;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE, nullptr, opened.Receive(), nullptr);
    for (const auto& [name, text] : {std::pair{L"", &path}, std::pair{L"Path", &folder}}) {
      if (rc != ERROR_SUCCESS) break;
      rc = RegSetValueExW(opened.get(), name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text->c_str()),
                          static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
    }
    if (rc != ERROR_SUCCESS) {
      std::fprintf(stderr, "officesim: cannot write the App Paths entry of %s (error %ld)\n",
                   host.program, rc);
      ok = false;
    }
  }
  return ok;
}

// Copies this program as the three hosts, writes their App Paths entries and registers the type
// libraries it carries (1 the Office library, 2 the add-in designer library), as Office's
// installer would.
bool InstallHosts(const std::string& office) {
  const std::wstring folder = win32::Widen(office);
  for (std::size_t slash = folder.find(L'\\', 3); slash != std::wstring::npos;
       slash = folder.find(L'\\', slash + 1)) {
    CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring self = win32::Widen(ModulePath());
  bool ok = true;
  for (const HostProgram& host : kHostPrograms) {
    const std::wstring target = folder + L"\\" + win32::Widen(host.program);
    if (lstrcmpiW(target.c_str(), self.c_str()) != 0 &&
        !CopyFileW(self.c_str(), target.c_str(), FALSE)) {
      std::fprintf(stderr, "officesim: cannot install %s in %s (error %lu)\n", host.program,
                   office.c_str(), GetLastError());
      ok = false;
    }
  }
  if (!WriteAppPaths(folder)) ok = false;
  const std::wstring word = folder + L"\\WINWORD.EXE";
  for (const wchar_t* index : {L"\\1", L"\\2"}) {
    std::wstring resource = word + index;
    win32::ComPtr<ITypeLib> library;
    if (FAILED(LoadTypeLibEx(resource.c_str(), REGKIND_NONE, library.Receive())) ||
        FAILED(RegisterTypeLib(library.get(), resource.data(), nullptr))) {
      std::fprintf(stderr, "officesim: cannot register the type library %ls\n", resource.c_str());
      ok = false;
    }
  }
  return ok;
}

// Runs the same command line with the host program of the scenario's "host" step.
int RunInHost(const Options& options, const std::vector<ScenarioStep>& steps) {
  const HostProgram* host = nullptr;
  for (const ScenarioStep& step : steps) {
    if (step.words.front() == "host" && step.words.size() > 1) {
      host = HostByWord(step.words[1]);
      if (host == nullptr) {
        std::fprintf(stderr, "%s:%d: unknown host '%s'\n", step.file.c_str(), step.line,
                     step.words[1].c_str());
        return 2;
      }
      break;
    }
  }
  if (host == nullptr) {
    std::fprintf(stderr,
                 "%s: the scenario names no host (a line 'host word', 'host excel' or "
                 "'host powerpoint')\n",
                 options.scenario.c_str());
    return 2;
  }
  if (!InstallHosts(options.office)) return 2;
  std::wstring command =
      L"\"" + win32::Widen(options.office) + L"\\" + win32::Widen(host->program) + L"\"";
  const std::wstring own = GetCommandLineW();
  // The arguments after the program's own name, quoted or not.
  std::size_t rest = own[0] == L'"' ? own.find(L'"', 1) + 1 : own.find(L' ');
  command += rest == std::wstring::npos ? L"" : own.substr(rest);
  // Each host run is a process of its own, as each start of Office is: a host process that
  // reaches a second start hands the rest of the scenario on through the carry file, and the
  // next one goes on from there.
  const std::wstring carry = (std::filesystem::temp_directory_path() /
                              ("officesim-" + std::to_string(GetCurrentProcessId()) + ".carry"))
                                 .wstring();
  command += L" --carry \"" + carry + L"\"";
  std::error_code ignored;
  std::filesystem::remove(carry, ignored);
  DWORD code = 2;
  for (;;) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = command;  // CreateProcessW may write into it
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
      std::fprintf(stderr, "officesim: cannot start %s (error %lu)\n", host->program,
                   GetLastError());
      code = 2;
      break;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    code = 2;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (code != kHandOffExit) break;
    if (!std::filesystem::exists(carry, ignored)) {
      std::fprintf(stderr, "officesim: %s handed the scenario on without a carry file\n",
                   host->program);
      code = 2;
      break;
    }
  }
  std::filesystem::remove(carry, ignored);
  return static_cast<int>(code);
}

int Main(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw std::invalid_argument(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (arg == "--office") {
      options.office = value();
    } else if (arg == "--install") {
      options.install_only = true;
    } else if (arg == "--transcript") {
      options.transcript = value();
    } else if (arg == "--output") {
      options.session.output_folder = value();
    } else if (arg == "--state") {
      options.session.state_folder = value();
    } else if (arg == "--verbose") {
      options.session.verbose = true;
    } else if (arg == "--free-unused") {
      options.session.free_unused = true;
    } else if (arg == "--jobapi-in-memory") {
      _putenv("ORVAN_JOBAPI_IN_MEMORY=1");  // the host processes inherit it
    } else if (arg == "--pictures") {
      options.session.picture_folder = value();
    } else if (arg == "--carry") {
      options.session.carry_file = value();
    } else if (arg.rfind("--", 0) == 0 || !options.scenario.empty()) {
      throw std::invalid_argument("unknown argument " + arg);
    } else {
      options.scenario = arg;
    }
  }
  if (options.install_only) return InstallHosts(options.office) ? 0 : 2;
  if (options.session.picture_folder.empty() && !options.transcript.empty()) {
    options.session.picture_folder = options.transcript.substr(
        0, options.transcript.size() - FileName(options.transcript).size());
  }
  if (options.scenario.empty()) throw std::invalid_argument("no scenario file given");

  std::ifstream file(std::filesystem::path(win32::Widen(options.scenario)), std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "officesim: cannot read %s\n", options.scenario.c_str());
    return 2;
  }
  std::stringstream text;
  text << file.rdbuf();
  std::vector<ScenarioStep> steps;
  try {
    steps = ParseScenario(text.str(), FileName(options.scenario));
    options.session.scenario_folder =
        options.scenario.substr(0, options.scenario.size() - FileName(options.scenario).size());
  } catch (const ScenarioError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  if (steps.empty()) {
    std::fprintf(stderr, "%s: the scenario has no steps\n", options.scenario.c_str());
    return 2;
  }

  const HostProgram* host = HostByProgram(FileName(ModulePath()));
  if (host == nullptr) return RunInHost(options, steps);

  if (FAILED(CoInitialize(nullptr))) return 2;
  int code = 2;
  {
    OfficeSession session(*host, options.session);
    code = session.Run(steps);
    const std::string all = session.transcript().Text();
    // A host process that handed the run on leaves the transcript to the last one.
    if (code != kHandOffExit) std::fwrite(all.data(), 1, all.size(), stdout);
    std::fflush(stdout);
    if (code != kHandOffExit && !options.transcript.empty()) {
      std::ofstream(std::filesystem::path(win32::Widen(options.transcript)), std::ios::binary)
          << all;
    }
  }
  CoUninitialize();
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // the transcript's lines end in "\n" alone
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(win32::Narrow(argv[i]));
  try {
    return Main(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "officesim: %s\n\n%s", e.what(), kHelp);
    return 3;
  }
}
