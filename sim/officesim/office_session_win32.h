// One run of a simulated Office host: a fake Word, Excel or PowerPoint served through COM, the
// COM add-ins its registry lists loaded as Office loads them, and a scenario's steps played
// against it, with everything a user or a developer would see written to a transcript.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/com_win32.h"
#include "sim/office/fake_office.h"
#include "sim/officesim/com_addin_host_win32.h"
#include "sim/officesim/host_system_win32.h"
#include "sim/officesim/macro_runner_win32.h"
#include "sim/officesim/message_boxes_win32.h"
#include "sim/officesim/scenario.h"
#include "sim/officesim/transcript.h"

namespace orvan::sim {

struct SessionOptions {
  // Where the PDF printer saves a print whose job names no destination.
  std::string output_folder = "C:\\PDF";
  // Every member call of the add-in on the host, as "call" lines.
  bool verbose = false;
  // The folder macros are read from ("macro FILE"), the scenario's own.
  std::string scenario_folder;
  // Where the host keeps its command bars between runs ("<PROGRAM>.bars"); empty: each run is a
  // new installation of the host, its bars Office's first ones and its add-in values forgotten.
  std::string state_folder;
  // After each close, unused COM libraries are freed as Office does when idle, and every DLL of
  // the closed add-ins' folders is written as a "module" line: unloaded or still loaded.
  bool free_unused = false;
  // Where a host run hands the rest of the scenario on to the next host process: a start after
  // a close (and a restart) is a new process, as Office's own start is. officesim.exe names it
  // for the host programs it runs; empty: the host cannot start twice.
  std::string carry_file;
  // Where `show window FILE.png` writes a picture whose name is not a full path; empty: the
  // current folder.
  std::string picture_folder;
};

// The exit code of a host process that handed the scenario on to the next one.
inline constexpr int kHandOffExit = 64;

// The host's names as Office has them: the program, its window class and its add-in key.
struct HostProgram {
  HostType type;
  const char* word;          // as a scenario names it: "word"
  const char* program;       // "WINWORD.EXE"
  const char* window_class;  // "OpusApp"
  const char* addins_key;    // "Word", as in Software\Microsoft\Office\Word\Addins
};
extern const HostProgram kHostPrograms[3];
const HostProgram* HostByWord(const std::string& word);
const HostProgram* HostByProgram(const std::string& program);

class OfficeSession {
 public:
  OfficeSession(const HostProgram& host, SessionOptions options);
  ~OfficeSession();
  OfficeSession(const OfficeSession&) = delete;
  OfficeSession& operator=(const OfficeSession&) = delete;

  // Plays the steps in order. A step that cannot run ends the scenario with an "error" line;
  // the host then still closes in order. 0: every expect matched, 1: an expect failed, 2: a
  // step could not run, kHandOffExit: the host is to start again in a new process, which goes
  // on from the carry file.
  int Run(const std::vector<ScenarioStep>& steps);
  const Transcript& transcript() const { return transcript_; }

 private:
  using Step = void (OfficeSession::*)(const ScenarioStep&);
  class SimHelper;
  static const std::map<std::string, Step>& Steps();

  // The steps.
  void Host(const ScenarioStep& step);
  void Printer(const ScenarioStep& step);
  void Joiner(const ScenarioStep& step);
  void OpenDocument(const ScenarioStep& step);
  void CloseDocuments(const ScenarioStep& step);
  void Start(const ScenarioStep& step);
  void Close(const ScenarioStep& step);
  void Restart(const ScenarioStep& step);
  void Click(const ScenarioStep& step);
  void PrintButton(const ScenarioStep& step);
  void User(const ScenarioStep& step);
  void Clipboard(const ScenarioStep& step);
  void Show(const ScenarioStep& step);
  void ShowWindowPicture(const ScenarioStep& step, const std::string& file);
  void JobApi(const ScenarioStep& step);
  void Fail(const ScenarioStep& step);
  void Returns(const ScenarioStep& step);
  void Trace(const ScenarioStep& step);
  void Verbose(const ScenarioStep& step);
  void Macro(const ScenarioStep& step);
  void AddinRecordStep(const ScenarioStep& step);
  void Registry(const ScenarioStep& step);
  void During(const ScenarioStep& step);
  // The user's COM Add-ins dialog ("user addins-dialog connect|disconnect PROGID").
  void AddinsDialog(const ScenarioStep& step);
  // The host's resiliency list ("StartupItems", "DisabledItems") under HKEY_CURRENT_USER.
  std::string ResiliencyKey(const char* list) const;
  void Expect(const ScenarioStep& step);

