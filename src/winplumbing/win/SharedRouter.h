// The process's one router procedure pair (ANSI and Unicode) and the
// user32 side of the subclassers. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "winplumbing/HookRouter.h"

namespace vorn2 {

subclass::HookRouter& SharedHookRouter();

// Entry 0 of the router procedures as the windows see them (the first of
// our records on a window); further records on the same window get entries
// of their own.
LRESULT CALLBACK SubclassRouterW(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SubclassRouterA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Event-log source of the subclassers' error entries.
inline constexpr wchar_t kSubclassEventSource[] = L"Vornhold 2";

// Writes one error entry to the application event log; true when
// ReportEventW succeeded. Every write is also shown to the observer.
bool WriteErrorEvent(const std::string& textUtf8);

// Sees every error entry (text, whether the event log accepted it); returns
// the previous observer. Tests use it: Wine stores no event-log entries.
using ErrorEventObserver = std::function<void(const std::string& text, bool written)>;
ErrorEventObserver SetErrorEventObserver(ErrorEventObserver observer);

}  // namespace vorn2
