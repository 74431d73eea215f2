// Whether a document is open, and Word's start-up check.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "hosts/document_checks.h"

namespace orvan::testing {
namespace {

using DocumentChecksTest = OfficeTest;

TEST_F(DocumentChecksTest, EachHostWithoutADocumentTellsTheUser) {
  const std::vector<std::pair<sim::HostType, std::string>> hosts = {
      {sim::HostType::kWord, "Sie müssen zuerst ein Dokument öffnen"},
      {sim::HostType::kExcel, "Sie müssen zuerst eine Arbeitsmappe öffnen"},
      {sim::HostType::kPowerPoint, "Sie müssen zuerst eine Präsentation öffnen"}};
  for (const auto& [type, text] : hosts) {
    sim::FakeOfficeHost host(type, fakes_.office);
    Boxes().clear();
    EXPECT_FALSE(IsDocumentOpen(host.application()));
    EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{{text, "Orvan pdf Vatner COM Add-In", 64}}));
    host.Open(sim::DocumentData{});
    EXPECT_TRUE(IsDocumentOpen(host.application()));
  }
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
