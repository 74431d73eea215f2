#include "sim/officesim/office_session_win32.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "platform/win32/dispatch_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"
#include "sim/jobapi/job_api_state.h"
#include "sim/officesim/clipboard_face_win32.h"
#include "sim/officesim/macro_runner_win32.h"
#include "sim/officesim/pdf_writer.h"
#include "support/ansi_text.h"
#include "support/utf8.h"

#include <tlhelp32.h>

namespace orvan::sim {

const HostProgram kHostPrograms[3] = {
    {HostType::kWord, "word", "WINWORD.EXE", "OpusApp", "Word"},
    {HostType::kExcel, "excel", "EXCEL.EXE", "XLMAIN", "Excel"},
    {HostType::kPowerPoint, "powerpoint", "POWERPNT.EXE", "PP10FrameClass", "PowerPoint"},
};

const HostProgram* HostByWord(const std::string& word) {
  for (const HostProgram& host : kHostPrograms) {
    if (word == host.word) return &host;
  }
  return nullptr;
}

const HostProgram* HostByProgram(const std::string& program) {
  for (const HostProgram& host : kHostPrograms) {
    if (lstrcmpiA(program.c_str(), host.program) == 0) return &host;
  }
  return nullptr;
}

namespace {

constexpr const char* kProductKey = "Software\\Orvan software GmbH\\Orvan pdf vatner";
constexpr int kStartupLimitMs = 1000;  // what Office allows an add-in's OnConnection
constexpr int kShutdownLimitMs = 500;  // and its OnDisconnection
// Posted to the host's window: run the step kept for the message box now shown.
constexpr UINT kRunDuringBox = WM_APP + 1;

[[noreturn]] void Refuse(const ScenarioStep& step, const std::string& message) {
  throw ScenarioError(step.file, step.line, message);
}

// The word after `key` in the step (`key value`), if the step has it.
std::optional<std::string> Option(const ScenarioStep& step, const std::string& key) {
  for (std::size_t i = 1; i + 1 < step.words.size(); ++i) {
    if (step.words[i] == key) return step.words[i + 1];
  }
  return std::nullopt;
}

bool HasWord(const ScenarioStep& step, const std::string& word) {
  return std::find(step.words.begin() + 1, step.words.end(), word) != step.words.end();
}

const std::string& Argument(const ScenarioStep& step, std::size_t index, const char* what) {
  if (step.words.size() <= index) Refuse(step, std::string("missing ") + what);
  return step.words[index];
}

std::int32_t Number(const ScenarioStep& step, const std::string& text) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0') Refuse(step, "not a number: " + text);
  return static_cast<std::int32_t>(n);
}

// "times N", "once", "always" (the default) and "after N" of a failure.
void Repetition(const ScenarioStep& step, std::int32_t* remaining, std::int32_t* after) {
  *remaining = -1;
  if (HasWord(step, "once")) *remaining = 1;
  if (const auto times = Option(step, "times")) *remaining = Number(step, *times);
  if (const auto later = Option(step, "after")) *after = Number(step, *later);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

std::string Hresult(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// Every value below the key, as "registry <path below the product key> <name> = <value>".
void RegistryLines(HKEY key, const std::string& path, std::vector<std::string>& lines) {
  char name[512];
  BYTE data[2048];
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name;
    DWORD data_size = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) !=
        ERROR_SUCCESS) {
      break;
    }
    std::string value;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      value = Quote(AnsiToUtf8(std::string(reinterpret_cast<char*>(data),
                                           strnlen(reinterpret_cast<char*>(data), data_size))));
    } else if (type == REG_DWORD) {
      value = std::to_string(*reinterpret_cast<DWORD*>(data));
    } else {
      value = "(" + std::to_string(data_size) + " bytes)";
    }
    lines.push_back(Quote(path) + " " + Quote(AnsiToUtf8(name)) + " = " + value);
  }
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &name_size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    ScopedKey child;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, child.Receive()) != ERROR_SUCCESS) continue;
    RegistryLines(child.get(), path.empty() ? name : path + "\\" + name, lines);
  }
}

std::vector<std::string> ProductRegistry() {
  std::vector<std::string> lines;
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) {
    RegistryLines(key.get(), "", lines);
  }
  return lines;
}

