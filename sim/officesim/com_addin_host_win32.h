// COM add-ins loaded into a host as Office loads them: the add-in records read from the
// registry, the add-in created by its ProgID in-process, and its IDTExtensibility2 called in
// Office's order from connection to disconnection.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com_win32.h"
#include "platform/win32/win32.h"
#include "sim/office/fake_object.h"

#include <office_interfaces.h>

namespace orvan::sim {

using win32::ScopedKey;

// One record under "Software\Microsoft\Office\<Host>\Addins\<ProgID>".
struct AddinRecord {
  std::string prog_id;
  std::string friendly_name;
  std::string description;
  DWORD load_behavior = 0;
  bool per_user = false;  // found under HKEY_CURRENT_USER
};

// The records of a host ("Word", "Excel", "PowerPoint"): the user's first, then the machine's;
// a ProgID that both list counts once, as the user's.
std::vector<AddinRecord> ReadAddinRecords(const std::string& host);

// The DLL that serves the add-in's class (its InprocServer32), empty when it is not registered.
std::wstring ServerOf(const AddinRecord& record);

// Office loads at start-up the add-ins whose LoadBehavior has both the connected and the
// load-at-start-up bits.
inline bool LoadsAtStartup(const AddinRecord& record) {
  return (record.load_behavior & 3) == 3;
}

// An add-in connected to a host. Every step returns the add-in's HRESULT; the add-in instance
// object Office passes (a COMAddIn) is journaled in the world like the host's own objects.
class ConnectedAddin {
 public:
  // CLSIDFromProgID, CoCreateInstance in-process, IDTExtensibility2, then
  // OnConnection(application, mode, the COMAddIn, an empty custom array): ext_cm_Startup at the
  // host's start, ext_cm_AfterStartup from the COM Add-ins dialog. Null with the failing step's
  // HRESULT in `result`.
  static std::unique_ptr<ConnectedAddin> Connect(const AddinRecord& record, IDispatch* application,
                                                 const std::shared_ptr<FakeObjectWorld>& world,
                                                 ext_ConnectMode mode, HRESULT* result);
  ConnectedAddin(const ConnectedAddin&) = delete;
  ConnectedAddin& operator=(const ConnectedAddin&) = delete;
  ~ConnectedAddin();

  HRESULT AddInsUpdate();
  HRESULT StartupComplete();
  HRESULT BeginShutdown();
  // OnDisconnection with the mode; the add-in is released afterwards whatever it returns.
  HRESULT Disconnect(ext_DisconnectMode mode);

  const AddinRecord& record() const { return record_; }
  // The full path of the DLL that serves the add-in's object.
  const std::wstring& module_path() const { return module_path_; }

 private:
  ConnectedAddin(AddinRecord record, win32::ComPtr<IDTExtensibility2> addin,
                 win32::ComPtr<IDispatch> instance, std::wstring module_path);

  AddinRecord record_;
  std::wstring module_path_;
  win32::ComPtr<IDTExtensibility2> addin_;
  win32::ComPtr<IDispatch> instance_;  // the COMAddIn object
};

}  // namespace orvan::sim
