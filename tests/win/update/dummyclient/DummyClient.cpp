// Stand-in client for the updater's tests.
#include <windows.h>

#include <string>

#include "framework/win/SystemLibrary.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  const std::wstring arguments = commandLine ? commandLine : L"";
  if (arguments == L"/stay") {
    Sleep(120000);
    return 0;
  }
  // A library by name, the plain way or after the client's first step.
  for (const std::wstring option : {L"/load ", L"/safe-load "}) {
    if (arguments.rfind(option, 0) != 0) continue;
    if (option == L"/safe-load ") vorn2::RestrictLibrarySearchToSystem();
    return LoadLibraryW(arguments.substr(option.size()).c_str()) ? 0 : 1;
  }
  wchar_t self[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  std::string size = std::to_string(data.nFileSizeLow);
  HANDLE marker = CreateFileW((path + L".started").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(marker, size.data(), static_cast<DWORD>(size.size()), &written, nullptr);
  CloseHandle(marker);
  return 0;
}