// A new installation of the host: the add-in's values for this program under its OfficeAddin
// keys are gone, as the command bars the run starts with are Office's first ones.
void ForgetHostValues(const char* program) {
  ScopedKey addin;
  const std::string path = std::string(kProductKey) + "\\OfficeAddin";
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, addin.Receive()) !=
      ERROR_SUCCESS) {
    return;
  }
  char name[512];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(addin.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    ScopedKey key;
    if (RegOpenKeyExA(addin.get(), name, 0, KEY_READ | KEY_SET_VALUE, key.Receive()) !=
        ERROR_SUCCESS) {
      continue;
    }
    std::vector<std::string> doomed;
    char value[512];
    for (DWORD j = 0;; ++j) {
      DWORD value_size = sizeof value;
      if (RegEnumValueA(key.get(), j, value, &value_size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      if (utf8::TextContains(value, program)) doomed.emplace_back(value);
    }
    for (const std::string& v : doomed)
      RegDeleteValueA(key.get(), v.c_str());
  }
}

constexpr char kWineDriver[] = "Wine PostScript Driver";

// Wine's AddPrinter refuses a printer whose driver is not registered, and a prefix without CUPS
// printers has none: Wine's PostScript driver is registered with the generic PPD file that
// winspool.drv carries as resource PPDFILE 1.
bool RegisterWineDriver() {
  char ppd[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, ppd);
  if (length == 0 || length + sizeof "generic.ppd" > MAX_PATH) return false;
  lstrcatA(ppd, "generic.ppd");
  bool written = false;
  if (HMODULE spool = LoadLibraryExA("winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    HRSRC resource = FindResourceA(spool, MAKEINTRESOURCEA(1), "PPDFILE");
    HGLOBAL data = resource ? LoadResource(spool, resource) : nullptr;
    const DWORD size = resource ? SizeofResource(spool, resource) : 0;
    if (data && size) {
      HANDLE file = CreateFileA(ppd, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written = WriteFile(file, LockResource(data), size, &done, nullptr) && done == size;
        CloseHandle(file);
      }
    }
    FreeLibrary(spool);
  }
  if (!written) return false;
  std::string name = kWineDriver, wineps = "wineps.drv", raw = "RAW";
  DRIVER_INFO_3A driver{};
  driver.cVersion = 3;
  driver.pName = name.data();
  driver.pDriverPath = wineps.data();
  driver.pDataFile = ppd;  // copied into the spooler's driver folder
  driver.pConfigFile = wineps.data();
  driver.pDefaultDataType = raw.data();
  return AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                             APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
}

// The installed printers also in Windows' spooler, where the add-in reads a printer's port.
// Only the returned handles tell success: Wine leaves stale last-error codes on success.
void InstallInSpooler(const std::vector<Printer>& printers) {
  bool driver_ready = false;
  for (const Printer& printer : printers) {
    std::string name = Utf8ToAnsi(printer.name);
    HANDLE handle = nullptr;
    if (OpenPrinterA(name.data(), &handle, nullptr)) {
      ClosePrinter(handle);
      continue;
    }
    if (!driver_ready && !(driver_ready = RegisterWineDriver())) {
      std::fprintf(stderr, "officesim: could not register the %s (error %lu)\n", kWineDriver,
                   GetLastError());
    }
    std::string port = Utf8ToAnsi(printer.port), driver = kWineDriver, processor = "WinPrint",
                datatype = "RAW";
    PRINTER_INFO_2A info{};
    info.pPrinterName = name.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = datatype.data();
    if (HANDLE added = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) {
      ClosePrinter(added);
    } else {
      std::fprintf(stderr, "officesim: the spooler refused printer %s (error %lu)\n",
                   printer.name.c_str(), GetLastError());
    }
  }
}

// The file names of the DLLs loaded in this process from one of the folders (full paths ending
// in a backslash), in any letter case.
std::set<std::string> ModulesIn(const std::set<std::wstring>& folders) {
  std::set<std::string> names;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return names;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry)) {
    const std::wstring path = entry.szExePath;
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) continue;
    std::wstring folder = path.substr(0, slash + 1);
    for (wchar_t& c : folder)
      c = towlower(c);
    if (folders.contains(folder)) names.insert(win32::Narrow(path.substr(slash + 1)));
  }
  CloseHandle(snapshot);
  return names;
}

// A text on one transcript line: each line break (CR LF, CR or LF) shows as "↵".
std::string OneLine(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\u21B5";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The add-in's bars and controls, and leftovers of its older versions in any letter case.
bool OursByName(const std::string& name) {
  return utf8::TextEquals(std::string_view(name).substr(0, 5), "Orvan");
}

std::string YesNo(bool value) {
  return value ? "True" : "False";
}

void DescribeControls(const ControlList& list, const std::string& where,
                      std::vector<std::string>& lines, bool all) {
  for (const auto& control : list.items) {
    const bool ours = OursByName(control->tag);
    if (all || ours) {
      std::string line = Quote(where) + " " + std::to_string(control->Index()) + " " +
                         (control->controls ? "popup" : "button") + " tag " + Quote(control->tag) +
                         " caption " + Quote(control->caption);
      if (control->face) line += " face " + Quote(*control->face);
      if (!control->enabled) line += " disabled";
      if (!control->visible) line += " hidden";
      if (control->begin_group) line += " group";
      lines.push_back("control " + line);
    }
    if (control->controls) {
      DescribeControls(*control->controls, where + "/" + control->caption, lines, all || ours);
    }
  }
}

}  // namespace

OfficeSession::OfficeSession(const HostProgram& host, SessionOptions options)
    : host_(host), options_(std::move(options)) {
  const auto temp = std::filesystem::temp_directory_path();
  const std::string id = std::to_string(GetCurrentProcessId());
  job_api_state_ = (temp / ("officesim-" + id + ".jobapi")).string();
  trace_file_ = (temp / ("officesim-" + id + ".trace")).string();
  WriteStateFile(job_api_state_, JobApiState{});
  _putenv(("ORVAN_JOBAPI_STATE=" + job_api_state_).c_str());

  if (options_.state_folder.empty()) ForgetHostValues(host_.program);
  world_->printers = {{"HP LaserJet 4", "LPT1:"}, {"Orvan pdf vatner", "Ne00:"}};
  world_->clipboard_face = ClipboardFace;
  world_->job_settings = [this] { return ReadStateFile(job_api_state_).stored_settings; };
  office_ = std::make_unique<FakeOfficeHost>(host_.type, world_);
  if (!options_.state_folder.empty()) {
    std::ifstream saved(std::filesystem::path(win32::Widen(StateFile())), std::ios::binary);
    if (saved) {
      std::stringstream text;
      text << saved.rdbuf();
      world_->command_bars(host_.type)->Load(text.str());
    }
  }
  office_->active_printer() = "HP LaserJet 4";

  // The window the add-in finds by its class.
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = HostWindowProcedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = host_.window_class;
  RegisterClassA(&window_class);
  window_ = reinterpret_cast<std::uintptr_t>(CreateWindowExA(
      0, host_.window_class, kHostNames[static_cast<int>(host_.type)].source, WS_OVERLAPPEDWINDOW,
      0, 0, 640, 480, nullptr, nullptr, window_class.hInstance, nullptr));
  SetWindowLongPtrA(reinterpret_cast<HWND>(window_), GWLP_USERDATA,
                    reinterpret_cast<LONG_PTR>(this));
  boxes_.emplace([this](const ShownMessageBox& box) {
    transcript_.Add("msgbox", Quote(AnsiToUtf8(box.title)) + " style " + std::to_string(box.style) +
                                  " " + Quote(OneLine(AnsiToUtf8(box.text))));
    // Posted before the box's answer, so its loop delivers it while the box is still up.
    if (during_box_) PostMessageA(reinterpret_cast<HWND>(window_), kRunDuringBox, 0, 0);
  });
}

