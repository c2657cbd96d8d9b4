// The main window's own window procedure: the F10 hot key and the tray
// icon's mouse messages (and the taskbar coming back). Every message goes on
// to the procedure it replaced, handled or not.
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
