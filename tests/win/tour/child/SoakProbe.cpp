// soak_probe: watches the running client from a process of its own for the
// soak (tests/e2e/soak.py). For each line read from stdin it writes one line
// about the game window:
//   alive answers visible iconic enabled x y w h tabs handles memoryKB windows dialog
// answers: the window handled a message within 2 s; tabs: its page windows;
// handles, memoryKB (committed private bytes) and windows (top-level and child windows)
// of the client's process; dialog: "none", or whether the enabled window owned
// by a disabled game window is "front" (under its own middle) or "behind".
// "gone" when no game window exists.
#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Count {
  DWORD pid;
  int windows = 0;
  int pages = 0;
};

bool ClassIs(HWND w, const wchar_t* name) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  return wcscmp(cls, name) == 0;
}

BOOL CALLBACK CountChild(HWND w, LPARAM p) {
  auto* c = reinterpret_cast<Count*>(p);
  ++c->windows;
  c->pages += ClassIs(w, L"Vorn2WebUrl");
  return TRUE;
}

BOOL CALLBACK CountTop(HWND w, LPARAM p) {
  auto* c = reinterpret_cast<Count*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != c->pid) return TRUE;
  CountChild(w, p);
  EnumChildWindows(w, &CountChild, p);
  return TRUE;
}

struct Owned {
  HWND owner;
  HWND found = nullptr;
};

BOOL CALLBACK FindOwned(HWND w, LPARAM p) {
  auto* o = reinterpret_cast<Owned*>(p);
  if (GetWindow(w, GW_OWNER) != o->owner || !IsWindowVisible(w) || !IsWindowEnabled(w)) return TRUE;
  o->found = w;
  return FALSE;
}

// The process list's count: the system answers it for any process (asking
// the process itself for its count is not answered under Wine).
unsigned long HandleCount(DWORD pid) {
  std::vector<unsigned char> buffer(1 << 20);
  ULONG needed = 0;
  while (NtQuerySystemInformation(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                  &needed) == static_cast<NTSTATUS>(0xC0000004L)) {  // too small
    buffer.resize(buffer.size() * 2);
  }
  for (std::size_t at = 0;;) {
    const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
    if (reinterpret_cast<DWORD_PTR>(p->UniqueProcessId) == pid) return p->HandleCount;
    if (!p->NextEntryOffset) return 0;
    at += p->NextEntryOffset;
  }
}

std::string Report() {
  const HWND main = FindWindowW(L"Vorn2WebMainFrm", nullptr);
  if (!main) return "gone";
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  DWORD_PTR result = 0;
  const bool answers = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
  RECT r{};
  GetWindowRect(main, &r);
  Count count{pid};
  EnumWindows(&CountTop, reinterpret_cast<LPARAM>(&count));
  const unsigned long handles = HandleCount(pid);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  bool alive = false;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid)) {
    alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    CloseHandle(process);
  }
  std::string dialog = "none";
  if (IsWindowVisible(main) && !IsWindowEnabled(main)) {
    Owned owned{main};
    EnumWindows(&FindOwned, reinterpret_cast<LPARAM>(&owned));
    dialog = "behind";
    if (owned.found) {
      RECT d{};
      GetWindowRect(owned.found, &d);
      const POINT middle{(d.left + d.right) / 2, (d.top + d.bottom) / 2};
      if (GetAncestor(WindowFromPoint(middle), GA_ROOT) == owned.found) dialog = "front";
    }
  }
  char line[256];
  std::snprintf(line, sizeof line, "%d %d %d %d %d %ld %ld %ld %ld %d %lu %zu %d %s", alive, answers,
                IsWindowVisible(main) ? 1 : 0, IsIconic(main) ? 1 : 0, IsWindowEnabled(main) ? 1 : 0, r.left, r.top,
                r.right - r.left, r.bottom - r.top, count.pages, handles, memory.PagefileUsage / 1024, count.windows,
                dialog.c_str());
  return line;
}

}  // namespace

int wmain() {
  char command[64];
  while (std::fgets(command, sizeof command, stdin)) {
    std::printf("%s\n", Report().c_str());
    std::fflush(stdout);
  }
  return 0;
}