OfficeSession::~OfficeSession() {
  boxes_.reset();
  if (window_) {
    SetWindowLongPtrA(reinterpret_cast<HWND>(window_), GWLP_USERDATA, 0);
    DestroyWindow(reinterpret_cast<HWND>(window_));
  }
  _putenv("ORVAN_JOBAPI_STATE=");
  _putenv("ORVAN_PDFVTADDINTRACE=");
  std::error_code ignored;
  std::filesystem::remove(job_api_state_, ignored);
  std::filesystem::remove(trace_file_, ignored);
}

const std::map<std::string, OfficeSession::Step>& OfficeSession::Steps() {
  static const std::map<std::string, Step> steps = {
      {"host", &OfficeSession::Host},
      {"printer", &OfficeSession::Printer},
      {"joiner", &OfficeSession::Joiner},
      {"open", &OfficeSession::OpenDocument},
      {"close-documents", &OfficeSession::CloseDocuments},
      {"start", &OfficeSession::Start},
      {"close", &OfficeSession::Close},
      {"restart", &OfficeSession::Restart},
      {"click", &OfficeSession::Click},
      {"print-button", &OfficeSession::PrintButton},
      {"user", &OfficeSession::User},
      {"clipboard", &OfficeSession::Clipboard},
      {"show", &OfficeSession::Show},
      {"jobapi", &OfficeSession::JobApi},
      {"fail", &OfficeSession::Fail},
      {"trace", &OfficeSession::Trace},
      {"verbose", &OfficeSession::Verbose},
      {"macro", &OfficeSession::Macro},
      {"addin-record", &OfficeSession::AddinRecordStep},
      {"registry", &OfficeSession::Registry},
      {"during", &OfficeSession::During},
      {"expect", &OfficeSession::Expect},
  };
  return steps;
}

int OfficeSession::Run(const std::vector<ScenarioStep>& steps) {
  int result = 0;
  for (const ScenarioStep& step : steps) {
    if (step.words.front() != "expect") {
      transcript_.Add("step", step.file + ":" + std::to_string(step.line) + " " + step.text);
    }
    try {
      const auto found = Steps().find(step.words.front());
      if (found == Steps().end()) Refuse(step, "unknown step '" + step.words.front() + "'");
      (this->*found->second)(step);
      if (during_box_error_) std::rethrow_exception(std::exchange(during_box_error_, nullptr));
      Collect();
    } catch (const std::exception& e) {
      Collect();
      const std::string where = step.file + ":" + std::to_string(step.line);
      const auto* scenario_error = dynamic_cast<const ScenarioError*>(&e);
      transcript_.Add("error", scenario_error ? e.what() : where + ": " + e.what());
      result = 2;
      break;
    }
  }
  if (started_) {
    transcript_.Add("step", "(end of scenario) close");
    CloseHost();
    Collect();
  }
  if (!options_.state_folder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(win32::Widen(options_.state_folder), ignored);
    std::ofstream(std::filesystem::path(win32::Widen(StateFile())), std::ios::binary)
        << world_->command_bars(host_.type)->Save();
  }
  // How often each scripted host failure played: one that never did names no member called.
  for (const auto& [key, failure] : world_->failures())
    transcript_.Add("fault", Quote(key) + " played " + std::to_string(failure.played));
  // Failures after the last expect fail the scenario too.
  Expect(ScenarioStep{"(end of scenario)", 0, "expect", {"expect"}, {}});
  if (result == 0 && expect_failures_ > 0) result = 1;
  return result;
}

std::string OfficeSession::StateFile() const {
  return options_.state_folder + "\\" + host_.program + ".bars";
}

void OfficeSession::Host(const ScenarioStep& step) {
  const HostProgram* wanted = HostByWord(Argument(step, 1, "host: word, excel or powerpoint"));
  if (wanted == nullptr) Refuse(step, "unknown host '" + step.words[1] + "'");
  if (wanted != &host_) {
    Refuse(step, std::string("this host is ") + host_.word + "; run " + wanted->program + " for " +
                     wanted->word);
  }
}

void OfficeSession::Printer(const ScenarioStep& step) {
  if (!printers_given_) world_->printers.clear();
  printers_given_ = true;
  const std::string name = Argument(step, 1, "printer name");
  world_->printers.emplace_back(name, Option(step, "port").value_or("LPT1:"));
  if (HasWord(step, "active")) office_->active_printer() = name;
}

void OfficeSession::Joiner(const ScenarioStep& step) {
  const std::string& language = Argument(step, 1, "joiner: german or english");
  if (language == "german") {
    world_->port_joiner = " auf ";
  } else if (language == "english") {
    world_->port_joiner = " on ";
  } else {
    Refuse(step, "joiner: german or english, not '" + language + "'");
  }
}

