// Time from process start to the first visible window: vorn2.exe's splash
// next to a bare Win32 window program, under the same Wine.
//   bench_startup.exe <vorn2.exe> <bare_window.exe> [runs]
#include <windows.h>

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

// Milliseconds until the window is visible, -1 on failure.
double TimeToWindow(const std::wstring& exe, const wchar_t* cls) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"\"" + exe + L"\"";
  LARGE_INTEGER freq, start, now;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  double ms = -1;
  for (int i = 0; i < 30000; ++i) {
    Search s{pi.dwProcessId, cls, false};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&s));
    QueryPerformanceCounter(&now);
    if (s.found) {
      ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
      break;
    }
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fwprintf(stderr, L"usage: bench_startup <vorn2.exe> <bare_window.exe> [runs]\n");
    return 2;
  }
  const int runs = argc > 3 ? _wtoi(argv[3]) : 5;
  std::vector<double> client, bare;
  for (int i = 0; i < runs; ++i) {
    bare.push_back(TimeToWindow(argv[2], L"BenchBareWindow"));
    client.push_back(TimeToWindow(argv[1], L"Vorn2LoadFrm"));
  }
  for (int i = 0; i < runs; ++i) printf("run %d: bare window %.1f ms, vorn2 splash %.1f ms\n", i + 1, bare[i], client[i]);
  const double b = Median(bare), c = Median(client);
  printf("start-up to first window (median of %d): bare Win32 window %.1f ms, vorn2.exe splash %.1f ms, ratio %.2f\n",
         runs, b, c, b > 0 ? c / b : 0.0);
  return (b > 0 && c > 0) ? 0 : 1;
}
