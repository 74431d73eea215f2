// The add-in as Office meets it: installed beside the job API library and registered, found
// through Word's add-in records, created by its ProgID, connected through IDTExtensibility2 to a
// fake Word served through COM, and driven by a click on its Start button that Word raises
// through the button's connection point. The print carries the document's information.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "commandbars/command_bar_names.h"
#include "platform/win32/dispatch_win32.h"
#include "sim/jobapi/job_api_state.h"
#include "sim/office/fake_office.h"
#include "sim/officesim/clipboard_face_win32.h"
#include "sim/officesim/com_addin_host_win32.h"
#include "win32/com_client_win32.h"
#include "win32/message_box_capture_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

// The installed add-in library, registered for the test as its installer would register it.
class InstalledAddin {
 public:
  InstalledAddin() : dll_(LoadLibraryA(ORVAN_INSTALLED_ADDIN_PATH)) {
    if (dll_ == nullptr) return;
    registered_ = Export("DllRegisterServer")() == S_OK;
  }
  ~InstalledAddin() {
    if (registered_) {
      EXPECT_EQ(Export("DllUnregisterServer")(), S_OK);
    }
    if (dll_) FreeLibrary(dll_);
  }
  bool registered() const { return registered_; }

 private:
  using Entry = HRESULT(STDAPICALLTYPE*)();
  Entry Export(const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
  }
  HMODULE dll_;
  bool registered_ = false;
};

TEST(OfficeHostWin32, WordLoadsTheRegisteredAddinAndItsStartButtonPrintsTheDocument) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  {
    StandIn designer_library(ORVAN_ADDIN_DESIGNER_TLB_PATH);
    StandIn office_library(ORVAN_OFFICE_TLB_PATH);
    const std::string state_file =
        (std::filesystem::temp_directory_path() / "orvan_office_host_jobapi.state").string();
    sim::WriteStateFile(state_file, sim::JobApiState{});
    ASSERT_EQ(_putenv(("ORVAN_JOBAPI_STATE=" + state_file).c_str()), 0);
    InstalledAddin installed;
    ASSERT_TRUE(installed.registered());

    auto world = std::make_shared<sim::OfficeWorld>();
    world->printers = {{"HP LaserJet 4", "LPT1:"}, {"Orvan pdf vatner", "Ne00:"}};
    world->clipboard_face = sim::ClipboardFace;
    world->job_settings = [&] { return sim::ReadStateFile(state_file).stored_settings; };
    sim::FakeOfficeHost word(sim::HostType::kWord, world);
    word.active_printer() = "HP LaserJet 4";
    sim::DocumentData report = sim::DocumentData::SavedIn("C:\\Berichte");
    report.name = "Bericht.docx";
    report.properties = {{1, "Quartalsbericht"}, {2, "Umsatz"}, {3, "Eva Maier"}, {4, "Q3"}};
    word.Open(report);
    const auto& store = world->command_bars(sim::HostType::kWord);

    // Word's records: the add-in is listed machine-wide, to load at start-up.
    std::optional<sim::AddinRecord> record;
    for (const sim::AddinRecord& r : sim::ReadAddinRecords("Word")) {
      if (r.prog_id == "OrvanpdfVtAddIn.dsrPdfVtAddinWord") record = r;
    }
    ASSERT_TRUE(record.has_value());
    EXPECT_TRUE(sim::LoadsAtStartup(*record));
    EXPECT_FALSE(record->per_user);

    MessageBoxCapture boxes;
    const auto application = ComPtr<IDispatch>::Adopt(win32::ExposeObject(word.application()));
    HRESULT hr = E_FAIL;
    auto addin = sim::ConnectedAddin::Connect(*record, application.get(), world, &hr);
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(addin->AddInsUpdate(), S_OK);
    EXPECT_EQ(addin->StartupComplete(), S_OK);

    // Toolbar and menu were made through COM, and their four buttons hooked through their
    // connection points.
    const sim::FakeBar* toolbar = store->Bar(kToolbarName);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(store->ClickHandlers(), 4u);
    sim::FakeControl* start = toolbar->controls->Find(kStartTag);
    ASSERT_NE(start, nullptr);
    EXPECT_TRUE(start->face.has_value()) << "the button has no icon";

    const auto stored_before = sim::ReadStateFile(state_file).stored_settings;
    EXPECT_FALSE(store->UserClicks(*start));
    EXPECT_TRUE(store->event_errors.empty());
    ASSERT_EQ(world->prints.size(), 1u);
    const sim::PrintRecord& print = world->prints.front();
    EXPECT_EQ(print.document, "Bericht.docx");
    EXPECT_EQ(print.printer, "Orvan pdf vatner");
    for (const auto& [name, value] :
         std::map<std::string, std::string>{{"Title", "Quartalsbericht"},
                                            {"Author", "Eva Maier"},
                                            {"Subject", "Umsatz"},
                                            {"Keywords", "Q3"},
                                            {"DestinationDirectory", "C:\\Berichte"}}) {
      EXPECT_EQ(print.job_settings.at(name), value) << name;
    }
    // Afterwards Word prints where it did, and the job's settings are as they were.
    EXPECT_EQ(word.active_printer(), "HP LaserJet 4");
    const sim::JobApiState after = sim::ReadStateFile(state_file);
    EXPECT_EQ(after.stored_settings, stored_before);
    EXPECT_TRUE(after.jobs.empty());

    // Shut-down unhooks every button and releases the add-in.
    EXPECT_EQ(addin->BeginShutdown(), S_OK);
    EXPECT_EQ(addin->Disconnect(ext_dm_HostShutdown), S_OK);
    EXPECT_EQ(store->ClickHandlers(), 0u);
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.boxes().front().text;
    addin.reset();
    _putenv("ORVAN_JOBAPI_STATE=");
    std::filesystem::remove(state_file);
  }
  CoUninitialize();
}

}  // namespace
}  // namespace orvan::testing
