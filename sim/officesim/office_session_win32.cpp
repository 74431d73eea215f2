#include "sim/officesim/office_session_win32.h"

#include <algorithm>
#include <cstdio>
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
#include "sim/officesim/host_system_win32.h"
#include "sim/officesim/macro_runner_win32.h"
#include "support/ansi_text.h"

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

constexpr int kStartupLimitMs = 1000;  // what Office allows an add-in's OnConnection
constexpr int kShutdownLimitMs = 500;  // and its OnDisconnection
// Posted to the host's window: run the step kept for the message box now shown.
constexpr UINT kRunDuringBox = WM_APP + 1;

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
      {"returns", &OfficeSession::Returns},
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
  // How often each scripted host failure and value played: one that never did names no member
  // called.
  for (const auto& [key, failure] : world_->failures())
    transcript_.Add("fault", Quote(key) + " played " + std::to_string(failure.repeat.played));
  for (const auto& [key, given] : world_->returns())
    transcript_.Add("fault", Quote(key) + " returned " + std::to_string(given.repeat.played));
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

}  // namespace orvan::sim
