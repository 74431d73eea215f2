// The host's COM add-ins from connection to disconnection, as Office drives them: at start-up
// with its resiliency notes, at shut-down, and from File > Options > COM Add-ins while it runs.
#include <algorithm>
#include <cstdio>

#include "platform/win32/win32.h"
#include "sim/officesim/clipboard_face_win32.h"
#include "sim/officesim/host_system_win32.h"
#include "sim/officesim/office_session_win32.h"
#include "support/utf8.h"

namespace orvan::sim {
namespace {

constexpr int kStartupLimitMs = 1000;  // what Office allows an add-in's OnConnection
constexpr int kShutdownLimitMs = 500;  // and its OnDisconnection

std::string Timing(const std::string& prog_id, const char* event, double ms, int limit) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", ms);
  return prog_id + " " + event + " " + text + " ms (Office allows " + std::to_string(limit) +
         " ms)" + (ms > limit ? " too slow" : "");
}

bool ValueExists(const std::string& key, const std::string& name) {
  return RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr,
                      nullptr) == ERROR_SUCCESS;
}

}  // namespace

std::string OfficeSession::ResiliencyKey(const char* list) const {
  return std::string("Software\\Microsoft\\Office\\16.0\\") + host_.addins_key + "\\Resiliency\\" +
         list;
}

std::string OfficeSession::AddinKey(const std::string& prog_id) const {
  return std::string("Software\\Microsoft\\Office\\") + host_.addins_key + "\\Addins\\" + prog_id;
}

void OfficeSession::WriteLoadBehavior(const AddinRecord& record, DWORD behavior) {
  RegSetKeyValueA(record.per_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                  AddinKey(record.prog_id).c_str(), "LoadBehavior", REG_DWORD, &behavior,
                  sizeof behavior);
}

void OfficeSession::ConnectAtStartup(const AddinRecord& record) {
  // Office's resiliency: an add-in is noted before it connects and the note taken back after;
  // a note found at start means the host ended while that add-in connected.
  const std::string startup = ResiliencyKey("StartupItems");
  const std::string disabled = ResiliencyKey("DisabledItems");
  if (ValueExists(disabled, record.prog_id)) {
    Event("load", record.prog_id + " skipped: hard-disabled");
    return;
  }
  if (ValueExists(startup, record.prog_id)) {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, startup.c_str(), record.prog_id.c_str());
    RegSetKeyValueA(HKEY_CURRENT_USER, disabled.c_str(), record.prog_id.c_str(), REG_SZ, "", 1);
    Event("load", record.prog_id + " hard-disabled: the host ended while it connected last time");
    return;
  }
  RegSetKeyValueA(HKEY_CURRENT_USER, startup.c_str(), record.prog_id.c_str(), REG_SZ, "", 1);
  HRESULT hr = E_FAIL;
  const bool connected = ConnectAddin(record, ext_cm_Startup, &hr);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, startup.c_str(), record.prog_id.c_str());
  if (!connected) {
    // Office's resiliency: an add-in that failed to connect is not loaded at the next start.
    WriteLoadBehavior(record, 2);
    Event("load", record.prog_id + " failed " + Hresult(hr) + ": soft-disabled (LoadBehavior 2)");
    return;
  }
  Event("load", record.prog_id + " connected");
}

bool OfficeSession::ConnectAddin(const AddinRecord& record, ext_ConnectMode mode, HRESULT* hr) {
  // So that a button face the add-in pastes is named after its icon.
  if (const std::wstring server = ServerOf(record); !server.empty()) LearnFaces(server);
  LARGE_INTEGER before, after;
  QueryPerformanceCounter(&before);
  auto addin = ConnectedAddin::Connect(record, application_.get(), world_, mode, hr);
  QueryPerformanceCounter(&after);
  Event("timing",
        Timing(record.prog_id, "OnConnection", Milliseconds(before, after), kStartupLimitMs));
  if (!addin) return false;
  addins_.push_back(std::move(addin));
  return true;
}

void OfficeSession::DisconnectAddin(ConnectedAddin& addin, ext_DisconnectMode mode) {
  LARGE_INTEGER before, after;
  QueryPerformanceCounter(&before);
  const HRESULT hr = addin.Disconnect(mode);
  QueryPerformanceCounter(&after);
  Event("timing", Timing(addin.record().prog_id, "OnDisconnection", Milliseconds(before, after),
                         kShutdownLimitMs));
  Event("unload", addin.record().prog_id +
                      (SUCCEEDED(hr) ? std::string(" disconnected") : " failed " + Hresult(hr)));
}