void OfficeSession::OpenDocument(const ScenarioStep& step) {
  DocumentData document =
      HasWord(step, "no-properties") ? DocumentData::WithoutProperties() : DocumentData();
  document.name = Argument(step, 1, "document name");
  document.path = Option(step, "folder").value_or("");
  const std::pair<const char*, std::int32_t> properties[] = {
      {"title", 1}, {"subject", 2}, {"author", 3}, {"keywords", 4}};
  for (const auto& [key, index] : properties) {
    if (const auto value = Option(step, key)) document.properties[index] = *value;
  }
  if (const auto slides = Option(step, "slides")) document.slides = Number(step, *slides);
  if (!document.path.empty()) {
    std::error_code ignored;  // the document was saved there, so the folder exists
    std::filesystem::create_directories(win32::Widen(document.path), ignored);
  }
  office_->Open(std::move(document));
  // A new active window: Office updates its command bars.
  if (started_) {
    ReportEventErrors();
    world_->command_bars(host_.type)->RaiseOnUpdate();
    ReportEventErrors();
  }
}

void OfficeSession::CloseDocuments(const ScenarioStep&) {
  office_->CloseAll();
}

void OfficeSession::Start(const ScenarioStep& step) {
  if (started_) Refuse(step, "the host runs already");
  StartHost();
}

void OfficeSession::Close(const ScenarioStep& step) {
  if (!started_) Refuse(step, "the host is not running");
  CloseHost();
}

void OfficeSession::Restart(const ScenarioStep& step) {
  Close(step);
  StartHost();
}

