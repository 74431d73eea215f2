// The add-in designers and the automation class Addin in the built DLL: IDTExtensibility2 and the
// default interface as two IDispatch faces, names the type library lacks answered by the portable
// designer, and Addin starting the designer of the host an application object belongs to.
#include <thread>

#include "doubles/fake_platform.h"
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

TEST_F(ComServerTest, DesignersServeExtensibilityAndTheirOwnInterfaceApart) {
  for (const char* name : {"dsrPdfVtAddinWord", "dsrPdfVtAddinExcel", "dsrPdfVtAddinPowerpoint"}) {
    SCOPED_TRACE(name);
    const ComPtr<IDispatch> designer = Create(name);
    ComPtr<IDispatch> extensibility;
    ASSERT_EQ(designer->QueryInterface(kIidExtensibility,
                                       reinterpret_cast<void**>(extensibility.Receive())),
              S_OK);
    ASSERT_NE(extensibility.get(), designer.get());

    // OnBeginShutdown is DISPID 5 of IDTExtensibility2, resolved in the add-in designer library;
    // the default interface has no such member and hands the name to the designer by name.
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR member = const_cast<LPOLESTR>(L"OnBeginShutdown");
    EXPECT_EQ(extensibility->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 5);
    SAFEARRAY* custom = nullptr;
    VARIANT custom_by_reference;
    custom_by_reference.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
    custom_by_reference.pparray = &custom;
    EXPECT_EQ(
        Invoke(extensibility.get(), L"OnBeginShutdown", DISPATCH_METHOD, {custom_by_reference}),
        S_OK);
    EXPECT_EQ(Invoke(designer.get(), L"OnBeginShutdown", DISPATCH_METHOD, {custom_by_reference}),
              DISP_E_EXCEPTION);
    EXPECT_EQ(Invoke(designer.get(), L"AddinInstance_Initialize", DISPATCH_METHOD, {}), S_OK);
    EXCEPINFO info{};
    EXPECT_EQ(Invoke(designer.get(), L"NoSuchMember", DISPATCH_METHOD, {}, nullptr, &info),
              DISP_E_EXCEPTION);
    EXPECT_EQ(win32::ErrorFromResult(DISP_E_EXCEPTION, &info).number(), vberr::kMemberNotFound);
  }
}

// On a thread of its own, as the start-up's per-thread state holds the library until its thread
// ends (no message box is expected there: the job API library is not beside the add-in, so the
// start-up takes the add-in down quietly). Word's designer is driven by a macro in the scenarios.
void StartAndStop(ComServerTest& test) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  for (const auto& [host, designer_iid] :
       {std::pair{sim::HostType::kExcel, Guid(kClasses[1].iid)},
        std::pair{sim::HostType::kPowerPoint, Guid(kClasses[2].iid)}}) {
    FakePlatform fakes;
    sim::FakeOfficeHost office(host, fakes.office);
    const auto app = ComPtr<IDispatch>::Adopt(win32::ExposeObject(office.application()));
    VARIANT app_value;
    app_value.vt = VT_DISPATCH;
    app_value.pdispVal = app.get();
    const ComPtr<IDispatch> addin = test.Create("Addin");
    ASSERT_EQ(
        ComServerTest::Invoke(addin.get(), L"Init", DISPATCH_METHOD, {ByReference(&app_value)}),
        S_OK);
    win32::ScopedVariant designer;
    ASSERT_EQ(ComServerTest::Invoke(addin.get(), L"AddinDsr", DISPATCH_PROPERTYGET, {},
                                    designer.Receive()),
              S_OK);
    ASSERT_EQ(designer.get().vt, VT_DISPATCH);
    ComPtr<IUnknown> typed;
    EXPECT_EQ(designer.get().pdispVal->QueryInterface(designer_iid,
                                                      reinterpret_cast<void**>(typed.Receive())),
              S_OK);
    // DoInit reached the host through the designer, and DoDeInit too (PowerPoint's included).
    EXPECT_FALSE(fakes.office->Journaled("Application.CommandBars").empty());
    fakes.office->journal.clear();
    EXPECT_EQ(
        ComServerTest::Invoke(addin.get(), L"DeInit", DISPATCH_METHOD, {ByReference(&app_value)}),
        S_OK);
    EXPECT_FALSE(fakes.office->journal.empty());
  }
  CoUninitialize();
}

TEST_F(ComServerTest, AddinStartsAndStopsTheDesignerOfTheApplicationsHost) {
  std::thread([this] { StartAndStop(*this); }).join();
}

}  // namespace
}  // namespace orvan::testing
