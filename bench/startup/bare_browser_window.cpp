// The yardstick for the client's splash: the client shows its splash only
// after its login window and that window's web browser control have loaded,
// so this program creates and in-place activates a hidden browser control
// (through the client's own host) before it shows a bare window.
#include <windows.h>
#include <objbase.h>

#include "framework/win/WebBrowserHost.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  OleInitialize(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = instance;
  wc.lpszClassName = L"BenchBrowserWindow";
  RegisterClassW(&wc);
  // The browser's hidden parent, the size of the client's login window.
  HWND hidden =
      CreateWindowExW(0, wc.lpszClassName, L"browser", WS_POPUP, 0, 0, 1237, 696, nullptr, nullptr, instance, nullptr);
  vorn2::WebBrowserHost browser;
  browser.Create(hidden, 0, 0, 1237, 696);
  HWND shown =
      CreateWindowExW(0, wc.lpszClassName, L"bare", WS_POPUP, 100, 100, 356, 122, nullptr, nullptr, instance, nullptr);
  ShowWindow(shown, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  browser.Destroy();
  OleUninitialize();
  return 0;
}
