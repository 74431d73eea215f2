// Small registry operations over the ANSI registry functions. They trace nothing, show nothing
// and raise nothing: failures come back as codes or empty results.
#pragma once

#include <cstdint>
#include <string>

#include "support/registry_api.h"
#include "support/value.h"

namespace orvan {

// The value (text or 32-bit integer); empty when the key or value is missing, unreadable or of
// another type.
Value GetRegistryKeyValue(std::int32_t hive, const std::string& key_path,
                          const std::string& value_name) noexcept;

// Writes a REG_SZ (type 1, without terminating zero) or REG_DWORD (type 4) value, creating the
// key and its missing parents first.
void SetRegistryKeyValue(std::int32_t hive, const std::string& key_path,
                         const std::string& value_name, const Value& value,
                         std::int32_t value_type) noexcept;

void CreateRegistryKey(std::int32_t hive, const std::string& key_path) noexcept;

// Deletes every subkey below the key at any depth; the key and its values stay.
void DeleteRegistryKeyTree(std::int32_t hive, const std::string& key_path) noexcept;

// 0 on success, the system's error code, or -1 for a type other than REG_SZ and REG_DWORD.
// value is set only by a successful read (to empty when a text read fails).
std::int32_t ReadRegistryValue(RegKey key, const std::string& value_name, Value& value);

// 0 on success or the system's error code; types other than 1 and 4 write nothing and give 0.
std::int32_t WriteRegistryValue(RegKey key, const std::string& value_name, std::int32_t value_type,
                                const Value& value);

}  // namespace orvan
