// Time from process start to the first visible window, and the process's
// memory at that moment: vorn2.exe's splash next to a bare Win32 window and
// next to a bare window shown after a hidden web browser control has been
// created (the client shows its splash only after its login window and that
// window's browser have loaded), under the same Wine, runs interleaved.
//   bench_startup.exe <vorn2.exe> <bare_window.exe> <bare_browser_window.exe> [runs]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD pid;
  const wchar_t* cls;
  bool found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  if (pid == s->pid && IsWindowVisible(hwnd) && wcscmp(cls, s->cls) == 0) {
    s->found = true;
    return FALSE;
  }
  return TRUE;
}

struct Run {
  double ms = -1;  // -1: no window appeared
  double committedMb = 0, workingSetMb = 0;
};

// Starts exe and waits until a visible window of class cls appears.
Run TimeToWindow(const std::wstring& exe, const wchar_t* cls) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + exe + L"\"";
  LARGE_INTEGER freq, start, now;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  Run run;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return run;
  for (int i = 0; i < 30000; ++i) {
    Search s{pi.dwProcessId, cls, false};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&s));
    QueryPerformanceCounter(&now);
    if (s.found) {
      run.ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
      PROCESS_MEMORY_COUNTERS c{};
      c.cb = sizeof(c);
      if (GetProcessMemoryInfo(pi.hProcess, &c, sizeof(c))) {
        run.committedMb = c.PagefileUsage / 1048576.0;
        run.workingSetMb = c.WorkingSetSize / 1048576.0;
      }
      break;
    }
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return run;
}

// The run with the median time (its memory with it); ms -1 when any failed.
Run Median(std::vector<Run> runs) {
  for (const Run& r : runs)
    if (r.ms < 0) return Run{};
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
  return runs.empty() ? Run{} : runs[runs.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fwprintf(stderr, L"usage: bench_startup <vorn2.exe> <bare_window.exe> <bare_browser_window.exe> [runs]\n");
    return 2;
  }
  const int runs = argc > 4 ? _wtoi(argv[4]) : 5;
  std::vector<Run> client, bare, browser;
  // Untimed rounds first: the first programs of a fresh Wine session start its
  // services (the desktop, OLE's helpers) and would be charged for them.
  for (int i = 0; i < 2; ++i) {
    TimeToWindow(argv[2], L"BenchBareWindow");
    TimeToWindow(argv[3], L"BenchBrowserWindow");
    TimeToWindow(argv[1], L"Vorn2LoadFrm");
  }
  for (int i = 0; i < runs; ++i) {
    bare.push_back(TimeToWindow(argv[2], L"BenchBareWindow"));
    browser.push_back(TimeToWindow(argv[3], L"BenchBrowserWindow"));
    client.push_back(TimeToWindow(argv[1], L"Vorn2LoadFrm"));
  }
  for (int i = 0; i < runs; ++i)
    std::printf("run %d: bare window %.1f ms, bare window with browser %.1f ms, vorn2 splash %.1f ms\n", i + 1,
                bare[i].ms, browser[i].ms, client[i].ms);
  const Run b = Median(bare), w = Median(browser), c = Median(client);
  std::printf("start-up to first window (median of %d):\n", runs);
  std::printf("  bare Win32 window              %7.1f ms\n", b.ms);
  std::printf("  bare window with a browser     %7.1f ms\n", w.ms);
  std::printf("  vorn2.exe splash               %7.1f ms  (%.2f x bare window, %.2f x with a browser)\n", c.ms,
              b.ms > 0 ? c.ms / b.ms : 0.0, w.ms > 0 ? c.ms / w.ms : 0.0);
  std::printf("memory when the window shows (committed / working set, MB):\n");
  std::printf("  bare window with a browser     %.1f / %.1f\n", w.committedMb, w.workingSetMb);
  std::printf("  vorn2.exe splash               %.1f / %.1f\n", c.committedMb, c.workingSetMb);
  std::printf("metric startup.bare_window_ms %.1f\n", b.ms);
  std::printf("metric startup.browser_window_ms %.1f\n", w.ms);
  std::printf("metric startup.splash_ms %.1f\n", c.ms);
  std::printf("metric memory.browser_window_committed_mb %.1f\n", w.committedMb);
  std::printf("metric memory.browser_window_working_set_mb %.1f\n", w.workingSetMb);
  std::printf("metric memory.splash_committed_mb %.1f\n", c.committedMb);
  std::printf("metric memory.splash_working_set_mb %.1f\n", c.workingSetMb);
  return (b.ms > 0 && w.ms > 0 && c.ms > 0) ? 0 : 1;
}
