// Runs the real start-up in its own process for the tests:
//   startup_child.exe online[@<update server>]|offline <log file> <argument string>
// The network check, the shell and the message box are replaced; ending the
// process at once stays real. A start-up that reaches the splash writes its
// state to the log and exits with 42.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "framework/win/ProcessEnvironment.h"
#include "framework/win/Prompt.h"
#include "framework/win/WinText.h"
#include "startup/StartupRules.h"
#include "startup/win/LoadFrm.h"

using namespace vorn2;

namespace {
std::wstring g_log;
LoadFrm* g_form = nullptr;

void Log(const std::string& line) {
  FILE* f = _wfopen(g_log.c_str(), L"ab");
  if (!f) return;
  fputs((line + "\n").c_str(), f);
  fclose(f);
}

std::string NextToken(std::string& rest) {
  std::size_t space = rest.find(' ');
  std::string token = rest.substr(0, space);
  rest = space == std::string::npos ? "" : rest.substr(space + 1);
  return token;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::string rest = ArgumentsFromCommandLine(U8(GetCommandLineW()));
  std::string mode = NextToken(rest);
  // A port nobody listens on unless the test names a server: the update
  // check finds nothing and goes on.
  std::string server = "http://127.0.0.1:9";
  if (const std::size_t at = mode.find('@'); at != std::string::npos) {
    server = mode.substr(at + 1);
    mode.resize(at);
  }
  g_log = W(NextToken(rest));

  Process().isConnected = [mode] { return mode != "offline"; };
  Process().shellOpen = [](const std::wstring& file, const std::wstring& params) {
    Log("shell " + U8(file) + "|" + U8(params));
    return true;
  };
  SetPromptHook([](const PromptRequest& r) {
    Log("prompt " + U8(r.title) + "|" + U8(r.text) + "|" + std::to_string(r.type));
    return IDOK;
  });

  LoadFrm form(StartupSettings{server, "http://127.0.0.1:9/home", rest});
  g_form = &form;
  // Short enough for a test to wait out a server that never answers.
  form.SetTimeouts({std::chrono::milliseconds(2000), std::chrono::milliseconds(2000)});
  form.BeginCreate();  // as the client does
  if (!form.Create()) {
    Log("create returned");
    return 3;
  }
  form.Start();
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) {
    RECT rc{};
    GetWindowRect(g_form->hWnd(), &rc);
    Log("splash " + std::to_string(rc.right - rc.left) + "x" + std::to_string(rc.bottom - rc.top) +
        (IsWindowVisible(g_form->hWnd()) ? " visible" : " hidden"));
    ExitProcess(42);
  });
  Form::RunMessageLoop();
  return 4;
}
