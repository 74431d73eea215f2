// An in-memory registry that answers like the ANSI registry functions in everything the add-in
// relies on: case-insensitive names kept in sorted order, predefined hive handles, creation of
// missing levels, size queries and "more data", enumeration codes, deletion of leaf keys only,
// and handles that must be closed.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/registry_api.h"

namespace orvan::testing {

class MemoryRegistry final : public RegistryApi {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  long OpenKey(RegKey parent, const std::string& sub_key, std::uint32_t /*access*/,
               RegKey* result) override {
    return OpenOrCreate(parent, sub_key, false, result);
  }
  long CreateKey(RegKey parent, const std::string& sub_key, std::uint32_t /*options*/,
                 std::uint32_t /*access*/, RegKey* result) override {
    return OpenOrCreate(parent, sub_key, true, result);
  }
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long EnumKey(RegKey key, std::uint32_t index, std::uint32_t name_capacity, std::string* name,
               std::uint32_t class_capacity) override;
  long DeleteKey(RegKey key, const std::string& sub_key) override;
  long CloseKey(RegKey key) override;

  // Handles opened or created and not yet closed (predefined hives not counted).
  std::size_t OpenHandles() const { return handles_.size(); }
  // Makes every later call on the key at path fail with code, as a key without access does.
  void DenyAccess(std::int32_t hive, const std::string& path, long code);
  // Makes every enumeration of the subkeys of the key at path fail with code (the key itself
  // still opens), as for a key another process deleted (1018).
  void FailEnumeration(std::int32_t hive, const std::string& path, long code);

 private:
  struct Node;

  std::shared_ptr<Node> Resolve(RegKey key) const;
  // The open key's node, or why it cannot be used (invalid handle, key deleted).
  long Usable(RegKey key, std::shared_ptr<Node>* node) const;
  long OpenOrCreate(RegKey parent, const std::string& sub_key, bool create, RegKey* result);
  std::shared_ptr<Node> Walk(const std::shared_ptr<Node>& from, const std::string& path,
                             bool create, long* rc) const;
  RegKey NewHandle(std::shared_ptr<Node> node);

  mutable std::map<std::int32_t, std::shared_ptr<Node>> hives_;  // made on first use
  std::map<RegKey, std::shared_ptr<Node>> handles_;              // open keys
  RegKey next_handle_ = 0x1000;
};

}  // namespace orvan::testing
