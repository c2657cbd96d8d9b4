#include "framework/win/WinText.h"

#include "framework/Text.h"

namespace vorn2 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");

std::wstring W(std::string_view utf8) {
  std::u16string s = Utf8ToUtf16(utf8);
  return std::wstring(s.begin(), s.end());
}

std::string U8(std::wstring_view utf16) {
  std::u16string s(utf16.begin(), utf16.end());
  return Utf16ToUtf8(s);
}

}  // namespace vorn2
