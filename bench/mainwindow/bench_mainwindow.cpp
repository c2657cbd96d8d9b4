// The main window with scripted pages: the round trip of a DDE execute from
// another program (a page already open: only selected; a new page: a new
// page window and tab), and the process's memory with 1, 10 and 50 tabs.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "framework/win/DdeLink.h"
#include "framework/win/Window.h"
#include "mainwindow/win/WebMainFrm.h"
#include "resource_ids.h"
#include "startup/win/PublicData.h"
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

std::wstring Beside(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L'\\') + 1) + name;
}

// Runs the client while this process answers, then reads its mean.
double DdeRoundTrip(const std::string& url, int count, const wchar_t* kind) {
  const std::wstring result = Beside(L"bench_dde_result.txt");
  std::wstring command = L"\"" + Beside(L"bench_dde_client.exe") + L"\" " + ExecutableBaseName() +
                         L" WebGameDDE " + std::wstring(url.begin(), url.end()) + L" " + std::to_wstring(count) +
                         L" " + kind + L" \"" + result + L"\"";
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

}  // namespace

int wmain() {
  SaveResourceToFile(IDR_ICON_APP, L"ICON", GetTempFolder() + L"vorn2.ico");
  const Memory empty = Now();
  WebMainFrm main(MainSettings{}, [] { return std::make_unique<test::ScriptedWebView>(); });
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
  std::printf("memory (committed / working set, MB): before the window %.1f / %.1f\n", empty.committedMb,
              empty.workingSetMb);
  std::printf("  main window with 1 tab   %.1f / %.1f\n", one.committedMb, one.workingSetMb);
  std::printf("  main window with 10 tabs %.1f / %.1f\n", ten.committedMb, ten.workingSetMb);
  std::printf("  main window with 50 tabs %.1f / %.1f\n", fifty.committedMb, fifty.workingSetMb);
  std::printf("  per added tab (10 -> 50) %.0f KB committed, %.0f KB working set (scripted pages)\n",
              (fifty.committedMb - ten.committedMb) * 1024 / 40, (fifty.workingSetMb - ten.workingSetMb) * 1024 / 40);

  main.m_bExit = true;
  main.Unload();

  // A fresh window with one tab: the cost of the execute, not of a long strip.
  WebMainFrm fresh(MainSettings{}, [] { return std::make_unique<test::ScriptedWebView>(); });
  fresh.SetURL("http://game.test/page0");
  fresh.ShowWindow();
  PumpPendingMessages();
  const int n = 200;
  std::printf("DDE execute round trip, ms per execute over %d executes (open page: select only; new page: a new\n"
              "page window and tab):\n", n);
  std::printf("  DDEML client: open page %.2f\n", DdeRoundTrip("http://game.test/page0", n, L"same"));
  std::printf("  raw WM_DDE client: open page %.2f\n", DdeRoundTrip("http://game.test/page0", n, L"raw-same"));
  std::printf("  DDEML client: new page %.2f (the strip grows to %d tabs meanwhile)\n",
              DdeRoundTrip("http://game.test/dde", n, L"new"), n + 1);
  fresh.m_bExit = true;
  fresh.Unload();
  return 0;
}
