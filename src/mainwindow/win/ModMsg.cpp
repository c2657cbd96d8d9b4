#include "mainwindow/win/ModMsg.h"

#include "framework/win/FailureTrace.h"
#include "framework/win/WindowProcHook.h"
#include "mainwindow/MainMessages.h"
#include "mainwindow/win/CLumNotifyIcon.h"

namespace vorn2 {

void HookMainWindow(HWND lng_hWnd, IMainWindowCommands& commands) {
  // Taken by another program: F10 does nothing, the tray and the menu still work.
  VORN2_TRACE_IF_FALSE(RegisterHotKey(lng_hWnd, kHotKeyId, 0, kVkF10));
  WindowProcHook::Install(lng_hWnd, &MainWndProc, &commands);
}

void UnhookMainWindow(HWND lng_hWnd) {
  UnregisterHotKey(lng_hWnd, kHotKeyId);
  WindowProcHook::Remove(lng_hWnd, &MainWndProc);
}

LRESULT CALLBACK MainWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  WindowProcHook::Call call(&MainWndProc, hWnd);
  const MainAction action = call.Active() ? DecideMainMessage(uMsg, wParam, lParam, CLumNotifyIcon::TaskbarCreatedMessage())
                                          : MainAction::None;
  IMainWindowCommands* main = call.Data<IMainWindowCommands>();
  switch (main ? action : MainAction::None) {
    case MainAction::ToggleVisibility:
      main->ToggleVisibility();
      break;
    case MainAction::TrayClick:
      main->TrayClick();
      break;
    case MainAction::PopupMenu:
      main->PopupAppMenu();
      break;
    case MainAction::RestoreTrayIcon:
      main->RestoreTrayIcon();
      break;
    case MainAction::None:
      break;
  }
  return call.Previous(uMsg, wParam, lParam);
}

}  // namespace vorn2
