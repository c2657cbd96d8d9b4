#include "login/win/LoginBgMove.h"

#include "login/win/LoginBgFrm.h"

namespace vorn2 {
namespace {
WNDPROC g_previousProc = nullptr;
HWND g_hookedWindow = nullptr;
}  // namespace

void HookLoginBgMove(HWND lng_hWnd) {
  if (!lng_hWnd || lng_hWnd == g_hookedWindow) return;
  // Storing our own procedure as "previous" would make it call itself forever.
  auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(lng_hWnd, GWLP_WNDPROC));
  if (current == &LoginBgWndProc) return;
  g_previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(lng_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LoginBgWndProc)));
  g_hookedWindow = lng_hWnd;
}

void UnhookLoginBgMove(HWND lng_hWnd) {
  if (!lng_hWnd || lng_hWnd != g_hookedWindow || !g_previousProc) return;
  SetWindowLongPtrW(lng_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previousProc));
  g_hookedWindow = nullptr;
  g_previousProc = nullptr;
}

LRESULT CALLBACK LoginBgWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_MOVE) {
    if (auto* background = dynamic_cast<LoginBgFrm*>(Window::FromHandle(hWnd))) background->MoveFollower();
  }
  WNDPROC previous = g_previousProc;
  if (hWnd != g_hookedWindow || !previous) return DefWindowProcW(hWnd, uMsg, wParam, lParam);
  return CallWindowProcW(previous, hWnd, uMsg, wParam, lParam);
}

}  // namespace vorn2
