// The yardsticks for start-up time. bare_window: the least a Win32 program
// does to show a window. bare_browser_window (built with BENCH_WITH_BROWSER):
// the client shows its splash only after its login window and that window's
// web browser control have loaded, so this one first creates and in-place
// activates a hidden browser control (through the client's own host), then
// shows the same bare window.
#include <windows.h>
#include <objbase.h>

#ifdef BENCH_WITH_BROWSER
#include "framework/win/WebBrowserHost.h"
constexpr const wchar_t* kClass = L"BenchBrowserWindow";
#else
constexpr const wchar_t* kClass = L"BenchBareWindow";
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
#ifdef BENCH_WITH_BROWSER
  OleInitialize(nullptr);
  // The browser's hidden parent, the size of the client's login window.
  HWND hidden = CreateWindowExW(0, kClass, L"browser", WS_POPUP, 0, 0, 1237, 696, nullptr, nullptr, instance, nullptr);
  vorn2::WebBrowserHost browser;
  browser.Create(hidden, 0, 0, 1237, 696);
#endif
  HWND hwnd = CreateWindowExW(0, kClass, L"bare", WS_POPUP, 100, 100, 356, 122, nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
