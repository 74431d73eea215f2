// Both IDispatch adapters together: the fake hosts exposed as real IDispatch objects and reached
// through the product's adapter, as the add-in reaches Office.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"
#include "printjob/active_printer.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

class DispatchWin32 : public OfficeTest {
 protected:
  // The host's application as the add-in gets it: an IDispatch from outside.
  ObjectRef ThroughIDispatch(sim::FakeOfficeHost& host) {
    auto dispatch = ComPtr<IDispatch>::Adopt(win32::ExposeObject(host.application()));
    return win32::WrapDispatch(dispatch.get());
  }
};

TEST_F(DispatchWin32, NamedArgumentsAndPropertyPutsReachTheHost) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  word.Open(sim::DocumentData{}).name = "Brief.docx";
  const ObjectRef app = ThroughIDispatch(word);
  Call(ObjectMember(app, "ActiveDocument"), "PrintOut", Args::Named("Background", false));
  EXPECT_EQ(fakes_.office->journal.back(), "Document.PrintOut(Background:=False)");

  std::int16_t error = -1;
  std::string description;
  EXPECT_TRUE(ChangeActivePrinter(app, "Orvan pdf vatner", error, description));
  EXPECT_EQ(word.active_printer(), "Orvan pdf vatner");
  EXPECT_EQ(fakes_.office->Journaled("Dialog(97).Execute").size(), 1u);
}

TEST_F(DispatchWin32, HostErrorsArriveWithNumberDescriptionAndSource) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  const ObjectRef app = ThroughIDispatch(word);
  fakes_.office->Fail("Application.ActivePrinter",
                      {4605, "Dieser Befehl ist nicht verfügbar.", "Microsoft Word"});
  const auto raised = RaisedBy([&] { Get(app, "ActivePrinter"); });
  ASSERT_TRUE(raised.has_value());
  EXPECT_EQ(raised->number(), 4605);
  EXPECT_EQ(raised->description(), "Dieser Befehl ist nicht verfügbar.");
  EXPECT_EQ(raised->source(), "Microsoft Word");

  fakes_.office->Fail("Application.ActivePrinter", {-2147188160, "Invalid request", "PP"});
  EXPECT_EQ(ErrorNumberOf([&] { Get(app, "ActivePrinter"); }), -2147188160);
  EXPECT_EQ(ErrorNumberOf([&] { Get(app, "NoSuchMember"); }), vberr::kMemberNotFound);
}

TEST_F(DispatchWin32, ValuesAndTheHostsKindSurviveTheRoundTrip) {
  sim::FakeOfficeHost excel(sim::HostType::kExcel, fakes_.office);
  sim::FakeOfficeHost powerpoint(sim::HostType::kPowerPoint, fakes_.office);
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  const ObjectRef app = ThroughIDispatch(excel);
  EXPECT_EQ(KindOf(app), AppKind::kExcel);
  EXPECT_EQ(KindOf(ThroughIDispatch(powerpoint)), AppKind::kPowerPoint);
  EXPECT_EQ(KindOf(ThroughIDispatch(word)), AppKind::kWord);
  EXPECT_EQ(KindOf(ObjectMember(app, "Workbooks")), AppKind::kOther);

  EXPECT_TRUE(Get(app, "ActiveWorkbook").IsNothing());
  sim::DocumentData book;
  book.properties[1] = "Übersicht";
  excel.Open(book);
  EXPECT_EQ(Get(ObjectMember(app, "Workbooks"), "Count"), Value(std::int32_t{1}));
  const ObjectRef title =
      AsObject(GetItem(ObjectMember(app, "ActiveWorkbook"), "BuiltInDocumentProperties", 1));
  EXPECT_EQ(Get(title, "Value"), Value("Übersicht"));
}

TEST_F(DispatchWin32, CommandBarButtonsAreTold) {
  for (const bool is_button : {true, false}) {
    SCOPED_TRACE(is_button ? "button" : "pop-up");
    auto control = std::make_shared<sim::FakeObject>(fakes_.office, "Control");
    if (is_button) control->Implement(OfficeInterface::kCommandBarButton);
    const auto dispatch = ComPtr<IDispatch>::Adopt(win32::ExposeObject(control));
    ComPtr<IUnknown> button;
    EXPECT_EQ(dispatch->QueryInterface(win32::kIidCommandBarButton,
                                       reinterpret_cast<void**>(button.Receive())),
              is_button ? S_OK : E_NOINTERFACE);
    EXPECT_EQ(win32::WrapDispatch(dispatch.get())->Implements(OfficeInterface::kCommandBarButton),
              is_button);
  }
}

// The interfaces that tell the hosts and a button apart, as Office's type libraries name them.
TEST(DispatchIdsWin32, OfficeInterfaceIdentities) {
  const std::pair<const IID*, const wchar_t*> ids[] = {
      {&win32::kIidWordApplication, L"{00020970-0000-0000-C000-000000000046}"},
      {&win32::kIidExcelApplication, L"{000208D5-0000-0000-C000-000000000046}"},
      {&win32::kIidPowerPointApplication, L"{91493442-5A91-11CF-8700-00AA0060263B}"},
      {&win32::kIidCommandBarButton, L"{000C030E-0000-0000-C000-000000000046}"},
      {&win32::kIidCommandBarButtonEvents, L"{000C0351-0000-0000-C000-000000000046}"},
      {&win32::kIidCommandBarsEvents, L"{000C0352-0000-0000-C000-000000000046}"}};
  for (const auto& [iid, text] : ids) {
    wchar_t written[40];
    ASSERT_GT(StringFromGUID2(*iid, written, 40), 0);
    EXPECT_STREQ(written, text);
  }
}

}  // namespace
}  // namespace orvan::testing
