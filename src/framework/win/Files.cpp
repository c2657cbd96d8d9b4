#include "framework/win/Files.h"

#include <windows.h>

namespace vorn2 {

std::optional<std::string> ReadFileHead(const std::wstring& path, std::size_t maxBytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text;
  char buffer[8192];
  DWORD got = 0;
  while (text.size() < maxBytes && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    text.append(buffer, got);
  CloseHandle(file);
  return text;
}

}  // namespace vorn2
