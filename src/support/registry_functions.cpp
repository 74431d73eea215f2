#include "support/registry_functions.h"

#include <vector>

#include "support/ansi_text.h"
#include "support/platform.h"

namespace orvan {
namespace {

constexpr std::uint32_t kSubkeyNameChars = 255;

RegistryApi& Api() {
  return *CurrentPlatform().registry;
}

// A key handle closed when it goes out of scope; 0 (never opened) is closed too, as the
// registry simply refuses it.
class OpenedKey {
 public:
  OpenedKey() = default;
  ~OpenedKey() { Api().CloseKey(handle_); }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  RegKey* Receive() { return &handle_; }
  RegKey get() const { return handle_; }

 private:
  RegKey handle_ = 0;
};

std::string SubkeyPath(const std::string& key_path, const std::string& name) {
  if (!key_path.empty() && key_path.back() == '\\') return key_path + name;
  return key_path + "\\" + name;
}

// One enumeration step: the class buffer's capacity is 0, so an existing subkey answers "more
// data" (its class does not fit) together with its name. A name that did not fit the buffer
// arrives empty and counts as none; "no more items" ends the enumeration, and any other code
// but success is an error.
enum class Enumerated { kName, kNoName, kEnd, kError };

Enumerated EnumerateSubkey(RegKey key, std::uint32_t index, std::string* name) {
  switch (Api().EnumKey(key, index, kSubkeyNameChars, name, 0)) {
    case reg::kMoreData:
      return name->empty() ? Enumerated::kNoName : Enumerated::kName;
    case reg::kSuccess:
      return Enumerated::kNoName;
    case reg::kNoMoreItems:
      return Enumerated::kEnd;
    default:
      return Enumerated::kError;
  }
}

}  // namespace

std::int32_t ReadRegistryValue(RegKey key, const std::string& value_name, Value& value) {
  RegistryApi& api = Api();
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  long rc = api.QueryValue(key, value_name, &type, nullptr, &size);
  if (rc != reg::kSuccess) return static_cast<std::int32_t>(rc);
  if (type == reg::kTypeString) {
    std::vector<std::uint8_t> buffer(size + 1u, ' ');
    rc = api.QueryValue(key, value_name, &type, buffer.data(), &size);
    if (rc == reg::kSuccess) {
      value = AnsiToUtf8(std::string(buffer.begin(), buffer.begin() + size));
    } else {
      value = Value();
    }
    return static_cast<std::int32_t>(rc);
  }
  if (type == reg::kTypeDword) {
    std::uint8_t data[4] = {};
    size = sizeof data;
    rc = api.QueryValue(key, value_name, &type, data, &size);
    if (rc == reg::kSuccess) {
      value = static_cast<std::int32_t>(
          static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
          static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24);
    }
    return static_cast<std::int32_t>(rc);
  }
  return -1;
}

std::int32_t WriteRegistryValue(RegKey key, const std::string& value_name, std::int32_t value_type,
                                const Value& value) {
  if (value_type == static_cast<std::int32_t>(reg::kTypeString)) {
    const std::string ansi = Utf8ToAnsi(ToText(value));
    return static_cast<std::int32_t>(Api().SetValue(
        key, value_name, reg::kTypeString, reinterpret_cast<const std::uint8_t*>(ansi.data()),
        static_cast<std::uint32_t>(ansi.size())));
  }
  if (value_type == static_cast<std::int32_t>(reg::kTypeDword)) {
    const auto n = static_cast<std::uint32_t>(ToLong(value));
    const std::uint8_t data[4] = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                  static_cast<std::uint8_t>(n >> 16),
                                  static_cast<std::uint8_t>(n >> 24)};
    return static_cast<std::int32_t>(Api().SetValue(key, value_name, reg::kTypeDword, data, 4));
  }
  return 0;
}

Value GetRegistryKeyValue(std::int32_t hive, const std::string& key_path,
                          const std::string& value_name) noexcept {
  Value value;
  try {
    OpenedKey key;
    // An open that fails leaves the handle 0, and the read below then fails on it.
    Api().OpenKey(reg::HiveKey(hive), key_path, reg::kAccessAll, key.Receive());
    ReadRegistryValue(key.get(), value_name, value);
  } catch (...) {
    value = Value();
  }
  return value;
}

void SetRegistryKeyValue(std::int32_t hive, const std::string& key_path,
                         const std::string& value_name, const Value& value,
                         std::int32_t value_type) noexcept {
  try {
    OpenedKey key;
    if (Api().OpenKey(reg::HiveKey(hive), key_path, reg::kAccessAll, key.Receive()) !=
        reg::kSuccess) {
      CreateRegistryKey(hive, key_path);
      Api().OpenKey(reg::HiveKey(hive), key_path, reg::kAccessAll, key.Receive());
    }
    WriteRegistryValue(key.get(), value_name, value_type, value);
  } catch (...) {
    // A value that cannot be converted or written leaves the registry as it was.
  }
}

void CreateRegistryKey(std::int32_t hive, const std::string& key_path) noexcept {
  try {
    OpenedKey key;
    Api().CreateKey(reg::HiveKey(hive), key_path, 0, reg::kAccessAll, key.Receive());
  } catch (...) {
  }
}

void DeleteRegistryKeyTree(std::int32_t hive, const std::string& key_path) noexcept {
  try {
    RegistryApi& api = Api();
    OpenedKey key;
    if (api.OpenKey(reg::HiveKey(hive), key_path, reg::kAccessAll, key.Receive()) !=
        reg::kSuccess) {
      return;
    }
    std::uint32_t index = 0;
    for (;;) {
      std::string name;
      const Enumerated step = EnumerateSubkey(key.get(), index, &name);
      if (step == Enumerated::kEnd) break;
      if (step == Enumerated::kError) return;  // e.g. the key was deleted meanwhile
      if (step == Enumerated::kNoName) {
        ++index;
        continue;
      }
      const std::string sub_path = SubkeyPath(key_path, name);
      bool has_subkeys = false;
      {
        OpenedKey sub;
        if (api.OpenKey(reg::HiveKey(hive), sub_path, reg::kAccessAll, sub.Receive()) ==
            reg::kSuccess) {
          std::string first;
          has_subkeys = EnumerateSubkey(sub.get(), 0, &first) == Enumerated::kName;
        }
      }
      if (has_subkeys) DeleteRegistryKeyTree(hive, sub_path);
      // A deleted subkey moves the next one to this place; one that stays is passed over.
      if (api.DeleteKey(key.get(), name) != reg::kSuccess) ++index;
    }
    CurrentPlatform().pump->ProcessPendingMessages();
  } catch (...) {
  }
}

}  // namespace orvan
