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
#include "support/utf8.h"

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

// Posted to the host's window: run the step kept for the message box now shown.
constexpr UINT kRunDuringBox = WM_APP + 1;

}  // namespace
OfficeSession::OfficeSession(const HostProgram& host, SessionOptions options)
    : host_(host), options_(std::move(options)) {
  world_->clipboard_face = ClipboardFace;
  world_->before_access = [this] { Drain(); };
  world_->job_settings = [this] { return ReadStateFile(job_api_state_).stored_settings; };
  office_ = std::make_unique<FakeOfficeHost>(host_.type, world_);
  std::error_code absent;
  if (!options_.carry_file.empty() &&
      std::filesystem::exists(win32::Widen(options_.carry_file), absent)) {
    LoadCarry();
  } else {
    FreshInstallation();
  }

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
    Event("msgbox", Quote(Escaped(AnsiToUtf8(box.title))) + " style " + std::to_string(box.style) +
                        " " + Quote(Escaped(AnsiToUtf8(box.text))));
    // Posted before the box's answer, so its loop delivers it while the box is still up.
    if (during_box_) PostMessageA(reinterpret_cast<HWND>(window_), kRunDuringBox, 0, 0);
  });
}

void OfficeSession::FreshInstallation() {
  const auto temp = std::filesystem::temp_directory_path();
  const std::string id = std::to_string(GetCurrentProcessId());
  job_api_state_ = (temp / ("officesim-" + id + ".jobapi")).string();
  trace_file_ = (temp / ("officesim-" + id + ".trace")).string();
  ResetStateFiles(job_api_state_, JobApiState{});
  // A host that crashed under an earlier process of the same id left its trace behind.
  std::error_code ignored;
  std::filesystem::remove(trace_file_, ignored);
  _putenv(("ORVAN_JOBAPI_STATE=" + job_api_state_).c_str());

  if (options_.state_folder.empty()) ForgetHostValues(host_.program);
  world_->printers = {{"HP LaserJet 4", "LPT1:"}, {"Orvan pdf vatner", "Ne00:"}};
  if (!options_.state_folder.empty()) {
    std::ifstream saved(std::filesystem::path(win32::Widen(StateFile())), std::ios::binary);
    if (saved) {
      std::stringstream text;
      text << saved.rdbuf();
      world_->command_bars(host_.type)->Load(text.str());
    }
  }
  office_->active_printer() = "HP LaserJet 4";
}