void OfficeSession::StartHost() {
  InstallInSpooler(world_->printers);
  application_ = win32::ComPtr<IDispatch>::Adopt(win32::ExposeObject(office_->application()));
  started_ = true;
  for (const AddinRecord& record : ReadAddinRecords(host_.addins_key)) {
    if (!LoadsAtStartup(record)) continue;
    // Office's resiliency: an add-in is noted before it connects and the note taken back after;
    // a note found at start means the host ended while that add-in connected.
    const std::string startup = ResiliencyKey("StartupItems");
    const std::string disabled = ResiliencyKey("DisabledItems");
    if (RegGetValueA(HKEY_CURRENT_USER, disabled.c_str(), record.prog_id.c_str(), RRF_RT_ANY,
                     nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      transcript_.Add("load", record.prog_id + " skipped: hard-disabled");
      continue;
    }
    if (RegGetValueA(HKEY_CURRENT_USER, startup.c_str(), record.prog_id.c_str(), RRF_RT_ANY,
                     nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      RegDeleteKeyValueA(HKEY_CURRENT_USER, startup.c_str(), record.prog_id.c_str());
      RegSetKeyValueA(HKEY_CURRENT_USER, disabled.c_str(), record.prog_id.c_str(), REG_SZ, "", 1);
      transcript_.Add(
          "load", record.prog_id + " hard-disabled: the host ended while it connected last time");
      continue;
    }
    RegSetKeyValueA(HKEY_CURRENT_USER, startup.c_str(), record.prog_id.c_str(), REG_SZ, "", 1);
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    HRESULT hr = E_FAIL;
    auto addin = ConnectedAddin::Connect(record, application_.get(), world_, &hr);
    QueryPerformanceCounter(&after);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, startup.c_str(), record.prog_id.c_str());
    const int ms = static_cast<int>(Milliseconds(before, after));
    transcript_.Add("timing", record.prog_id + " OnConnection " + std::to_string(ms) +
                                  " ms (Office allows " + std::to_string(kStartupLimitMs) + " ms)" +
                                  (ms > kStartupLimitMs ? " too slow" : ""));
    if (!addin) {
      // Office's resiliency: an add-in that failed to connect is not loaded at the next start.
      const std::string key = std::string("Software\\Microsoft\\Office\\") + host_.addins_key +
                              "\\Addins\\" + record.prog_id;
      const DWORD behavior = 2;
      RegSetKeyValueA(record.per_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, key.c_str(),
                      "LoadBehavior", REG_DWORD, &behavior, sizeof behavior);
      transcript_.Add(
          "load", record.prog_id + " failed " + Hresult(hr) + ": soft-disabled (LoadBehavior 2)");
      continue;
    }
    transcript_.Add("load", record.prog_id + " connected");
    addins_.push_back(std::move(addin));
  }
  for (const auto& addin : addins_)
    ReportAddinError(*addin, "OnAddInsUpdate", addin->AddInsUpdate());
  for (const auto& addin : addins_)
    ReportAddinError(*addin, "OnStartupComplete", addin->StartupComplete());
}

void OfficeSession::ReportAddinError(const ConnectedAddin& addin, const char* event, HRESULT hr) {
  // Office goes on whatever these return; a failure is the add-in's error reaching the host.
  if (FAILED(hr))
    transcript_.Add("addin-error", addin.record().prog_id + " " + event + " " + Hresult(hr));
}

void OfficeSession::CloseHost() {
  std::set<std::wstring> folders;  // of the add-ins' DLLs, lower case
  for (const auto& addin : addins_) {
    std::wstring folder = addin->module_path().substr(0, addin->module_path().rfind(L'\\') + 1);
    for (wchar_t& c : folder)
      c = towlower(c);
    if (!folder.empty()) folders.insert(folder);
  }
  for (const auto& addin : addins_)
    ReportAddinError(*addin, "OnBeginShutdown", addin->BeginShutdown());
  for (const auto& addin : addins_) {
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    const HRESULT hr = addin->Disconnect(ext_dm_HostShutdown);
    QueryPerformanceCounter(&after);
    const int ms = static_cast<int>(Milliseconds(before, after));
    transcript_.Add("timing", addin->record().prog_id + " OnDisconnection " + std::to_string(ms) +
                                  " ms (Office allows " + std::to_string(kShutdownLimitMs) +
                                  " ms)" + (ms > kShutdownLimitMs ? " too slow" : ""));
    transcript_.Add("unload",
                    addin->record().prog_id +
                        (SUCCEEDED(hr) ? std::string(" disconnected") : " failed " + Hresult(hr)));
  }
  const std::set<std::string> loaded = ModulesIn(folders);
  addins_.clear();
  application_.Reset();
  started_ = false;
  if (options_.free_unused) {
    // Office frees the libraries of released add-ins when idle; one that any object of its own
    // still keeps alive (an event sink the host holds, a lock) stays.
    CoFreeUnusedLibrariesEx(0, 0);
    const std::set<std::string> left = ModulesIn(folders);
    for (const std::string& name : loaded)
      transcript_.Add("module",
                      Quote(name) + (left.contains(name) ? " still loaded" : " unloaded"));
  }
  // What Office keeps of its command bars for the next start.
  world_->command_bars(host_.type)->Restart();
}

FakeControl* OfficeSession::FindControl(const std::string& tag_or_caption) const {
  for (FakeBar* bar : world_->command_bars(host_.type)->Bars()) {
    if (bar->deleted) continue;
    if (FakeControl* control = bar->controls->Find(tag_or_caption)) return control;
  }
  return nullptr;
}

void OfficeSession::ReportEventErrors() {
  const auto& store = world_->command_bars(host_.type);
  for (const VbError& error : store->event_errors) {
    transcript_.Add("event-error",
                    std::to_string(error.number()) + " " + Quote(error.description()));
  }
  store->event_errors.clear();
}

void OfficeSession::Click(const ScenarioStep& step) {
  const std::string& name = Argument(step, 1, "control tag or caption");
  FakeControl* control = FindControl(name);
  if (control == nullptr && HasWord(step, "if-present")) {
    transcript_.Add("click-skipped", Quote(name) + " is not there");
    return;
  }
  if (control == nullptr) Refuse(step, "no control with tag or caption " + Quote(name));
  // A modal box owned by the host's window disables it: the user's click does not reach it.
  if (!IsWindowEnabled(reinterpret_cast<HWND>(window_))) {
    transcript_.Add("ignored", "click " + Quote(name) + ": the host's window is disabled");
    return;
  }
  const auto& store = world_->command_bars(host_.type);
  ReportEventErrors();
  const bool cancelled = store->UserClicks(*control);
  ReportEventErrors();
  if (cancelled) transcript_.Add("cancel-default", "True");
}

void OfficeSession::PrintButton(const ScenarioStep& step) {
  const std::string& state = Argument(step, 1, "print-button: enabled or disabled");
  const FakeBar* standard = world_->command_bars(host_.type)->Bar("Standard");
  FakeControl* button = standard ? standard->controls->FindId(2521) : nullptr;
  if (button == nullptr) Refuse(step, "this host has no print button on \"Standard\"");
  button->enabled = state == "enabled";
  ReportEventErrors();
  world_->command_bars(host_.type)->RaiseOnUpdate();
  ReportEventErrors();
}

void OfficeSession::User(const ScenarioStep& step) {
  const auto& store = world_->command_bars(host_.type);
  const std::string& action = Argument(step, 1, "what the user does");
  FakeBar* toolbar = store->Bar("Orvan pdf vatner Toolbar");
  auto need_toolbar = [&] {
    if (toolbar == nullptr) Refuse(step, "there is no toolbar \"Orvan pdf vatner Toolbar\"");
  };
  if (action == "move-toolbar") {
    need_toolbar();
    const std::pair<const char*, std::int32_t> positions[] = {
        {"left", 0}, {"top", 1}, {"right", 2}, {"bottom", 3}, {"floating", 4}};
    const std::string& where =
        Argument(step, 2, "move-toolbar: top, bottom, left, right or floating");
    const auto found = std::find_if(std::begin(positions), std::end(positions),
                                    [&](const auto& p) { return where == p.first; });
    if (found == std::end(positions)) Refuse(step, "no such position '" + where + "'");
    store->UserMovesBar(*toolbar, found->second, Number(step, Option(step, "row").value_or("1")),
                        Number(step, Option(step, "x").value_or("0")),
                        Number(step, Option(step, "y").value_or("0")));
  } else if (action == "hide-toolbar") {
    need_toolbar();
    toolbar->visible = false;
  } else if (action == "delete-toolbar") {
    need_toolbar();
    store->UserDeletesBar(*toolbar);
  } else if (action == "delete-bar") {
    FakeBar* bar = store->Bar(Argument(step, 2, "bar name"));
    if (bar == nullptr) Refuse(step, "no bar " + Quote(step.words[2]));
    store->UserDeletesBar(*bar);
  } else if (action == "move-menu") {
    // The user drags the add-in's menu to another place on the menu bar.
    FakeControl* menu = FindControl("Orvan pdf vatner");
    if (menu == nullptr) Refuse(step, "there is no menu tagged \"Orvan pdf vatner\"");
    const auto list = menu->parent.lock();
    store->UserMovesControl(*menu, *list, Number(step, Argument(step, 2, "place on the menu bar")));
  } else if (action == "add-bar") {
    store->UserAddsBar(Argument(step, 2, "bar name"));
  } else if (action == "add-control") {
    // To a bar (its name as written first, as bars may repeat a name in other letters) or into a
    // menu by its tag or caption; `popup` adds a menu, as Customize's "New Menu" does.
    const std::string where = Option(step, "to").value_or("Standard");
    const auto bars = store->Bars();
    const auto exact = std::find_if(bars.begin(), bars.end(), [&](const FakeBar* b) {
      return !b->deleted && b->name == where;
    });
    FakeBar* bar = exact != bars.end() ? *exact : store->Bar(where);
    FakeControl* menu = bar ? nullptr : FindControl(where);
    if (bar == nullptr && (menu == nullptr || !menu->controls))
      Refuse(step, "no bar or menu " + Quote(where));
    store->UserAddsControl(bar ? *bar->controls : *menu->controls,
                           HasWord(step, "popup") ? mso::kControlPopup : mso::kControlButton,
                           Argument(step, 2, "tag"), Option(step, "caption").value_or(""));
  } else if (action == "delete-control") {
    FakeControl* control = FindControl(Argument(step, 2, "control tag or caption"));
    if (control == nullptr) Refuse(step, "no control " + Quote(step.words[2]));
    store->UserDeletesControl(*control);
  } else {
    Refuse(step, "unknown user action '" + action + "'");
  }
}

void OfficeSession::Clipboard(const ScenarioStep& step) {
  const std::string& what = Argument(step, 1, "clipboard: empty, text T, picture WxH #RRGGBB");
  const auto text = Option(step, "text");
  const auto picture = Option(step, "picture");
  if (what != "empty" && !text && !picture) {
    Refuse(step, "clipboard: empty, text T or picture WxH #RRGGBB, not '" + what + "'");
  }
  int width = 0, height = 0;
  unsigned rgb = 0;
  if (picture && std::sscanf(picture->c_str(), "%dx%d #%x", &width, &height, &rgb) != 3) {
    Refuse(step, "a picture is given as WxH #RRGGBB, not " + Quote(*picture));
  }
  if (!OpenClipboard(nullptr)) Refuse(step, "the clipboard cannot be opened");
  EmptyClipboard();
  if (text) {
    const std::string ansi = Utf8ToAnsi(*text);
    if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, ansi.size() + 1)) {
      std::memcpy(GlobalLock(memory), ansi.c_str(), ansi.size() + 1);
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
  }
  if (picture && width > 0 && height > 0) {
    // A picture of one colour (the pixels of a 32-bit bitmap are 0x00RRGGBB).
    const std::vector<std::uint32_t> bits(static_cast<std::size_t>(width * height), rgb);
    if (const HBITMAP bitmap = CreateBitmap(width, height, 1, 32, bits.data())) {
      if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);  // else the clipboard's
    }
  }
  CloseClipboard();
}