  void StartHost();
  void CloseHost();
  // A start after a host ran in this process: the rest goes on in a new process.
  struct HandOff {};
  void StartHostOrHandOff(const ScenarioStep& step);
  // Everything of the run that outlives the host process, written for the next one and read
  // back by it: the transcript, the world's state and scripts, what was shown so far.
  void SaveCarry(std::size_t resume_step) const;
  void LoadCarry();
  void FreshInstallation();
  // Writes what happened since the last drain in the order it happened: the add-in's host calls
  // (with `verbose on`), prints and their PDFs, and the trace's lines and the job API's calls
  // merged by when each was written. Runs before every host access and every event.
  void Drain();
  // An event the session itself sees ("load", "msgbox", ...): written after what came before it.
  void Event(const std::string& kind, const std::string& text);
  // After a step: Drain, then what changed of the add-in's command bars and registry values.
  void Collect();
  // A print on the PDF printer (the job API's printer) becomes a PDF file.
  void WritePdf(const PrintRecord& print, const std::string& pdf_printer);
  std::string StateFile() const;
  std::vector<std::string> BarLines() const;
  // The host window's procedure: it runs the step kept for a message box from inside the box's
  // message loop, as the host would run what reaches it while the box is up.
  static LRESULT CALLBACK HostWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  void RunDuringBox();
  FakeControl* FindControl(const std::string& tag_or_caption) const;
  // The errors event handlers raised to the host since the last call, as "event-error" lines.
  void ReportEventErrors();
  // One add-in connected at start-up, with Office's resiliency notes around it.
  void ConnectAtStartup(const AddinRecord& record);
  // Connects and times it ("timing"); false with the add-in's HRESULT when it failed.
  bool ConnectAddin(const AddinRecord& record, ext_ConnectMode mode, HRESULT* hr);
  // Disconnects and times it ("timing", "unload"); the add-in is released by its owner.
  void DisconnectAddin(ConnectedAddin& addin, ext_DisconnectMode mode);
  std::string AddinKey(const std::string& prog_id) const;
  void WriteLoadBehavior(const AddinRecord& record, DWORD behavior);
  // The folders of the connected add-ins' DLLs; with --free-unused, after the add-ins of those
  // folders were released, the "module" lines of the DLLs that were loaded from them.
  std::set<std::wstring> AddinFolders() const;
  void FreeUnusedLibraries(const std::set<std::wstring>& folders,
                           const std::set<std::string>& loaded);
  // An OnAddInsUpdate, OnStartupComplete or OnBeginShutdown that failed, as "addin-error".
  void ReportAddinError(const ConnectedAddin& addin, const char* event, HRESULT hr);

  const HostProgram& host_;
  SessionOptions options_;
  Transcript transcript_;
  std::shared_ptr<OfficeWorld> world_ = std::make_shared<OfficeWorld>();
  std::unique_ptr<FakeOfficeHost> office_;
  win32::ComPtr<IDispatch> application_;
  std::vector<std::unique_ptr<ConnectedAddin>> addins_;
  std::unique_ptr<MacroEngine> macros_;  // made by the session's first macro
  std::optional<MessageBoxWatcher> boxes_;
  std::uintptr_t window_ = 0;
  std::optional<ScenarioStep> during_box_;  // runs while the next message box is up
  std::exception_ptr during_box_error_;     // what it raised, for the step that showed the box
  bool started_ = false;
  bool hosted_ = false;                     // a host ran in this process
  bool handed_off_ = false;                 // its files now belong to the next process
  std::optional<std::size_t> resume_step_;  // the start the next process runs first
  int during_line_ = 0;                     // the kept during step's line, carried
  bool printers_given_ = false;
  int expect_failures_ = 0;

  std::string job_api_state_;  // the stand-in job API library's state file
  std::string trace_file_;
  std::size_t trace_read_ = 0;      // bytes of the trace written down
  std::uint64_t job_log_read_ = 0;  // bytes of the job API's log written down
  std::vector<std::string> bars_shown_;
  bool show_bars_ = false;  // "show bars": written even when unchanged
  bool show_registry_ = false;
  std::vector<std::string> registry_shown_;
  std::optional<ProcessResources> resources_shown_;  // at the last `show resources`
};

}  // namespace orvan::sim
