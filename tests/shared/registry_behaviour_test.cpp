// Registry behaviour the add-in relies on, run unchanged against the in-memory double and
// against the real registry, so that the double cannot drift from what Windows does.
#include <gtest/gtest.h>

#include <string>

#include "shared/registry_backend.h"
#include "support/registry_functions.h"

namespace orvan::testing {
namespace {

constexpr std::int32_t kHkcu = reg::kHkeyCurrentUser;

class RegistryBehaviour : public ::testing::Test {
 protected:
  void SetUp() override { backend_ = MakeRegistryBackend(); }

  RegistryApi& api() { return backend_->api(); }
  std::string Path(const std::string& rest = "") const {
    return rest.empty() ? backend_->root() : backend_->root() + "\\" + rest;
  }

  RegKey Open(const std::string& path) {
    RegKey key = 0;
    EXPECT_EQ(api().OpenKey(reg::HiveKey(kHkcu), path, reg::kAccessAll, &key), reg::kSuccess)
        << path;
    return key;
  }
  void RawSet(const std::string& path, const std::string& name, std::uint32_t type,
              const std::string& bytes) {
    RegKey key = 0;
    ASSERT_EQ(api().CreateKey(reg::HiveKey(kHkcu), path, 0, reg::kAccessAll, &key), reg::kSuccess);
    ASSERT_EQ(api().SetValue(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                             static_cast<std::uint32_t>(bytes.size())),
              reg::kSuccess);
    api().CloseKey(key);
  }
  // How many subkeys the enumeration delivers with name buffers that are large enough.
  std::uint32_t SubkeyCount(const std::string& path) {
    const RegKey key = Open(path);
    std::uint32_t count = 0;
    for (std::string name; api().EnumKey(key, count, 256, &name, 256) == reg::kSuccess;)
      ++count;
    api().CloseKey(key);
    return count;
  }

 private:
  std::unique_ptr<RegistryBackend> backend_;
};

TEST_F(RegistryBehaviour, TextRoundTripsExactlyAndIsStoredWithoutTerminatingZero) {
  const std::string key = Path("OfficeAddin\\ToolBarPosition\\");
  const std::string name = "C:\\Program Files\\Office\\WINWORD.EXE";
  SetRegistryKeyValue(kHkcu, key, name, Value("1;0;120;4"), 1);
  EXPECT_EQ(GetRegistryKeyValue(kHkcu, key, name), Value("1;0;120;4"));

  const RegKey k = Open(key);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(api().QueryValue(k, name, &type, nullptr, &size), reg::kSuccess);
  EXPECT_EQ(type, reg::kTypeString);
  EXPECT_EQ(size, 9u);  // characters only, no zero byte
  api().CloseKey(k);

  // Western characters pass through the ANSI code page unchanged; value names ignore case.
  SetRegistryKeyValue(kHkcu, key, "Größe", Value("Générer für €"), 1);
  EXPECT_EQ(GetRegistryKeyValue(kHkcu, key, "GRÖßE"), Value("Générer für €"));
  SetRegistryKeyValue(kHkcu, key, "empty", Value(""), 1);
  EXPECT_EQ(GetRegistryKeyValue(kHkcu, key, "empty"), Value(""));
  // Text another program stored with its terminating zero reads back with it.
  RawSet(key, "zero", reg::kTypeString, std::string("abc\0", 4));
  EXPECT_EQ(GetRegistryKeyValue(kHkcu, key, "zero"), Value(std::string("abc\0", 4)));
}

// DWORD values read as long integers: true is -1; text that is a number becomes one.
TEST_F(RegistryBehaviour, WritesCreateMissingParentsDwordsReadAsLongsAndOtherTypesAsNothing) {
  const std::string deep = Path("a\\b\\c\\");
  const std::pair<Value, std::int32_t> dwords[] = {
      {7, 7}, {true, -1}, {std::int16_t{1}, 1}, {" 42 ", 42}};
  for (const auto& [written, read] : dwords) {
    SetRegistryKeyValue(kHkcu, deep, "v", written, 4);
    EXPECT_EQ(GetRegistryKeyValue(kHkcu, deep, "v"), Value(std::int32_t{read}));
  }

  CreateRegistryKey(kHkcu, Path("x\\y\\z"));
  api().CloseKey(Open(Path("x\\y\\z")));  // there to be opened

  // Type 3 writes nothing; text that is no number cannot become a REG_DWORD; other types and
  // missing values or keys read as nothing.
  SetRegistryKeyValue(kHkcu, deep, "bin", Value("data"), 3);
  SetRegistryKeyValue(kHkcu, deep, "bad", Value("abc"), 4);
  RawSet(Path("k"), "binary", reg::kTypeBinary, std::string("\x01\x02\x03\x04", 4));
  RawSet(Path("k"), "expand", 2 /* REG_EXPAND_SZ */, std::string("%TEMP%\0", 7));
  const std::pair<const char*, const char*> unreadable[] = {
      {"a\\b\\c", "bin"}, {"a\\b\\c", "bad"}, {"k", "binary"},
      {"k", "expand"},    {"k", "missing"},   {"no such key", "binary"}};
  for (const auto& [key, name] : unreadable)
    EXPECT_TRUE(GetRegistryKeyValue(kHkcu, Path(key), name).IsEmpty()) << key << " " << name;
}

TEST_F(RegistryBehaviour, TreeDeletionRemovesEverySubkeyAndKeepsTheKeyWithItsValues) {
  const std::string key = Path("Application DevMode\\WINWORD.EXE");
  SetRegistryKeyValue(kHkcu, key, "kept", Value("yes"), 1);
  for (const char* sub : {"one", "two", "three", "four"})
    CreateRegistryKey(kHkcu, key + "\\" + sub);
  SetRegistryKeyValue(kHkcu, key + "\\two\\inner1", "v", Value("x"), 1);
  CreateRegistryKey(kHkcu, key + "\\two\\inner2\\deeper");

  DeleteRegistryKeyTree(kHkcu, key + "\\absent");  // a missing key: nothing happens
  EXPECT_EQ(SubkeyCount(key), 4u);
  DeleteRegistryKeyTree(kHkcu, key + "\\");

  EXPECT_EQ(SubkeyCount(key), 0u);  // the key itself is still there to be opened
  EXPECT_EQ(GetRegistryKeyValue(kHkcu, key, "kept"), Value("yes"));
}

}  // namespace
}  // namespace orvan::testing
