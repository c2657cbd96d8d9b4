#include "framework/win/ProcessEnvironment.h"

#include <windows.h>
#include <shellapi.h>

#include "framework/win/Screen.h"
#include "framework/win/SystemLibrary.h"

namespace vorn2 {
namespace {
ProcessEnvironment RealEnvironment() {
  ProcessEnvironment env;
  env.isConnected = [] {
    const WinInetFunctions* net = WinInet();
    DWORD flags = 0;
    return net && net->InternetGetConnectedState(&flags, 0) != FALSE;
  };
  env.shellOpen = [](const std::wstring& file, const std::wstring& parameters) {
    HINSTANCE r = ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                                nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(r) > 32;
  };
  env.endAtOnce = [] { EndAtOnce(0); };
  return env;
}
}  // namespace

ProcessEnvironment& Process() {
  static ProcessEnvironment env = RealEnvironment();
  return env;
}

void ResetProcessEnvironment() { Process() = RealEnvironment(); }

}  // namespace vorn2
