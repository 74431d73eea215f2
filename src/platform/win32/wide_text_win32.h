// Text between the add-in's UTF-8 and Windows' UTF-16, through a code page.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/win32.h"

namespace orvan::win32 {

std::wstring Widen(std::string_view text, UINT code_page = CP_UTF8);
// Characters the code page lacks become '?'.
std::string Narrow(std::wstring_view wide, UINT code_page = CP_UTF8);

}  // namespace orvan::win32
