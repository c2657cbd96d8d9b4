// The main window's own window procedure: the F10 hot key and the tray
// icon's mouse messages (and the taskbar coming back). Every message goes on
// to the procedure it replaced, handled or not.
//
// A replaced procedure, not a case of WebMainFrm::WndProc: the main window
// is defined with a module that takes the hot key and puts this procedure in
// place together at its load, and gives both back together at its unload, so
// F10 and the tray act exactly between the two. cSetStyle's router, installed
// later in the load, sits in front of it.
#pragma once

#include <windows.h>

namespace vorn2 {

// What the hot key and the tray ask of the main window.
class IMainWindowCommands {
 public:
  virtual void ToggleVisibility() = 0;
  virtual void TrayClick() = 0;
  virtual void PopupAppMenu() = 0;
  virtual void RestoreTrayIcon() = 0;

 protected:
  ~IMainWindowCommands() = default;
};

// Registers F10 as the hot key (identifier 1000; a failure is ignored) and
// puts MainWndProc in place, acting on commands until the unhook.
void HookMainWindow(HWND lng_hWnd, IMainWindowCommands& commands);
// Releases the hot key and takes MainWndProc out again (or leaves it passing
// everything through when another procedure sits on top of it).
void UnhookMainWindow(HWND lng_hWnd);
LRESULT CALLBACK MainWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // namespace vorn2
