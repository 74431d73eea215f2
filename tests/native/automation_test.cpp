// Host objects by member name: Basic's error rules.
#include <gtest/gtest.h>

#include <new>

#include "doubles/raised_error.h"
#include "support/automation.h"

namespace orvan::testing {
namespace {

TEST(MemberAccess, NothingAndWrongTypesRaiseBasicsErrors) {
  EXPECT_EQ(ErrorNumberOf([] { Get(ObjectRef(), "Count"); }), vberr::kObjectNotSet);
  EXPECT_EQ(ErrorNumberOf([] { AsObject(Value("text")); }), vberr::kTypeMismatch);
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
  // Running out of memory is skipped like any run-time error, as error 7.
  EXPECT_FALSE(resume.Step([] { throw std::bad_alloc(); }));
  EXPECT_EQ(resume.LastError()->number(), vberr::kOutOfMemory);
  resume.Clear();
  EXPECT_FALSE(resume.LastError().has_value());
}

}  // namespace
}  // namespace orvan::testing
