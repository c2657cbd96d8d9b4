// Conversions at the Windows boundary: the core's UTF-8 to the W functions'
// UTF-16 and back.
#pragma once

#include <string>
#include <string_view>

namespace vorn2 {

std::wstring W(std::string_view utf8);
std::string U8(std::wstring_view utf16);

}  // namespace vorn2