void OfficeSession::Show(const ScenarioStep& step) {
  const std::string& what = Argument(step, 1, "show: bars, registry, clipboard or printer");
  if (what == "bars") {
    show_bars_ = true;  // written by Collect, changed or not
  } else if (what == "registry") {
    show_registry_ = true;
  } else if (what == "clipboard") {
    std::string line = ClipboardFace() ? "picture " + Quote(*ClipboardFace()) : "no picture";
    if (OpenClipboard(nullptr)) {
      if (const HANDLE text = GetClipboardData(CF_TEXT)) {
        if (const auto* chars = static_cast<const char*>(GlobalLock(text))) {
          line += " text " + Quote(AnsiToUtf8(chars));
          GlobalUnlock(text);
        }
      }
      CloseClipboard();
    }
    transcript_.Add("clipboard", line);
  } else if (what == "printer") {
    transcript_.Add("printer", Quote(office_->active_printer()));
  } else {
    Refuse(step, "show: bars, registry, clipboard or printer, not '" + what + "'");
  }
}

void OfficeSession::JobApi(const ScenarioStep& step) {
  JobApiState state = ReadStateFile(job_api_state_);
  const std::string& what = Argument(step, 1, "jobapi: language, printer, dialog or fail");
  if (what == "language") {
    state.language_id = Argument(step, 2, "language id");
  } else if (what == "printer") {
    state.printer_installed = Argument(step, 2, "printer: installed or missing") == "installed";
  } else if (what == "dialog") {
    state.dialog_outcome = Argument(step, 2, "dialog: accept or cancel") == "accept" ? 1 : 0;
  } else if (what == "fail") {
    Failure failure;
    failure.error_number = Number(step, Option(step, "number").value_or("1"));
    failure.error_text = Option(step, "text").value_or(failure.error_text);
    Repetition(step, &failure.remaining, &failure.after);
    state.failures[Argument(step, 2, "export name")] = failure;
  } else {
    Refuse(step, "jobapi: language, printer, dialog or fail, not '" + what + "'");
  }
  WriteStateFile(job_api_state_, state);
}

void OfficeSession::Fail(const ScenarioStep& step) {
  HostFailure failure;
  failure.number = Number(step, Option(step, "number").value_or("5"));
  failure.description = Option(step, "description").value_or("Invalid procedure call or argument");
  failure.source = Option(step, "source").value_or(kHostNames[static_cast<int>(host_.type)].source);
  Repetition(step, &failure.remaining, &failure.after);
  world_->Fail(Argument(step, 1, "Object.Member"), failure);
}

void OfficeSession::Trace(const ScenarioStep& step) {
  // trace on [PATH]: the session's own trace file, or a path of the scenario's (which the
  // transcript does not read).
  const bool on = Argument(step, 1, "trace: on or off") == "on";
  const std::string path = step.words.size() > 2 ? Utf8ToAnsi(step.words[2]) : trace_file_;
  _putenv(("ORVAN_PDFVTADDINTRACE=" + (on ? path : std::string())).c_str());
}