void OfficeSession::ReportAddinError(const ConnectedAddin& addin, const char* event, HRESULT hr) {
  // Office goes on whatever these return; a failure is the add-in's error reaching the host.
  if (FAILED(hr)) Event("addin-error", addin.record().prog_id + " " + event + " " + Hresult(hr));
}

std::set<std::wstring> OfficeSession::AddinFolders() const {
  std::set<std::wstring> folders;
  for (const auto& addin : addins_) {
    if (std::wstring folder = FolderOf(addin->module_path()); !folder.empty())
      folders.insert(folder);
  }
  return folders;
}

void OfficeSession::FreeUnusedLibraries(const std::set<std::wstring>& folders,
                                        const std::set<std::string>& loaded) {
  if (!options_.free_unused) return;
  // Office frees the libraries of released add-ins when idle; one that any object of its own
  // still keeps alive (an event sink the host holds, a lock) stays.
  CoFreeUnusedLibrariesEx(0, 0);
  const std::set<std::string> left = ModulesIn(folders);
  for (const std::string& name : loaded)
    Event("module", Quote(name) + (left.contains(name) ? " still loaded" : " unloaded"));
}

void OfficeSession::AddinsDialog(const ScenarioStep& step) {
  // user addins-dialog connect|disconnect PROGID: the user checks or clears the add-in's box in
  // File > Options > COM Add-ins and presses OK.
  if (!started_) Refuse(step, "the COM Add-ins dialog is a running host's; start it first");
  const std::string& action = Argument(step, 2, "addins-dialog: connect or disconnect");
  const std::string& prog_id = Argument(step, 3, "ProgID");
  const auto connected = std::find_if(addins_.begin(), addins_.end(), [&](const auto& addin) {
    return utf8::TextEquals(addin->record().prog_id, prog_id);
  });
  if (action == "disconnect") {
    if (connected == addins_.end()) Refuse(step, prog_id + " is not connected: its box is clear");
    std::unique_ptr<ConnectedAddin> addin = std::move(*connected);
    addins_.erase(connected);
    const std::set<std::wstring> folders = {FolderOf(addin->module_path())};
    DisconnectAddin(*addin, ext_dm_UserClosed);
    // Cleared, the add-in is no longer loaded at start-up.
    WriteLoadBehavior(addin->record(), addin->record().load_behavior & ~DWORD{1});
    const std::set<std::string> loaded = ModulesIn(folders);
    addin.reset();  // Office lets go of the add-in and its COMAddIn
    for (const auto& other : addins_)
      ReportAddinError(*other, "OnAddInsUpdate", other->AddInsUpdate());
    FreeUnusedLibraries(folders, loaded);
    return;
  }
  if (action != "connect")
    Refuse(step, "addins-dialog: connect or disconnect, not '" + action + "'");
  if (connected != addins_.end()) Refuse(step, prog_id + " is connected already: its box is set");
  const auto records = ReadAddinRecords(host_.addins_key);
  const auto record = std::find_if(records.begin(), records.end(), [&](const AddinRecord& r) {
    return utf8::TextEquals(r.prog_id, prog_id);
  });
  if (record == records.end()) Refuse(step, "no add-in record " + prog_id + " for this host");
  // A hard-disabled add-in is listed under Disabled Items instead, not in this dialog.
  if (ValueExists(ResiliencyKey("DisabledItems"), record->prog_id)) {
    Refuse(step, prog_id + " is hard-disabled: the COM Add-ins dialog does not list it");
  }
  HRESULT hr = E_FAIL;
  if (!ConnectAddin(*record, ext_cm_AfterStartup, &hr)) {
    // The dialog then shows "Not loaded. A runtime error occurred during the loading of the COM
    // Add-in." and the box stays clear.
    WriteLoadBehavior(*record, record->load_behavior & ~DWORD{1});
    Event("load", record->prog_id + " failed " + Hresult(hr) + ": not loaded (LoadBehavior " +
                      std::to_string(record->load_behavior & ~DWORD{1}) + ")");
    return;
  }
  WriteLoadBehavior(*record, 3);
  Event("load", record->prog_id + " connected (after start-up)");
  // The set of add-ins changed: every connected add-in hears of it, the new one too. An add-in
  // connected after start-up never gets OnStartupComplete.
  for (const auto& addin : addins_)
    ReportAddinError(*addin, "OnAddInsUpdate", addin->AddInsUpdate());
}

}  // namespace orvan::sim
