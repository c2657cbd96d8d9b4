// The few calls of the start-up path that tests must replace: the network
// check (Wine always reports a connection), the shell, and ending the
// process. The shipped client always uses the real ones; nothing here is
// read from the environment or the command line.
#pragma once

#include <functional>
#include <string>

namespace vorn2 {

struct StartupEnvironment {
  // InternetGetConnectedState's result.
  std::function<bool()> isConnected;
  // ShellExecuteW(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL);
  // true when the shell accepted it.
  std::function<bool(const std::wstring& file, const std::wstring& parameters)> shellOpen;
  // Ends the process at once, running no window's handlers.
  std::function<void()> endAtOnce;
};

// Process-wide, real calls by default.
StartupEnvironment& Startup();
// Back to the real calls.
void ResetStartupEnvironment();

}  // namespace vorn2
