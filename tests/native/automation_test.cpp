// Host objects by member name: Basic's error rules, and the fake hosts' own behaviour that the
// add-in's tests rely on.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "support/automation.h"

namespace orvan::testing {
namespace {

std::int32_t ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const VbError& e) {
    return e.number();
  }
  return 0;
}

TEST(MemberAccess, NothingAndWrongTypesRaiseBasicsErrors) {
  EXPECT_EQ(ErrorOf([] { Get(ObjectRef(), "Count"); }), vberr::kObjectNotSet);
  EXPECT_EQ(ErrorOf([] { AsObject(Value("text")); }), vberr::kTypeMismatch);
  EXPECT_EQ(AsObject(Value(ObjectRef())), nullptr);
  EXPECT_EQ(KindOf(ObjectRef()), AppKind::kOther);
}

TEST(MemberAccess, ErrorsIgnoredSkipsOnlyTheFailingStep) {
  ErrorsIgnored resume;
  int done = 0;
  EXPECT_TRUE(resume.Step([&] { ++done; }));
  EXPECT_FALSE(resume.Step([&] { throw VbError(1004, "refused", "Excel"); }));
  EXPECT_TRUE(resume.Step([&] { ++done; }));
  EXPECT_EQ(done, 2);
  ASSERT_TRUE(resume.LastError().has_value());
  EXPECT_EQ(resume.LastError()->number(), 1004);
  resume.Clear();
  EXPECT_FALSE(resume.LastError().has_value());
}

using FakeHostTest = OfficeTest;

TEST_F(FakeHostTest, ExcelTakesOnlyAnInstalledPrinterWithItsPortAndJoiner) {
  sim::FakeOfficeHost excel(sim::HostType::kExcel, fakes_.office);
  const ObjectRef app = excel.application();
  EXPECT_EQ(KindOf(app), AppKind::kExcel);
  EXPECT_EQ(ToText(Get(app, "ActivePrinter")), "HP LaserJet 4 on LPT1:");
  for (const char* refused : {"Orvan pdf vatner", "Orvan pdf vatner on LPT1:",
                              "Orvan pdf vatner auf Ne00:", "Fax on Ne01:"}) {
    EXPECT_EQ(ErrorOf([&] { Put(app, "ActivePrinter", refused); }), 1004) << refused;
  }
  Put(app, "activeprinter", "orvan pdf vatner on NE00:");
  EXPECT_EQ(excel.active_printer(), "Orvan pdf vatner");
  fakes_.office->port_joiner = " auf ";
  EXPECT_EQ(ToText(Get(app, "ActivePrinter")), "Orvan pdf vatner auf Ne00:");
  // Without a workbook Excel answers Nothing, Word raises its error.
  EXPECT_TRUE(Get(app, "ActiveWorkbook").IsNothing());
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  EXPECT_EQ(ErrorOf([&] { Get(word.application(), "ActiveDocument"); }), 4248);
}

TEST_F(FakeHostTest, PrintOutRecordsPrinterArgumentsAndTheJobsStoredSettings) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  word.Open(sim::DocumentData{}).name = "Brief.docx";
  api_.stored_settings["Title"] = "Brief an Erika";
  Call(ObjectMember(word.application(), "ActiveDocument"), "PrintOut",
       Args::Named("Background", false));
  ASSERT_EQ(fakes_.office->prints.size(), 1u);
  const sim::PrintRecord& print = fakes_.office->prints[0];
  EXPECT_EQ(print.host, "Word");
  EXPECT_EQ(print.document, "Brief.docx");
  EXPECT_EQ(print.printer, "HP LaserJet 4");
  EXPECT_EQ(print.arguments, "Background:=False");
  EXPECT_FALSE(print.background);
  EXPECT_EQ(print.job_settings.at("Title"), "Brief an Erika");
  EXPECT_EQ(fakes_.office->journal.back(), "Document.PrintOut(Background:=False)");
}

TEST_F(FakeHostTest, AnyMemberFailsOnceOrAlwaysOrAnswersWhatTheTestSays) {
  sim::FakeOfficeHost powerpoint(sim::HostType::kPowerPoint, fakes_.office);
  powerpoint.Open(sim::DocumentData{});
  const ObjectRef app = powerpoint.application();
  fakes_.office->Fail("Presentations.Count", {-2147188160, "Invalid request", "PowerPoint", 1});
  EXPECT_EQ(ErrorOf([&] { Get(ObjectMember(app, "Presentations"), "Count"); }), -2147188160);
  EXPECT_EQ(ToLong(Get(ObjectMember(app, "Presentations"), "Count")), 1);
  fakes_.office->Returns("Slides.Count", Value("viele"));
  const ObjectRef slides = ObjectMember(ObjectMember(app, "ActivePresentation"), "Slides");
  EXPECT_EQ(ErrorOf([&] { ToLong(Get(slides, "Count")); }), vberr::kTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { Get(app, "NoSuchMember"); }), vberr::kMemberNotFound);
}

}  // namespace
}  // namespace orvan::testing
