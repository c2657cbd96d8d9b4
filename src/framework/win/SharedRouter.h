// The process's one router of replaced window procedures (framework/
// HookRouter.h) bound to user32: its router entries (per A/W flavour) and
// the system calls it needs. UI thread only.
#pragma once

#include <windows.h>

#include "framework/HookRouter.h"

namespace vorn2 {

subclass::HookRouter& SharedHookRouter();

// Entry 0 of the router procedures as the windows see them (the first of
// our records on a window); further records on the same window get entries
// of their own.
LRESULT CALLBACK SubclassRouterW(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SubclassRouterA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // namespace vorn2
