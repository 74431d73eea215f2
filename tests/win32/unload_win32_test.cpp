// The add-in as a host process meets it through COM: registered with regsvr32 where the PDF
// printer's product installs it (beside the job API library), created by ProgID, connected to a
// host and disconnected. Afterwards CoFreeUnusedLibraries takes the add-in and the job API
// library out of the process; a host that exits with the add-in still connected ends at once.
#include <cstddef>
#include <cstdint>

#include "sim/office/fake_office.h"
#include "sim/officesim/com_addin_host_win32.h"
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;
using win32::Widen;

constexpr wchar_t kAddinModule[] = L"OrvanpdfVtAddin.dll";
constexpr wchar_t kJobApiModule[] = L"OrvanpdfVtAPI.dll";
constexpr char kExitWhileConnected[] = "--exit-while-connected";

// The installed add-in registered while a test runs, as the product's installer registers it.
struct Registered {
  std::wstring dll = L" \"" + Widen(ORVAN_INSTALLED_ADDIN_DLL_PATH) + L"\"";
  DWORD code = RunProcess(L"regsvr32.exe /s" + dll);
  ~Registered() { RunProcess(L"regsvr32.exe /u /s" + dll); }
};

// Entries in use in the process's handle table (Wine answers GetProcessHandleCount with 0).
int OpenHandles() {
  int count = 0;
  for (std::uintptr_t value = 4; value < 65536; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Bytes of the process's heaps in use.
std::size_t HeapBytesInUse() {
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  std::size_t bytes = 0;
  for (DWORD index = 0; index < count && index < 64; ++index) {
    PROCESS_HEAP_ENTRY entry{};
    HeapLock(heaps[index]);
    while (HeapWalk(heaps[index], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
    }
    HeapUnlock(heaps[index]);
  }
  return bytes;
}

// The lowest free thread-local slot.
DWORD FreeTlsSlot() {
  const DWORD slot = TlsAlloc();
  TlsFree(slot);
  return slot;
}

// Word connects the add-in's Word designer as Office does at start-up.
struct ConnectedToWord {
  explicit ConnectedToWord(bool keeps_ended_sinks = false)
      : world(std::make_shared<sim::OfficeWorld>()),
        word(sim::HostType::kWord, world),
        application(ComPtr<IDispatch>::Adopt(win32::ExposeObject(word.application()))) {
    world->command_bars(sim::HostType::kWord)->keeps_ended_sinks = keeps_ended_sinks;
    sim::AddinRecord record;
    record.prog_id = "OrvanpdfVtAddIn.dsrPdfVtAddinWord";
    record.load_behavior = 3;
    addin = sim::ConnectedAddin::Connect(record, application.get(), world, ext_cm_Startup, &result);
  }
  std::shared_ptr<sim::OfficeWorld> world;
  sim::FakeOfficeHost word;
  ComPtr<IDispatch> application;
  HRESULT result = E_FAIL;
  std::unique_ptr<sim::ConnectedAddin> addin;
};

// The host's process ends with the add-in connected (no OnDisconnection): it ends at once, with
// its exit code (a crash or a hang at exit fails; the wait is far beyond any start-up). A host
// that disconnects the add-in, releases it and frees unused libraries gets rid of the add-in and
// of the job API library it loaded, unless it still holds one of the add-in's event sinks: then
// the add-in stays until the host lets go of it.
TEST(UnloadWin32, TheAddinLeavesWhenFreedAndHoldsUpNoExit) {
  const Registered registered;
  ASSERT_EQ(registered.code, 0u);
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  {
    const StandIn office(ORVAN_OFFICE_TLB_PATH);
    const StandIn designer(ORVAN_ADDIN_DESIGNER_TLB_PATH);
    wchar_t self[MAX_PATH];
    ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(RunProcess(L"\"" + std::wstring(self) + L"\" " + Widen(kExitWhileConnected), 60000),
              7u);

    ASSERT_EQ(GetModuleHandleW(kAddinModule), nullptr) << "loaded before the test";
    for (const bool host_keeps_sinks : {false, true}) {
      SCOPED_TRACE(host_keeps_sinks ? "the host keeps the sinks" : "the host lets them go");
      {
        ConnectedToWord host(host_keeps_sinks);
        ASSERT_EQ(host.result, S_OK);
        EXPECT_NE(GetModuleHandleW(kJobApiModule), nullptr) << "the start-up loads the job API";
        EXPECT_EQ(host.addin->Disconnect(ext_dm_UserClosed), S_OK);
        host.addin.reset();
        // The host goes on running, as Office does when the user takes the add-in out.
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(GetModuleHandleW(kAddinModule) != nullptr, host_keeps_sinks);
      }
      CoFreeUnusedLibrariesEx(0, 0);
      EXPECT_EQ(GetModuleHandleW(kAddinModule), nullptr) << "the add-in stays loaded";
      EXPECT_EQ(GetModuleHandleW(kJobApiModule), nullptr) << "the job API library stays loaded";
    }

    // Loaded, used and freed again and again on one thread, as each connection of the add-in
    // does, the job API library leaves no handle, thread-local slot or heap memory behind (a
    // process has about a thousand slots; Wine's own heap use moves by a few kilobytes).
    std::wstring job_api = Widen(ORVAN_INSTALLED_ADDIN_DLL_PATH);
    job_api.replace(job_api.rfind(L'\\') + 1, std::wstring::npos, kJobApiModule);
    constexpr int kRounds = 300, kWarmUp = 20;
    int handles_before = 0;
    DWORD tls_slot_before = 0;
    std::size_t heap_before = 0;
    for (int round = 0; round < kRounds; ++round) {
      const HMODULE library = LoadLibraryW(job_api.c_str());
      ASSERT_NE(library, nullptr);
      using FirstPrinter = int(WINAPI*)(char*, std::int32_t);
      const auto first_printer = reinterpret_cast<FirstPrinter>(
          reinterpret_cast<void*>(GetProcAddress(library, "OrvanPdfVtAPIGetFirstPrinterA")));
      ASSERT_NE(first_printer, nullptr);
      char name[256] = {};
      first_printer(name, sizeof name);
      FreeLibrary(library);
      if (round == kWarmUp) {
        handles_before = OpenHandles();
        tls_slot_before = FreeTlsSlot();
        heap_before = HeapBytesInUse();
      }
    }
    EXPECT_EQ(OpenHandles(), handles_before) << "each load of the job API library keeps handles";
    EXPECT_EQ(FreeTlsSlot(), tls_slot_before) << "each load keeps a thread-local slot";
    EXPECT_LT(HeapBytesInUse(), heap_before + 16 * 1024) << "each load keeps heap memory";
  }
  CoUninitialize();
}

}  // namespace

// The child process of the test above: connects the add-in, then exits the process with code 7
// (or 1 when the add-in could not be connected).
bool ExitWhileConnectedRequested(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) != kExitWhileConnected) return false;
  if (FAILED(CoInitialize(nullptr))) ExitProcess(1);
  ConnectedToWord host;  // the outside type libraries registered by the parent
  ExitProcess(host.result == S_OK && GetModuleHandleW(kJobApiModule) != nullptr ? 7 : 1);
}

}  // namespace orvan::testing
