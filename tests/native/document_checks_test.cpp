// Whether a document is open, and Word's start-up check.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "hosts/document_checks.h"

namespace orvan::testing {
namespace {

using DocumentChecksTest = OfficeTest;

// (Word's and Excel's words for it: word_modal_boxes and excel_failures.)
TEST_F(DocumentChecksTest, PowerPointWithoutAPresentationTellsTheUser) {
  sim::FakeOfficeHost powerpoint(sim::HostType::kPowerPoint, fakes_.office);
  EXPECT_FALSE(IsDocumentOpen(powerpoint.application()));
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{{"Sie müssen zuerst eine Präsentation öffnen",
                                                    "Orvan pdf Vatner COM Add-In", 64}}));
  powerpoint.Open(sim::DocumentData{});
  EXPECT_TRUE(IsDocumentOpen(powerpoint.application()));
}

TEST_F(DocumentChecksTest, AHostRefusingItsCollectionGivesFalseSilently) {
  sim::FakeOfficeHost excel(sim::HostType::kExcel, fakes_.office);
  excel.Open(sim::DocumentData{});
  fakes_.office->Fail("Workbooks.Count", {1004, "nicht verfügbar", "Microsoft Excel"});
  EXPECT_FALSE(IsDocumentOpen(excel.application()));
  fakes_.office->Reset("Workbooks.Count");
  fakes_.office->Returns("Application.Workbooks", Value(ObjectRef()));
  EXPECT_FALSE(IsDocumentOpen(excel.application()));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DocumentChecksTest, WordsStartUpCheckLooksAtTheFirstDocumentItCanHave) {
  sim::FakeOfficeHost word(sim::HostType::kWord, fakes_.office);
  EXPECT_TRUE(CheckIfDocumentIsAvailable(word.application()));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Anzahl Dokumente: 0"}));

  word.Open(sim::DocumentData{});
  word.Open(sim::DocumentData{});
  fakes_.files.kept.clear();
  EXPECT_TRUE(CheckIfDocumentIsAvailable(word.application()));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"Anzahl Dokumente: 2", "Dokument-Index: 1",
                                               "CheckIfDocumentIsAvailable = true"}));

  // Members that come back as nothing are passed over; none usable fails the check.
  fakes_.files.kept.clear();
  fakes_.office->Returns("Documents", Value(ObjectRef()));
  EXPECT_FALSE(CheckIfDocumentIsAvailable(word.application()));
  EXPECT_EQ(Trace().back(), "CheckIfDocumentIsAvailable = false");
  EXPECT_EQ(Trace().size(), 4u);
}

}  // namespace
}  // namespace orvan::testing
