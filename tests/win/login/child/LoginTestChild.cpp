// Child process of the login tests: splash, hidden login with the scripted
// browser, then the login page completes with too little HTML.
//   login_test_child <report file>
// Exit status 0 and the report's "prompt" line: the network message was shown
// and the process ended at once. Exit status 3: it carried on.
#include <windows.h>

#include <fstream>
#include <string>

#include "framework/win/Prompt.h"
#include "framework/win/WinText.h"
#include "login/AppCommands.h"
#include "login/win/LoginFrm.h"
#include "startup/win/LoadFrm.h"
#include "win/support/ScriptedWebView.h"

using namespace vorn2;

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring reportPath = argv[1];
  auto report = [&](const std::string& line) {
    std::ofstream out(U8(reportPath), std::ios::app | std::ios::binary);
    out << line << "\n";
  };
  SetPromptHook([&](const PromptRequest& r) {
    report("prompt " + std::to_string(r.type) + " " + U8(r.title) + " " + U8(r.text));
    return IDOK;
  });

  test::ScriptedWebView* view = nullptr;
  LoadFrm splash(StartupSettings{});
  LoginFrm login(LoginSettings{"http://portal.test"}, [&view] {
    auto v = std::make_unique<test::ScriptedWebView>();
    view = v.get();
    return v;
  });
  splash.loadLogin = [&] { login.Load(); };
  login.unloadSplash = [&] {
    report("splash unloaded");
    splash.Unload();
  };
  splash.Start();
  if (!view || !splash.IsVisible()) return 4;
  report("started");

  view->innerHtmlLength = 29;  // <html><body>错误</body></html>
  view->FireDocumentComplete(W(LoginPageUrl("http://portal.test")));
  report("carried on");
  return 3;
}
