// The add-in as Office meets it: installed beside the job API library and registered, found
// through Word's add-in records, created by its ProgID, connected through IDTExtensibility2 to a
// fake Word served through COM, and driven by a click on its Start button that Word raises
// through the button's connection point; and as a macro drives it, through Addin. Each print
// carries the document's information.
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

class OfficeHostWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    designer_library_.emplace(ORVAN_ADDIN_DESIGNER_TLB_PATH);
    office_library_.emplace(ORVAN_OFFICE_TLB_PATH);
    sim::WriteStateFile(state_file_, sim::JobApiState{});
    ASSERT_EQ(_putenv(("ORVAN_JOBAPI_STATE=" + state_file_).c_str()), 0);
    installed_.emplace();
    ASSERT_TRUE(installed_->registered());

    world_->printers = {{"HP LaserJet 4", "LPT1:"}, {"Orvan pdf vatner", "Ne00:"}};
    world_->clipboard_face = sim::ClipboardFace;
    world_->job_settings = [this] { return JobApi().stored_settings; };
    word_.active_printer() = "HP LaserJet 4";
    sim::DocumentData report = sim::DocumentData::SavedIn("C:\\Berichte");
    report.name = "Bericht.docx";
    report.properties = {{1, "Quartalsbericht"}, {2, "Umsatz"}, {3, "Eva Maier"}, {4, "Q3"}};
    word_.Open(report);
    application_ = ComPtr<IDispatch>::Adopt(win32::ExposeObject(word_.application()));
  }
  void TearDown() override {
    application_.Reset();
    installed_.reset();
    _putenv("ORVAN_JOBAPI_STATE=");
    std::filesystem::remove(state_file_);
    office_library_.reset();
    designer_library_.reset();
    CoUninitialize();
  }

  sim::JobApiState JobApi() const { return sim::ReadStateFile(state_file_); }
  const std::shared_ptr<sim::CommandBarStore>& Store() {
    return world_->command_bars(sim::HostType::kWord);
  }
  sim::FakeControl* StartButton() {
    const sim::FakeBar* toolbar = Store()->Bar(kToolbarName);
    return toolbar ? toolbar->controls->Find(kStartTag) : nullptr;
  }
  // Each print went to the PDF printer with the document's information in the job's settings;
  // afterwards Word prints where it did and the job API's settings are as they were.
  void ExpectPrintedWithDocumentInformation(
      std::size_t prints, const std::map<std::string, std::string>& settings_before) {
    ASSERT_EQ(world_->prints.size(), prints);
    for (const sim::PrintRecord& print : world_->prints) {
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
    }
    EXPECT_EQ(word_.active_printer(), "HP LaserJet 4");
    const sim::JobApiState api = JobApi();
    EXPECT_EQ(api.stored_settings, settings_before);
    EXPECT_TRUE(api.jobs.empty());
  }

  const std::string state_file_ =
      (std::filesystem::temp_directory_path() / "orvan_office_host_jobapi.state").string();
  std::optional<StandIn> designer_library_;
  std::optional<StandIn> office_library_;
  std::optional<InstalledAddin> installed_;
  std::shared_ptr<sim::OfficeWorld> world_ = std::make_shared<sim::OfficeWorld>();
  sim::FakeOfficeHost word_{sim::HostType::kWord, world_};
  ComPtr<IDispatch> application_;
  MessageBoxCapture boxes_;
};

TEST_F(OfficeHostWin32, WordLoadsTheRegisteredAddinAndItsStartButtonPrintsTheDocument) {
  // Word's records: the add-in is listed machine-wide, to load at start-up.
  std::optional<sim::AddinRecord> record;
  for (const sim::AddinRecord& r : sim::ReadAddinRecords("Word")) {
    if (r.prog_id == "OrvanpdfVtAddIn.dsrPdfVtAddinWord") record = r;
  }
  ASSERT_TRUE(record.has_value());
  EXPECT_TRUE(sim::LoadsAtStartup(*record));
  EXPECT_FALSE(record->per_user);

  HRESULT hr = E_FAIL;
  auto addin = sim::ConnectedAddin::Connect(*record, application_.get(), world_, &hr);
  ASSERT_EQ(hr, S_OK);
  EXPECT_EQ(addin->AddInsUpdate(), S_OK);
  EXPECT_EQ(addin->StartupComplete(), S_OK);

  // Toolbar and menu were made through COM, and their four buttons hooked through their
  // connection points.
  EXPECT_EQ(Store()->ClickHandlers(), 4u);
  sim::FakeControl* start = StartButton();
  ASSERT_NE(start, nullptr);
  EXPECT_TRUE(start->face.has_value()) << "the button has no icon";

  const auto settings_before = JobApi().stored_settings;
  EXPECT_FALSE(Store()->UserClicks(*start));
  EXPECT_TRUE(Store()->event_errors.empty());
  ExpectPrintedWithDocumentInformation(1, settings_before);

  // Shut-down unhooks every button.
  EXPECT_EQ(addin->BeginShutdown(), S_OK);
  EXPECT_EQ(addin->Disconnect(ext_dm_HostShutdown), S_OK);
  EXPECT_EQ(Store()->ClickHandlers(), 0u);
  EXPECT_TRUE(boxes_.boxes().empty()) << boxes_.boxes().front().text;
}

// A macro: Set a = CreateObject("OrvanpdfVtAddIn.Addin"): a.Init Application:
// a.PushButtonEvent Application, (the Start button): a.DeInit Application.
TEST_F(OfficeHostWin32, AMacroPushesTheStartButtonThroughAddin) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"OrvanpdfVtAddIn.Addin", &clsid), S_OK);
  ComPtr<IDispatch> addin;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(addin.Receive())),
            S_OK);
  VARIANT app;
  app.vt = VT_DISPATCH;
  app.pdispVal = application_.get();
  VARIANT app_by_reference;
  app_by_reference.vt = VT_BYREF | VT_VARIANT;
  app_by_reference.pvarVal = &app;
  ASSERT_EQ(ComServerTest::Invoke(addin.get(), L"Init", DISPATCH_METHOD, {app_by_reference}), S_OK);
  ASSERT_NE(StartButton(), nullptr);

  // The control goes by reference as the typed button it is.
  const ObjectRef toolbar = AsObject(GetItem(word_.application(), "CommandBars", kToolbarName));
  const auto start = ComPtr<IDispatch>::Adopt(win32::ExposeObject(
      AsObject(Call(toolbar, "FindControl", Args::Named("Tag", Value(kStartTag))))));
  IDispatch* control = start.get();
  VARIANT control_by_reference;
  control_by_reference.vt = VT_BYREF | VT_DISPATCH;
  control_by_reference.ppdispVal = &control;
  const auto settings_before = JobApi().stored_settings;
  EXPECT_EQ(ComServerTest::Invoke(addin.get(), L"PushButtonEvent", DISPATCH_METHOD,
                                  {app_by_reference, control_by_reference}),
            S_OK);
  ExpectPrintedWithDocumentInformation(1, settings_before);

  EXPECT_EQ(ComServerTest::Invoke(addin.get(), L"DeInit", DISPATCH_METHOD, {app_by_reference}),
            S_OK);
  EXPECT_EQ(Store()->ClickHandlers(), 0u);
  EXPECT_TRUE(boxes_.boxes().empty()) << boxes_.boxes().front().text;
}

}  // namespace
}  // namespace orvan::testing
