// Where the client's start-up time goes: the steps vorn2.exe takes from
// process start to the visible splash, in its order and with its own
// classes (the real browser control included), each with the time it took.
// The creation's network work and the splash picture's decoding run on a
// worker from just after main until the creation step waits for them, so
// the steps before that wait overlap it. Only the login window's browser is
// wrapped, to time its creation and navigation.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/SystemLibrary.h"
#include "framework/win/WebBrowserHost.h"
#include "framework/win/WinText.h"
#include "login/win/LoginFrm.h"
#include "mainwindow/win/WebMainFrm.h"
#include "startup/win/LoadFrm.h"
#include "vorn2/BuildConfig.h"

using namespace vorn2;

namespace {

double NowMs() {
  // Process creation and now on the same clock (100 ns units since 1601).
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return (static_cast<double>(now.dwHighDateTime) * 4294967296.0 + now.dwLowDateTime) / 10000.0;
}

double ProcessStartMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return (static_cast<double>(created.dwHighDateTime) * 4294967296.0 + created.dwLowDateTime) / 10000.0;
}

struct Steps {
  double last = ProcessStartMs();
  double start = last;
  std::vector<std::pair<std::string, double>> done;
  void Mark(const std::string& name) {
    const double now = NowMs();
    done.emplace_back(name, now - last);
    last = now;
  }
};

Steps g_steps;

// The product's browser, with its creation and navigation timed.
class TimedWebView : public IWebView {
 public:
  bool Create(HWND parent, int x, int y, int width, int height) override {
    g_steps.Mark("login window and its buttons");
    const bool ok = inner_->Create(parent, x, y, width, height);
    g_steps.Mark("browser control: creation and in-place activation");
    return ok;
  }
  void Navigate(const std::wstring& url) override {
    g_steps.Mark("icon file, login background window and its icons");
    inner_->Navigate(url);
    g_steps.Mark("login page navigation started");
  }
  void Destroy() override { inner_->Destroy(); }
  HWND hWnd() const override { return inner_->hWnd(); }
  void Move(int x, int y, int width, int height) override { inner_->Move(x, y, width, height); }
  WebViewEvents& Events() override { return inner_->Events(); }
  void Refresh() override { inner_->Refresh(); }
  void SetSilent(bool silent) override { inner_->SetSilent(silent); }
  bool Silent() const override { return inner_->Silent(); }
  std::wstring DocumentUrl() override { return inner_->DocumentUrl(); }
  long RootInnerHtmlLength() override { return inner_->RootInnerHtmlLength(); }
  bool SetRootOverflowHidden() override { return inner_->SetRootOverflowHidden(); }
  void SetContextMenuEnabled(bool enabled) override { inner_->SetContextMenuEnabled(enabled); }
  void SetScrollBars(bool shown) override { inner_->SetScrollBars(shown); }
  void SetBorder(bool shown) override { inner_->SetBorder(shown); }

 private:
  std::unique_ptr<IWebView> inner_ = CreateWebBrowser();
};

class TimedLoadFrm : public LoadFrm {
 public:
  using LoadFrm::LoadFrm;

 protected:
  void OnLoad() override {
    g_steps.Mark("splash window creation");
    LoadFrm::OnLoad();
  }
};

}  // namespace

int wmain() {
  g_steps.Mark("process start to main (loader, runtime)");
  RestrictLibrarySearchToSystem();
  TimedLoadFrm loadFrm(StartupSettings{build::kUpdateServer, build::kHomePage, ""});
  loadFrm.BeginCreate();
  OleInitialize(nullptr);
  g_steps.Mark("OLE start (worker: check, version file, splash)");
  Form::CreateHiddenOwner();
  g_steps.Mark("first window, hidden (the display connection)");
  if (!loadFrm.Create()) return 1;
  g_steps.Mark("waiting for the worker; the update decision");
  WebMainFrm mainFrm(MainSettings{build::kUpdateServer, build::kPortal});
  LoginFrm loginFrm(LoginSettings{build::kPortal}, [] { return std::make_unique<TimedWebView>(); });
  loginFrm.gameWindow = &mainFrm;
  g_steps.Mark("main and login window objects");
  loadFrm.loadLogin = [&loginFrm] {
    g_steps.Mark("splash picture: painting (decoded on the worker)");
    loginFrm.Load();
  };
  loadFrm.Start();
  g_steps.Mark("login window made layered and owned, splash shown");
  const double shown = g_steps.last - g_steps.start;
  // What the message loop does first for the background once the splash is up.
  MSG msg;
  while (PeekMessageW(&msg, loginFrm.Background().hWnd(), 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  if (loginFrm.Background().Picture().width > 0) g_steps.Mark("after the splash: login background painted");

  std::printf("where vorn2.exe's start-up time goes (its steps in its order, ms):\n");
  for (const auto& [name, ms] : g_steps.done) std::printf("  %-66s %7.1f\n", name.c_str(), ms);
  std::printf("  %-66s %7.1f\n", "process start to splash shown", shown);
  for (std::size_t i = 0; i < g_steps.done.size(); ++i)
    std::printf("metric startup.step%02zu_ms %.1f %s\n", i + 1, g_steps.done[i].second, g_steps.done[i].first.c_str());
  std::fflush(stdout);
  // Like the client's ending at once: no window's handlers run.
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}