void OfficeSession::Verbose(const ScenarioStep& step) {
  options_.verbose = Argument(step, 1, "verbose: on or off") == "on";
  journal_read_ = world_->journal.size();
}

std::string OfficeSession::ResiliencyKey(const char* list) const {
  return std::string("Software\\Microsoft\\Office\\16.0\\") + host_.addins_key + "\\Resiliency\\" +
         list;
}

void OfficeSession::AddinRecordStep(const ScenarioStep& step) {
  const std::string& prog_id = Argument(step, 1, "ProgID");
  const HKEY root = HasWord(step, "machine") ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const std::string key =
      std::string("Software\\Microsoft\\Office\\") + host_.addins_key + "\\Addins\\" + prog_id;
  // Listed anew, the add-in is no longer disabled, as after the user enables it again.
  for (const char* list : {"StartupItems", "DisabledItems"})
    RegDeleteKeyValueA(HKEY_CURRENT_USER, ResiliencyKey(list).c_str(), prog_id.c_str());
  if (HasWord(step, "remove")) {
    RegDeleteTreeA(root, key.c_str());
    return;
  }
  const DWORD behavior =
      static_cast<DWORD>(Number(step, Option(step, "load-behavior").value_or("3")));
  if (RegSetKeyValueA(root, key.c_str(), "LoadBehavior", REG_DWORD, &behavior, sizeof behavior) !=
          ERROR_SUCCESS ||
      RegSetKeyValueA(root, key.c_str(), "FriendlyName", REG_SZ, prog_id.c_str(),
                      static_cast<DWORD>(prog_id.size() + 1)) != ERROR_SUCCESS) {
    Refuse(step, "cannot write the add-in record " + key);
  }
}

void OfficeSession::Registry(const ScenarioStep& step) {
  // registry KEY VALUE [name NAME] | registry KEY remove [name NAME]: a value of the add-in's
  // under the product key, named by default, as the add-in names it, by this host program's path.
  const std::string key = std::string(kProductKey) + "\\" + Argument(step, 1, "key");
  const std::string& value = Argument(step, 2, "value or remove");
  std::string name;
  if (const auto given = Option(step, "name")) {
    name = Utf8ToAnsi(*given);
  } else {
    char program[MAX_PATH];
    name.assign(program, GetModuleFileNameA(nullptr, program, MAX_PATH));
  }
  if (value == "remove") {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str());
    return;
  }
  // As regedit or reg add store it: a text with its terminating zero (a multi-string with two),
  // binary data as the text's bytes, a DWORD as the number; "unterminated" leaves the zeros off,
  // as the add-in itself stores its texts.
  const std::string type = Option(step, "type").value_or("REG_SZ");
  std::string data = Utf8ToAnsi(value);
  DWORD kind = REG_SZ;
  if (type == "REG_SZ" || type == "REG_EXPAND_SZ" || type == "REG_MULTI_SZ") {
    kind = type == "REG_SZ" ? REG_SZ : type == "REG_EXPAND_SZ" ? REG_EXPAND_SZ : REG_MULTI_SZ;
    if (!HasWord(step, "unterminated")) data.append(kind == REG_MULTI_SZ ? 2 : 1, '\0');
  } else if (type == "REG_BINARY") {
    kind = REG_BINARY;
  } else if (type == "REG_DWORD") {
    kind = REG_DWORD;
    const auto n = static_cast<DWORD>(Number(step, value));
    data.assign(reinterpret_cast<const char*>(&n), sizeof n);
  } else {
    Refuse(step,
           "registry type: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY or REG_DWORD, not '" +
               type + "'");
  }
  // RegSetValueExA takes a zero right behind a text as its forgotten terminator: a byte that is
  // no zero goes there, so that exactly the data given is stored.
  std::vector<char> bytes(data.begin(), data.end());
  bytes.push_back('\xFF');
  if (RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), kind, bytes.data(),
                      static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
    Refuse(step, "cannot write " + Quote(name) + " under " + key);
  }
}

void OfficeSession::During(const ScenarioStep& step) {
  if (Argument(step, 1, "during: msgbox") != "msgbox") Refuse(step, "during: msgbox STEP...");
  ScenarioStep kept = step;
  kept.words.erase(kept.words.begin(), kept.words.begin() + 2);
  if (kept.words.empty()) Refuse(step, "during msgbox: which step runs while the box is up");
  if (!Steps().contains(kept.words.front()) || kept.words.front() == "expect" ||
      kept.words.front() == "during") {
    Refuse(step, "during msgbox: no such step '" + kept.words.front() + "'");
  }
  kept.text = kept.text.substr(kept.text.find(kept.words.front()));
  during_box_ = std::move(kept);
}

