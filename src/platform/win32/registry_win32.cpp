#include <vector>

#include "platform/win32/platform_win32.h"
#include "support/ansi_text.h"

namespace orvan::win32 {
namespace {

HKEY ToHkey(RegKey key) {
  return reinterpret_cast<HKEY>(key);
}

}  // namespace

long Win32Registry::OpenKey(RegKey parent, const std::string& sub_key, std::uint32_t access,
                            RegKey* result) {
  HKEY opened = nullptr;
  const LONG rc = RegOpenKeyExA(ToHkey(parent), Utf8ToAnsi(sub_key).c_str(), 0, access, &opened);
  if (rc == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(opened);
  return rc;
}

long Win32Registry::CreateKey(RegKey parent, const std::string& sub_key, std::uint32_t options,
                              std::uint32_t access, RegKey* result) {
  HKEY created = nullptr;
  const LONG rc = RegCreateKeyExA(ToHkey(parent), Utf8ToAnsi(sub_key).c_str(), 0, nullptr, options,
                                  access, nullptr, &created, nullptr);
  if (rc == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(created);
  return rc;
}

long Win32Registry::QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
  DWORD t = 0;
  DWORD s = size ? *size : 0;
  const LONG rc = RegQueryValueExA(ToHkey(key), Utf8ToAnsi(name).c_str(), nullptr, &t, data,
                                   size ? &s : nullptr);
  if (type) *type = t;
  if (size) *size = s;
  return rc;
}

long Win32Registry::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && data[size - 1] != 0) {
    // RegSetValueExA stores one byte more when the byte behind the data is a zero (it takes the
    // text's terminator as forgotten). Store exactly the bytes given: put a non-zero byte there.
    std::vector<std::uint8_t> copy(data, data + size);
    copy.push_back(0xFF);
    return RegSetValueExA(ToHkey(key), Utf8ToAnsi(name).c_str(), 0, type, copy.data(), size);
  }
  return RegSetValueExA(ToHkey(key), Utf8ToAnsi(name).c_str(), 0, type, data, size);
}

long Win32Registry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t name_capacity,
                            std::string* name, std::uint32_t class_capacity) {
  std::vector<char> name_buffer(name_capacity + 1u, '\0');
  std::vector<char> class_buffer(class_capacity + 1u, '\0');
  DWORD name_chars = name_capacity;
  DWORD class_chars = class_capacity;
  FILETIME written{};
  const LONG rc = RegEnumKeyExA(ToHkey(key), index, name_buffer.data(), &name_chars, nullptr,
                                class_buffer.data(), &class_chars, &written);
  if (rc == ERROR_MORE_DATA && name_buffer[0] == '\0') {
    // Windows delivers the name when only the class does not fit; Wine returns "more data" with
    // nothing filled in. Fetch the name alone then, so that callers see what Windows gives.
    name_chars = name_capacity;
    if (RegEnumKeyExA(ToHkey(key), index, name_buffer.data(), &name_chars, nullptr, nullptr,
                      nullptr, &written) != ERROR_SUCCESS) {
      name_buffer[0] = '\0';
    }
  }
  // Whatever the name buffer received, up to its terminating zero.
  name->assign(AnsiToUtf8(name_buffer.data()));
  return rc;
}

long Win32Registry::DeleteKey(RegKey key, const std::string& sub_key) {
  return RegDeleteKeyA(ToHkey(key), Utf8ToAnsi(sub_key).c_str());
}

long Win32Registry::CloseKey(RegKey key) {
  return RegCloseKey(ToHkey(key));
}

}  // namespace orvan::win32
