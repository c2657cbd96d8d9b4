// The login pair and the main window with scripted pages (the browser
// control stands in as ScriptedWebView: under Wine here no page renders):
// the process's memory at the login pair and with 1, 10 and 50 tabs; a leak
// check that opens 100 tabs through DDE from another program and closes them
// as the tab's close glyph does, twice; and the round trip of a DDE execute
// (a page already open: only selected; a new page: a new page window and tab).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "framework/win/DdeLink.h"
#include "framework/win/MessageLoop.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/PublicData.h"
#include "login/win/LoginFrm.h"
#include "mainwindow/win/WebMainFrm.h"
#include "resource_ids.h"
#include "win/support/ScriptedWebView.h"

using namespace vorn2;

namespace {

struct Memory {
  double committedMb, workingSetMb;
};

Memory Now() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof(c);
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof(c));
  return {c.PagefileUsage / 1048576.0, c.WorkingSetSize / 1048576.0};
}

void Print(const char* what, const char* key, Memory m) {
  std::printf("  %-34s %6.1f / %6.1f\n", what, m.committedMb, m.workingSetMb);
  std::printf("metric memory.%s_committed_mb %.1f\n", key, m.committedMb);
  std::printf("metric memory.%s_working_set_mb %.1f\n", key, m.workingSetMb);
}

std::wstring Beside(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L'\\') + 1) + name;
}

// Runs the DDE client while this process answers, then reads its mean.
double DdeRoundTrip(const std::string& url, int count, const wchar_t* kind) {
  const std::wstring result = Beside(L"bench_dde_result.txt");
  std::wstring command = L"\"" + Beside(L"bench_dde_client.exe") + L"\" " + ExecutableBaseName() + L" WebGameDDE " +
                         std::wstring(url.begin(), url.end()) + L" " + std::to_wstring(count) + L" " + kind + L" \"" +
                         result + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
    PumpPendingMessages();
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  double ms = -1;
  int failures = 0;
  std::ifstream in(std::string(result.begin(), result.end()));
  in >> ms >> failures;
  return failures ? -1 : ms;
}

std::unique_ptr<IWebView> Scripted() { return std::make_unique<test::ScriptedWebView>(); }

// Closes every tab but the first as a click on its close glyph does.
void CloseAllButFirst(WebMainFrm& main) {
  uTab& strip = main.WebuTab();
  while (strip.TabItems()->Count() > 1) {
    const std::int32_t last = strip.TabItems()->Count() - 1;
    bool cancel = false;
    strip.Events().OnItemColose(last, cancel);
    if (cancel) break;
    strip.TabItems()->Remove(last, true);
  }
  PumpPendingMessages();
}

}  // namespace

int wmain() {
  SaveResourceToFile(IDR_ICON_APP, L"ICON", GetTempFolder() + L"vorn2.ico");
  std::printf("memory (committed / working set, MB; this bench program, pages scripted):\n");
  Print("before any window", "bench_start", Now());

  {
    // The login pair as it appears when its page has loaded.
    Process().endAtOnce = [] {};
    test::ScriptedWebView* view = nullptr;
    LoginFrm login(LoginSettings{"http://portal.test/"}, [&view] {
      auto v = std::make_unique<test::ScriptedWebView>();
      view = v.get();
      return v;
    });
    login.Load();
    if (view) view->FireDocumentComplete(L"http://portal.test/download/vorn2/index_vorn2.php");
    PumpPendingMessages();
    if (!login.Background().IsVisible()) std::printf("  (the login pair did not appear)\n");
    Print("login pair shown", "login_pair", Now());
    login.Background().Unload();
    PumpPendingMessages();
    ResetProcessEnvironment();
  }

  WebMainFrm main(MainSettings{}, Scripted);
  main.SetURL("http://game.test/page0");
  main.ShowWindow();
  PumpPendingMessages();
  const Memory one = Now();
  for (int i = 1; i < 10; ++i) main.SetURL("http://game.test/page" + std::to_string(i));
  PumpPendingMessages();
  const Memory ten = Now();
  for (int i = 10; i < 50; ++i) main.SetURL("http://game.test/page" + std::to_string(i));
  PumpPendingMessages();
  const Memory fifty = Now();
  Print("main window with 1 tab", "main_1_tab", one);
  Print("main window with 10 tabs", "main_10_tabs", ten);
  Print("main window with 50 tabs", "main_50_tabs", fifty);
  std::printf("  per added tab (10 -> 50)           %6.0f / %6.0f KB\n",
              (fifty.committedMb - ten.committedMb) * 1024 / 40, (fifty.workingSetMb - ten.workingSetMb) * 1024 / 40);
  main.m_bExit = true;
  main.Unload();

  // A fresh window with one tab: the cost of the execute, not of a long strip.
  WebMainFrm fresh(MainSettings{}, Scripted);
  fresh.SetURL("http://game.test/page0");
  fresh.ShowWindow();
  PumpPendingMessages();

  // Leak check: the first round lets first-use allocations settle.
  std::printf("leak check, 100 tabs opened through DDE and closed (committed MB):\n");
  double before = 0, after = 0;
  for (int round = 0; round < 3; ++round) {
    const double start = Now().committedMb;
    const double ms = DdeRoundTrip("http://game.test/leak" + std::to_string(round), 100, L"new");
    const int opened = fresh.WebuTab().TabItems()->Count() - 1;
    CloseAllButFirst(fresh);
    const double end = Now().committedMb;
    std::printf("  round %d: %.1f -> %.1f (%d tabs opened, %.1f ms per execute, %d left)\n", round + 1, start, end,
                opened, ms, fresh.WebuTab().TabItems()->Count());
    if (round == 1) before = start;
    if (round == 2) after = end;
  }
  std::printf("  rounds 2 and 3: %.1f before, %.1f after, %+.0f KB per 100 tabs\n", before, after,
              (after - before) * 1024 / 2);
  std::printf("metric memory.leak_check_before_mb %.1f\n", before);
  std::printf("metric memory.leak_check_after_mb %.1f\n", after);

  const int n = 200;
  std::printf(
      "DDE execute round trip, ms per execute over %d executes (open page: select only; new page: a new\n"
      "page window and tab):\n",
      n);
  const double same = DdeRoundTrip("http://game.test/page0", n, L"same");
  const double raw = DdeRoundTrip("http://game.test/page0", n, L"raw-same");
  const double fresh200 = DdeRoundTrip("http://game.test/dde", n, L"new");
  std::printf("  DDEML client: open page %.2f\n", same);
  std::printf("  raw WM_DDE client: open page %.2f\n", raw);
  std::printf("  DDEML client: new page %.2f (the strip grows to %d tabs meanwhile)\n", fresh200, n + 1);
  std::printf("metric dde.open_page_ms %.2f\n", same);
  std::printf("metric dde.new_page_ms %.2f\n", fresh200);
  fresh.m_bExit = true;
  fresh.Unload();
  return 0;
}
