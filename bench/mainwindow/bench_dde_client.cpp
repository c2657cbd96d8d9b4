// DDE client for the main window's benchmark: one conversation, <count>
// executes of <url> (or of <url> + "?n=<i>" with "new"), and the mean time
// per execute in milliseconds written to <result file>. "raw-..." talks
// WM_DDE_* messages itself instead of going through DDEML.
//   bench_dde_client <service> <topic> <url> <count> [raw-]same|[raw-]new <result file>
#include <windows.h>

#include <dde.h>
#include <ddeml.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {
HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

HWND g_server = nullptr;
int g_acks = 0;

LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DDE_ACK && !g_server) {
    g_server = reinterpret_cast<HWND>(wParam);
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
  } else if (msg == WM_DDE_ACK) {
    UINT_PTR status = 0, commands = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &commands);
    FreeDDElParam(WM_DDE_ACK, lParam);
    GlobalFree(reinterpret_cast<HGLOBAL>(commands));
    ++g_acks;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Raw conversation: false when no server answered or an execute got no answer.
bool RawExecutes(const wchar_t* service, const wchar_t* topic, const std::wstring& base, int count, bool fresh) {
  WNDCLASSW wc{0, ClientProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"BenchDdeClient"};
  RegisterClassW(&wc);
  HWND client = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  const ATOM app = GlobalAddAtomW(service), subject = GlobalAddAtomW(topic);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client), MAKELPARAM(app, subject),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
  GlobalDeleteAtom(app);
  GlobalDeleteAtom(subject);
  if (!g_server) return false;
  for (int i = 0; i < count; ++i) {
    std::wstring url = base;
    if (fresh) url += L"?n=" + std::to_wstring(i);
    const std::size_t bytes = (url.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    std::memcpy(GlobalLock(memory), url.c_str(), bytes);
    GlobalUnlock(memory);
    const int before = g_acks;
    PostMessageW(g_server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client), reinterpret_cast<LPARAM>(memory));
    MSG msg;
    while (g_acks == before && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }
  PostMessageW(g_server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), 0);
  return true;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 7) return 3;
  const int count = _wtoi(argv[4]);
  const std::wstring kind = argv[5];
  const bool fresh = kind == L"new" || kind == L"raw-new";
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  int failures = 0;
  if (kind.compare(0, 4, L"raw-") == 0) {
    QueryPerformanceCounter(&start);
    if (!RawExecutes(argv[1], argv[2], argv[3], count, fresh)) return 2;
    QueryPerformanceCounter(&end);
  } else {
    DWORD inst = 0;
    if (DdeInitializeW(&inst, NoCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 3;
    HCONV conv = DdeConnect(inst, DdeCreateStringHandleW(inst, argv[1], CP_WINUNICODE),
                            DdeCreateStringHandleW(inst, argv[2], CP_WINUNICODE), nullptr);
    if (!conv) return 2;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
      std::wstring url = argv[3];
      if (fresh) url += L"?n=" + std::to_wstring(i);
      DWORD status = 0;
      if (!DdeClientTransaction(reinterpret_cast<BYTE*>(url.data()), static_cast<DWORD>((url.size() + 1) * 2), conv,
                                nullptr, CF_UNICODETEXT, XTYP_EXECUTE, 10000, &status))
        ++failures;
    }
    QueryPerformanceCounter(&end);
    DdeDisconnect(conv);
    DdeUninitialize(inst);
  }
  const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart / count;
  if (FILE* f = _wfopen(argv[6], L"w")) {
    std::fprintf(f, "%.3f %d\n", ms, failures);
    std::fclose(f);
  }
  return failures ? 1 : 0;
}