OfficeSession::~OfficeSession() {
  world_->before_access = nullptr;  // objects handed out may outlive the session
  boxes_.reset();
  if (window_) {
    SetWindowLongPtrA(reinterpret_cast<HWND>(window_), GWLP_USERDATA, 0);
    DestroyWindow(reinterpret_cast<HWND>(window_));
  }
  _putenv("ORVAN_JOBAPI_STATE=");
  _putenv("ORVAN_PDFVTADDINTRACE=");
  if (handed_off_) return;  // the next host process goes on with them
  std::error_code ignored;
  RemoveStateFiles(job_api_state_);
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
  std::size_t first = 0;
  if (resume_step_) {
    first = *resume_step_;
    if (first >= steps.size()) throw std::runtime_error("the carry file does not fit the scenario");
    for (const ScenarioStep& step : steps) {
      if (during_line_ != 0 && step.line == during_line_) During(step);
    }
  }
  for (std::size_t i = first; i < steps.size(); ++i) {
    const ScenarioStep& step = steps[i];
    // The step that handed the run on wrote its line already; the new process starts the host.
    const bool resumed = resume_step_ && i == *resume_step_;
    if (!resumed && step.words.front() != "expect") {
      transcript_.Add("step", step.file + ":" + std::to_string(step.line) + " " + step.text);
    }
    try {
      if (resumed) {
        StartHost();
      } else {
        const auto found = Steps().find(step.words.front());
        if (found == Steps().end()) Refuse(step, "unknown step '" + step.words.front() + "'");
        (this->*found->second)(step);
      }
      if (during_box_error_) std::rethrow_exception(std::exchange(during_box_error_, nullptr));
      Collect();
    } catch (const HandOff&) {
      Collect();
      SaveCarry(i);
      handed_off_ = true;
      return kHandOffExit;
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
  StartHostOrHandOff(step);
}

void OfficeSession::Close(const ScenarioStep& step) {
  if (!started_) Refuse(step, "the host is not running");
  CloseHost();
}

void OfficeSession::Restart(const ScenarioStep& step) {
  Close(step);
  StartHostOrHandOff(step);
}

void OfficeSession::StartHostOrHandOff(const ScenarioStep& step) {
  if (!hosted_) {
    StartHost();
    return;
  }
  // The add-ins' modules, their per-thread state and COM's caches stay with this process, so
  // Office's next start is a new one.
  if (options_.carry_file.empty()) {
    Refuse(step,
           "the host starts again in a new process: run officesim.exe, which starts one "
           "per host run");
  }
  throw HandOff{};
}

void OfficeSession::StartHost() {
  InstallInSpooler(world_->printers);
  application_ = win32::ComPtr<IDispatch>::Adopt(win32::ExposeObject(office_->application()));
  started_ = true;
  hosted_ = true;
  for (const AddinRecord& record : ReadAddinRecords(host_.addins_key)) {
    if (LoadsAtStartup(record)) ConnectAtStartup(record);
  }
  for (const auto& addin : addins_)
    ReportAddinError(*addin, "OnAddInsUpdate", addin->AddInsUpdate());
  for (const auto& addin : addins_)
    ReportAddinError(*addin, "OnStartupComplete", addin->StartupComplete());
}

void OfficeSession::CloseHost() {
  // The host's macros end with it, and what they held goes.
  macros_.reset();
  const std::set<std::wstring> folders = AddinFolders();
  for (const auto& addin : addins_)
    ReportAddinError(*addin, "OnBeginShutdown", addin->BeginShutdown());
  for (const auto& addin : addins_)
    DisconnectAddin(*addin, ext_dm_HostShutdown);
  const std::set<std::string> loaded = ModulesIn(folders);
  addins_.clear();
  application_.Reset();
  started_ = false;
  FreeUnusedLibraries(folders, loaded);
  // What Office keeps of its command bars for the next start.
  world_->command_bars(host_.type)->Restart();
  Event("resources", DescribeResources(ReadProcessResources()));
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

// "Sim" in the host's macros: what the user does, from the middle of a macro, so that a macro
// and the user take turns. Sim.Click "TAG", Sim.Show "bars" (and the other things "show"
// writes), Sim.Wait MILLISECONDS (the host goes on dispatching its messages meanwhile).
class OfficeSession::SimHelper final : public Object {
 public:
  explicit SimHelper(OfficeSession& session) : session_(session) {}
  Value Get(const std::string& member, const Args& args) override { return Call(member, args); }
  void Put(const std::string&, const Value&, const Args&) override {
    throw VbError::Runtime(vberr::kMemberNotFound, "officesim");
  }
  Value Call(const std::string& member, const Args& args) override {
    if (args.positional.size() != 1 || !args.named.empty()) {
      throw VbError::Runtime(vberr::kWrongArgumentCount, "officesim");
    }
    const std::string argument = ToText(args.positional[0]);
    try {
      if (utf8::TextEquals(member, "Click")) {
        session_.Click(Step({"click", argument}));
      } else if (utf8::TextEquals(member, "Show")) {
        session_.Show(Step({"show", argument}));
        session_.Collect();
      } else if (utf8::TextEquals(member, "Wait")) {
        Wait(ToLong(args.positional[0]));
      } else {
        throw VbError::Runtime(vberr::kMemberNotFound, "officesim");
      }
    } catch (const ScenarioError& e) {
      throw VbError(vberr::kInvalidProcedureCall, e.what(), "officesim");
    }
    return Value();
  }

 private:
  static ScenarioStep Step(std::vector<std::string> words) {
    std::string text;
    for (const std::string& word : words)
      text += (text.empty() ? "" : " ") + Quote(word);
    return ScenarioStep{"(macro)", 0, text, std::move(words), {}};
  }
  static void Wait(std::int32_t milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(milliseconds, 0));
    do {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      Sleep(5);
    } while (GetTickCount64() < end);
  }

  OfficeSession& session_;
};

void OfficeSession::Macro(const ScenarioStep& step) {
  if (!started_) Refuse(step, "a macro runs in a running host; start it first");
  const std::string& name = Argument(step, 1, "macro file");
  const std::filesystem::path file =
      std::filesystem::path(win32::Widen(options_.scenario_folder)) / win32::Widen(name);
  std::ifstream in(file, std::ios::binary);
  if (!in) Refuse(step, "cannot read the macro " + name);
  std::stringstream code;
  code << in.rdbuf();
  // One engine per host session, as one VBA project: what a macro keeps lives on.
  MacroError failure;
  if (!macros_) {
    const auto helper =
        win32::ComPtr<IDispatch>::Adopt(win32::ExposeObject(std::make_shared<SimHelper>(*this)));
    macros_ = MacroEngine::Create(application_.get(), helper.get(), window_, &failure);
  }
  const std::optional<MacroError> error =
      macros_ ? macros_->Run(code.str()) : std::optional<MacroError>(failure);
  if (error) {
    Event("macro-error", name + " line " + std::to_string(error->line) + ": " +
                             std::to_string(error->number) + " " + Quote(error->description) +
                             (error->text.empty() ? "" : " in " + Quote(error->text)));
  } else {
    Event("macro", name + " ran to its end");
  }
}

void OfficeSession::Expect(const ScenarioStep& step) {
  // expect [in-order] [KIND...]: in-order compares the lines as they happened, else by kind
  // within each step.
  std::set<std::string> kinds(step.words.begin() + 1, step.words.end());
  const bool in_order = kinds.erase("in-order") > 0;
  if (const auto diff = transcript_.Compare(kinds, step.block, in_order)) {
    ++expect_failures_;
    std::istringstream lines(*diff);
    transcript_.Add("mismatch",
                    step.file + ":" + std::to_string(step.line) + " (- expected, + written)");
    for (std::string line; std::getline(lines, line);)
      transcript_.Add("|", line);
  }
}

}  // namespace orvan::sim