LRESULT CALLBACK OfficeSession::HostWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* session = reinterpret_cast<OfficeSession*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == kRunDuringBox && session != nullptr) {
    session->RunDuringBox();
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

void OfficeSession::RunDuringBox() {
  if (!during_box_) return;
  const ScenarioStep step = *std::exchange(during_box_, std::nullopt);
  transcript_.Add("step", "(while the box is up) " + step.text);
  // Nothing may leave a window procedure: the error ends the step that showed the box.
  try {
    (this->*Steps().at(step.words.front()))(step);
  } catch (...) {
    during_box_error_ = std::current_exception();
  }
}

void OfficeSession::Macro(const ScenarioStep& step) {
  if (!started_) Refuse(step, "a macro runs in a running host; start it first");
  const std::string& name = Argument(step, 1, "macro file");
  const std::filesystem::path file =
      std::filesystem::path(win32::Widen(options_.scenario_folder)) / win32::Widen(name);
  std::ifstream in(file, std::ios::binary);
  if (!in) Refuse(step, "cannot read the macro " + name);
  std::stringstream code;
  code << in.rdbuf();
  if (const auto error = RunMacro(code.str(), application_.get(), window_)) {
    transcript_.Add("macro-error", name + " line " + std::to_string(error->line) + ": " +
                                       std::to_string(error->number) + " " +
                                       Quote(error->description) +
                                       (error->text.empty() ? "" : " in " + Quote(error->text)));
  } else {
    transcript_.Add("macro", name + " ran to its end");
  }
}

void OfficeSession::Expect(const ScenarioStep& step) {
  const std::set<std::string> kinds(step.words.begin() + 1, step.words.end());
  if (const auto diff = transcript_.Compare(kinds, step.block)) {
    ++expect_failures_;
    std::istringstream lines(*diff);
    transcript_.Add("mismatch",
                    step.file + ":" + std::to_string(step.line) + " (- expected, + written)");
    for (std::string line; std::getline(lines, line);)
      transcript_.Add("|", line);
  }
}

void OfficeSession::Collect() {
  if (options_.verbose) {
    for (; journal_read_ < world_->journal.size(); ++journal_read_)
      transcript_.Add("call", world_->journal[journal_read_]);
  } else {
    journal_read_ = world_->journal.size();
  }
  // The trace's new lines, without their time stamps.
  std::ifstream trace(trace_file_, std::ios::binary);
  if (trace) {
    trace.seekg(static_cast<std::streamoff>(trace_read_));
    std::string line;
    while (std::getline(trace, line)) {
      trace_read_ += line.size() + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::size_t stamp = line.find(": ");
      transcript_.Add("trace",
                      AnsiToUtf8(stamp == std::string::npos ? line : line.substr(stamp + 2)));
    }
  }
  const JobApiState api = ReadStateFile(job_api_state_);
  for (; job_log_read_ < api.log.size(); ++job_log_read_)
    transcript_.Add("jobapi", AnsiToUtf8(api.log[job_log_read_]));
  for (; prints_read_ < world_->prints.size(); ++prints_read_) {
    const PrintRecord& print = world_->prints[prints_read_];
    transcript_.Add("print", print.host + " " + Quote(print.document) + " printer " +
                                 Quote(print.printer) + " " + print.arguments +
                                 (print.background ? " (in the background)" : ""));
    // The job API's stored settings when the host printed: what the printer driver used.
    std::string settings;
    for (const auto& [name, value] : print.job_settings)
      settings += " " + name + " " + Quote(AnsiToUtf8(value));
    transcript_.Add("job-settings", settings.substr(settings.empty() ? 0 : 1));
    WritePdf(print, api.printer_name);
  }
  const std::vector<std::string> bars = BarLines();
  if (bars != bars_shown_ || std::exchange(show_bars_, false)) {
    for (const std::string& line : bars)
      transcript_.Add(KindOf(line), line.substr(KindOf(line).size() + 1));
    if (bars.empty()) transcript_.Add("bars", "none of the add-in's");
    bars_shown_ = bars;
  }
  // Of the product's registry, what belongs to this host program.
  std::vector<std::string> registry;
  for (const std::string& line : ProductRegistry()) {
    if (utf8::TextContains(line, host_.program)) registry.push_back(line);
  }
  if (registry != registry_shown_ || std::exchange(show_registry_, false)) {
    for (const std::string& line : registry)
      transcript_.Add("registry", line);
    if (registry.empty()) transcript_.Add("registry", "(no values)");
    registry_shown_ = registry;
  }
}

void OfficeSession::WritePdf(const PrintRecord& print, const std::string& pdf_printer) {
  if (lstrcmpiA(print.printer.c_str(), pdf_printer.c_str()) != 0) return;
  auto setting = [&](const char* name) {
    const auto found = print.job_settings.find(name);
    return found == print.job_settings.end() ? std::string() : AnsiToUtf8(found->second);
  };
  PdfContent content{setting("Title"),
                     setting("Author"),
                     setting("Subject"),
                     setting("Keywords"),
                     {print.host + ": " + print.document, "Printed by Orvan pdf vatner"}};
  const std::string destination = setting("DestinationDirectory");
  const std::string folder =
      setting("SaveAction") == "1" && !destination.empty() ? destination : options_.output_folder;
  const std::filesystem::path directory(win32::Widen(folder));
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  const std::filesystem::path file =
      directory / win32::Widen(PdfFileName(content.title, print.document));
  std::ofstream(file, std::ios::binary) << RenderPdf(content);
  transcript_.Add("pdf", Quote(win32::Narrow(file.wstring())) + " title " + Quote(content.title) +
                             " author " + Quote(content.author) + " subject " +
                             Quote(content.subject) + " keywords " + Quote(content.keywords));
}

std::vector<std::string> OfficeSession::BarLines() const {
  std::vector<std::string> lines;
  for (const FakeBar* bar : world_->command_bars(host_.type)->Bars()) {
    if (bar->deleted) continue;
    const bool ours = OursByName(bar->name);
    if (ours) {
      lines.push_back("bar " + Quote(bar->name) + " position " + std::to_string(bar->position) +
                      " row " + std::to_string(bar->row) + " visible " + YesNo(bar->visible) +
                      (bar->temporary ? " temporary" : ""));
    }
    DescribeControls(*bar->controls, bar->name, lines, ours);
  }
  return lines;
}

}  // namespace orvan::sim
