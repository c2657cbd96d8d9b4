// The login background's replacement window procedure: it keeps the login
// window on top of the background whenever the background moves.
//
// A replaced procedure, not a case of LoginBgFrm::WndProc: the background is
// defined with this procedure put in place by its load and taken out by its
// unload before the login window unloads, so the login window follows only
// between the two, never while the pair is being closed.
#pragma once

#include <windows.h>

namespace vorn2 {

// What follows the background's moves (the login background form).
class ILoginBgMoves {
 public:
  virtual void MoveFollower() = 0;

 protected:
  ~ILoginBgMoves() = default;
};

// Puts LoginBgWndProc in place of the window's procedure, keeping the one it
// replaces (framework/win/WindowProcHook.h); each WM_MOVE then moves
// the background's follower. Hooking the window that is already hooked changes
// nothing.
void HookLoginBgMove(HWND lng_hWnd, ILoginBgMoves& background);
// Puts the kept procedure back, or leaves LoginBgWndProc passing everything
// through when another procedure was installed on top since.
void UnhookLoginBgMove(HWND lng_hWnd);
// WM_MOVE: the login window follows; every message then goes on to the
// kept procedure, whose result is returned.
LRESULT CALLBACK LoginBgWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // namespace vorn2
