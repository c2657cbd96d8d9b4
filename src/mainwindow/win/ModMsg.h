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

// Registers F10 as the hot key (identifier 1000; a failure is ignored) and
// puts MainWndProc in place.
void HookMainWindow(HWND lng_hWnd);
// Releases the hot key and takes MainWndProc out again (or leaves it passing
// everything through when another procedure sits on top of it).
void UnhookMainWindow(HWND lng_hWnd);
LRESULT CALLBACK MainWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // namespace vorn2
