#include "login/win/LoginBgMove.h"

#include "framework/win/WindowProcHook.h"

namespace vorn2 {

void HookLoginBgMove(HWND lng_hWnd, ILoginBgMoves& background) {
  WindowProcHook::Install(lng_hWnd, &LoginBgWndProc, &background);
}

void UnhookLoginBgMove(HWND lng_hWnd) { WindowProcHook::Remove(lng_hWnd, &LoginBgWndProc); }

LRESULT CALLBACK LoginBgWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  WindowProcHook::Call call(&LoginBgWndProc, hWnd);
  if (uMsg == WM_MOVE && call.Active()) {
    if (ILoginBgMoves* background = call.Data<ILoginBgMoves>()) background->MoveFollower();
  }
  return call.Previous(uMsg, wParam, lParam);
}

}  // namespace vorn2
