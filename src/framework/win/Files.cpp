#include "framework/win/Files.h"

#include <windows.h>

#include "framework/win/Handles.h"

namespace vorn2 {

std::optional<std::string> ReadFileHead(const std::wstring& path, std::size_t maxBytes) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  std::string text;
  char buffer[8192];
  DWORD got = 0;
  while (text.size() < maxBytes && ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
    text.append(buffer, got);
  return text;
}

}  // namespace vorn2
