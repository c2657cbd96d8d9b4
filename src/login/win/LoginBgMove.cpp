#include "login/win/LoginBgMove.h"

#include "framework/win/WindowProcHook.h"
#include "login/win/LoginBgFrm.h"

namespace vorn2 {

void HookLoginBgMove(HWND lng_hWnd) { WindowProcHook::Install(lng_hWnd, &LoginBgWndProc); }

void UnhookLoginBgMove(HWND lng_hWnd) { WindowProcHook::Remove(lng_hWnd, &LoginBgWndProc); }

LRESULT CALLBACK LoginBgWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  WindowProcHook::Call call(&LoginBgWndProc, hWnd);
  if (uMsg == WM_MOVE && call.Active()) {
    if (auto* background = dynamic_cast<LoginBgFrm*>(Window::FromHandle(hWnd))) background->MoveFollower();
  }
  return call.Previous(uMsg, wParam, lParam);
}

}  // namespace vorn2
