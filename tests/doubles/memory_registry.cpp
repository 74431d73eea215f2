#include "doubles/memory_registry.h"

#include <algorithm>
#include <sstream>

#include "support/utf8.h"

namespace orvan::testing {
namespace {

constexpr long kKeyDeleted = 1018;

struct CaseInsensitiveLess {
  // The registry compares names without regard to case, Western letters included.
  bool operator()(const std::string& a, const std::string& b) const {
    return utf8::UpperCase(a) < utf8::UpperCase(b);
  }
};

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::istringstream in(path);
  for (std::string part; std::getline(in, part, '\\');) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

}  // namespace

struct MemoryRegistry::Node {
  struct Data {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
  };
  std::map<std::string, std::shared_ptr<Node>, CaseInsensitiveLess> children;
  std::map<std::string, Data, CaseInsensitiveLess> values;
  bool deleted = false;
  long denied = 0;
  long enumeration_error = 0;
};

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Resolve(RegKey key) const {
  const auto h = handles_.find(key);
  if (h != handles_.end()) return h->second;
  // Predefined root keys: sign-extended 0x8000000n.
  const auto as_signed = static_cast<std::intptr_t>(key);
  if (as_signed >= static_cast<std::int32_t>(0x80000000u) &&
      as_signed <= static_cast<std::int32_t>(0x8000000Fu)) {
    auto& root = hives_[static_cast<std::int32_t>(as_signed)];
    if (!root) root = std::make_shared<Node>();
    return root;
  }
  return nullptr;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Walk(const std::shared_ptr<Node>& from,
                                                           const std::string& path, bool create,
                                                           long* rc) const {
  std::shared_ptr<Node> node = from;
  for (const std::string& part : SplitPath(path)) {
    auto it = node->children.find(part);
    if (it == node->children.end()) {
      if (!create) {
        *rc = reg::kFileNotFound;
        return nullptr;
      }
      it = node->children.emplace(part, std::make_shared<Node>()).first;
    }
    node = it->second;
  }
  if (node->denied) {
    *rc = node->denied;
    return nullptr;
  }
  *rc = reg::kSuccess;
  return node;
}

RegKey MemoryRegistry::NewHandle(std::shared_ptr<Node> node) {
  const RegKey key = next_handle_;
  next_handle_ += 4;
  handles_[key] = std::move(node);
  return key;
}

long MemoryRegistry::Usable(RegKey key, std::shared_ptr<Node>* node) const {
  *node = Resolve(key);
  if (!*node) return reg::kInvalidHandle;
  return (*node)->deleted ? kKeyDeleted : reg::kSuccess;
}

long MemoryRegistry::OpenOrCreate(RegKey parent, const std::string& sub_key, bool create,
                                  RegKey* result) {
  std::shared_ptr<Node> from;
  long rc = Usable(parent, &from);
  if (rc != reg::kSuccess) return rc;
  auto node = Walk(from, sub_key, create, &rc);
  if (node) *result = NewHandle(std::move(node));
  return rc;
}

long MemoryRegistry::QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) {
  std::shared_ptr<Node> node;
  if (const long rc = Usable(key, &node)) return rc;
  const auto it = node->values.find(name);
  if (it == node->values.end()) return reg::kFileNotFound;
  const auto actual = static_cast<std::uint32_t>(it->second.bytes.size());
  if (type) *type = it->second.type;
  // Without a buffer only the size is asked for; a buffer too small gets nothing.
  const bool more = data && *size < actual;
  if (size) *size = actual;
  if (more) return reg::kMoreData;
  if (data) std::copy(it->second.bytes.begin(), it->second.bytes.end(), data);
  return reg::kSuccess;
}

long MemoryRegistry::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
  std::shared_ptr<Node> node;
  if (const long rc = Usable(key, &node)) return rc;
  Node::Data& stored = node->values[name];
  stored.type = type;
  stored.bytes.assign(data, data + size);
  return reg::kSuccess;
}

long MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t name_capacity,
                             std::string* name, std::uint32_t class_capacity) {
  name->clear();
  std::shared_ptr<Node> node;
  if (const long rc = Usable(key, &node)) return rc;
  if (node->enumeration_error) return node->enumeration_error;
  if (index >= node->children.size()) return reg::kNoMoreItems;
  auto it = node->children.begin();
  std::advance(it, index);
  // Each buffer needs room for the terminating zero as well; the keys have no class.
  if (it->first.size() + 1 > name_capacity) return reg::kMoreData;
  *name = it->first;
  return class_capacity == 0 ? reg::kMoreData : reg::kSuccess;
}

long MemoryRegistry::DeleteKey(RegKey key, const std::string& sub_key) {
  std::shared_ptr<Node> node;
  long rc = Usable(key, &node);
  if (rc != reg::kSuccess) return rc;
  const auto parts = SplitPath(sub_key);
  if (parts.empty()) return reg::kAccessDenied;
  std::string parent_path;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i)
    parent_path += parts[i] + "\\";
  const auto parent = Walk(node, parent_path, false, &rc);
  if (!parent) return rc;
  const auto it = parent->children.find(parts.back());
  if (it == parent->children.end()) return reg::kFileNotFound;
  if (it->second->denied) return it->second->denied;
  if (!it->second->children.empty()) return reg::kAccessDenied;
  it->second->deleted = true;
  parent->children.erase(it);
  return reg::kSuccess;
}

long MemoryRegistry::CloseKey(RegKey key) {
  return handles_.erase(key) == 1 || Resolve(key) ? reg::kSuccess : reg::kInvalidHandle;
}

void MemoryRegistry::DenyAccess(std::int32_t hive, const std::string& path, long code) {
  long rc = 0;
  if (auto node = Walk(Resolve(reg::HiveKey(hive)), path, true, &rc)) node->denied = code;
}

void MemoryRegistry::FailEnumeration(std::int32_t hive, const std::string& path, long code) {
  long rc = 0;
  if (auto node = Walk(Resolve(reg::HiveKey(hive)), path, true, &rc))
    node->enumeration_error = code;
}

}  // namespace orvan::testing
