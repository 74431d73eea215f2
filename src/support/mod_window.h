// Where the running code comes from: the host's executable and the add-in's own folder.
#pragma once

#include <string>

namespace orvan {

inline constexpr const char* kAddinModuleName = "OrvanpdfVtAddin.dll";

// The host executable's full path, or with full_path false its file name in upper case.
// Empty when the lookup fails. Paths are read through a 255-character buffer.
std::string GetHostModuleName(bool full_path) noexcept;

// The folder of the loaded "OrvanpdfVtAddin.dll", ending in "\"; the host executable's folder
// when no module of that name is loaded. Raises error 5 when no file name can be read.
std::string GetAddinFolder();

}  // namespace orvan
