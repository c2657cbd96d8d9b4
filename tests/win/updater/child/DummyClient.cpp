// Stand-in client for the updater's tests: started, it notes its own size
// beside itself and shows a window for a second.
#include <windows.h>

#include <string>

#include "framework/win/SystemLibrary.h"
#include "startup/win/SwapConfirmation.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  const std::wstring arguments = commandLine ? commandLine : L"";
  if (arguments == L"/stay") {
    Sleep(120000);
    return 0;
  }
  // Holds a file open the way that lets it be written but not deleted, as a
  // client started after an uninstaller's check holds its image.
  if (arguments.rfind(L"/hold ", 0) == 0) {
    std::wstring path = arguments.substr(6);
    if (path.size() > 1 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    Sleep(120000);
    CloseHandle(file);
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
  vorn2::SwapConfirmation swap(path);
  // The test reads the marker over and over while it waits: shared, so
  // that a read at the wrong moment does not keep it from being written.
  HANDLE marker = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && marker == INVALID_HANDLE_VALUE; ++attempt) {
    if (attempt) Sleep(20);
    marker = CreateFileW((path + L".started").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (marker == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(marker, size.data(), static_cast<DWORD>(size.size()), &written, nullptr);
  CloseHandle(marker);
  // A copy whose file ends with this tag stands for a client that cannot
  // start: it ends before it shows anything.
  static const char kEndsAtOnce[] = "ENDSNOW!";
  const DWORD tagSize = sizeof(kEndsAtOnce) - 1;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  char tail[sizeof(kEndsAtOnce)] = {};
  DWORD read = 0;
  if (file != INVALID_HANDLE_VALUE) {
    SetFilePointer(file, -static_cast<LONG>(tagSize), nullptr, FILE_END);
    ReadFile(file, tail, tagSize, &read, nullptr);
    CloseHandle(file);
  }
  if (read == tagSize && std::string(tail, tagSize) == kEndsAtOnce) return 1;
  // Otherwise it shows a window for a second, as a client that runs.
  HWND window = CreateWindowExW(0, L"STATIC", L"dummy client", WS_POPUP | WS_VISIBLE, 0, 0, 40, 20, nullptr, nullptr,
                                nullptr, nullptr);
  swap.FirstWindowShown();
  SetTimer(window, 1, 1000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
  return 0;
}
