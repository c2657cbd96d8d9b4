// The few process-wide calls that tests must replace: the network check
// (Wine always reports a connection), the shell (the start-up's "/web" and
// updater, the main window's portal) and ending the process at once (the
// start-up, the login and the update's hand-over). The shipped client always
// uses the real ones; nothing here is read from the environment or the
// command line.
#pragma once

#include <functional>
#include <string>

namespace vorn2 {

struct ProcessEnvironment {
  // InternetGetConnectedState's result.
  std::function<bool()> isConnected;
  // ShellExecuteW(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL);
  // true when the shell accepted it.
  std::function<bool(const std::wstring& file, const std::wstring& parameters)> shellOpen;
  // Ends the process at once, running no window's handlers.
  std::function<void()> endAtOnce;
};

// Process-wide, real calls by default.
ProcessEnvironment& Process();
// Back to the real calls.
void ResetProcessEnvironment();

}  // namespace vorn2
