// The registry as the ANSI registry functions present it. Names and text are UTF-8 here and
// converted to the ANSI code page by the Windows implementation; value data is passed as the raw
// bytes the registry stores. Results are the system's error codes.
#pragma once

#include <cstdint>
#include <string>

namespace orvan {

using RegKey = std::uintptr_t;

namespace reg {
inline constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::uint32_t kAccessAll = 0x3F;  // query, set, create, enumerate, notify, link
inline constexpr std::uint32_t kTypeString = 1;    // REG_SZ
inline constexpr std::uint32_t kTypeBinary = 3;    // REG_BINARY
inline constexpr std::uint32_t kTypeDword = 4;     // REG_DWORD
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kMoreData = 234;
inline constexpr long kNoMoreItems = 259;
inline constexpr long kAccessDenied = 5;

// The handle of a predefined root key given by its 32-bit number (sign-extended as Windows
// defines the predefined handles).
inline RegKey HiveKey(std::int32_t hive) {
  return static_cast<RegKey>(static_cast<std::intptr_t>(hive));
}
}  // namespace reg

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  virtual long OpenKey(RegKey parent, const std::string& sub_key, std::uint32_t access,
                       RegKey* result) = 0;
  // Creates every missing level of sub_key, or opens it when it exists.
  virtual long CreateKey(RegKey parent, const std::string& sub_key, std::uint32_t options,
                         std::uint32_t access, RegKey* result) = 0;
  // With data null only type and size are asked for. *size is the buffer's capacity on entry
  // and the value's size on return.
  virtual long QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) = 0;
  virtual long SetValue(RegKey key, const std::string& name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) = 0;
  // The subkey at index, with name and class buffers of the capacities given in characters
  // (each including the terminating zero). *name holds what the name buffer received.
  virtual long EnumKey(RegKey key, std::uint32_t index, std::uint32_t name_capacity,
                       std::string* name, std::uint32_t class_capacity) = 0;
  // Deletes a subkey that has no subkeys of its own, together with its values.
  virtual long DeleteKey(RegKey key, const std::string& sub_key) = 0;
  virtual long CloseKey(RegKey key) = 0;
};

}  // namespace orvan
