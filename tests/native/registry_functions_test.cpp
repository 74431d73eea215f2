// What only the double can show: message turns, keys that refuse deletion or enumeration.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "support/registry_functions.h"

namespace orvan::testing {
namespace {

constexpr std::int32_t kHkcu = reg::kHkeyCurrentUser;
const std::string kKey = "Software\\Orvan software GmbH\\Orvan pdf vatner\\Application DevMode\\";

// (That every operation closes the keys it opens: the shared behaviour tests.)
using RegistryFunctionsTest = PlatformTest;

TEST_F(RegistryFunctionsTest, TreeDeletionTurnsTheMessageLoopOncePerKeyEnumeratedToItsEnd) {
  CreateRegistryKey(kHkcu, kKey + "WINWORD.EXE\\x\\y");
  DeleteRegistryKeyTree(kHkcu, kKey);
  // The key, WINWORD.EXE and x each had their subkeys enumerated to the end.
  EXPECT_EQ(fakes_.pump.turns, 3);
  DeleteRegistryKeyTree(kHkcu, kKey + "absent");  // no turn: the count below stays at 3

  // An enumeration that keeps failing (the key deleted by another process) ends the deletion.
  CreateRegistryKey(kHkcu, kKey + "EXCEL.EXE");
  fakes_.registry.FailEnumeration(kHkcu, kKey, 1018);
  DeleteRegistryKeyTree(kHkcu, kKey);
  EXPECT_EQ(fakes_.pump.turns, 3);
}

TEST_F(RegistryFunctionsTest, SubkeysThatCannotBeDeletedOrWrittenStayWhileTheOthersGo) {
  for (const char* sub : {"a", "b", "c", "d"})
    CreateRegistryKey(kHkcu, kKey + sub + "\\leaf");
  fakes_.registry.DenyAccess(kHkcu, kKey + "b", reg::kAccessDenied);
  // A name of the registry's maximum of 255 characters does not fit the name buffer with its
  // terminating zero: that place is passed over.
  CreateRegistryKey(kHkcu, kKey + std::string(255, 'L'));

  DeleteRegistryKeyTree(kHkcu, kKey);
  // A key that cannot be created swallows the write.
  SetRegistryKeyValue(kHkcu, kKey + "b", "v", Value("x"), 1);
  EXPECT_TRUE(GetRegistryKeyValue(kHkcu, kKey + "b", "v").IsEmpty());

  RegKey key = 0;
  ASSERT_EQ(fakes_.registry.OpenKey(reg::HiveKey(kHkcu), kKey, reg::kAccessAll, &key), 0);
  std::string name;  // two subkeys left: "b" and the long name
  EXPECT_EQ(fakes_.registry.EnumKey(key, 1, 256, &name, 0), reg::kMoreData);
  EXPECT_EQ(fakes_.registry.EnumKey(key, 2, 256, &name, 0), reg::kNoMoreItems);
  fakes_.registry.CloseKey(key);
}

}  // namespace
}  // namespace orvan::testing
