#include "framework/win/MessageLoop.h"

#include <unordered_map>
#include <utility>

namespace vorn2 {

namespace {
std::unordered_map<HWND, KeyFilter>& KeyFilters() {
  static std::unordered_map<HWND, KeyFilter> filters;
  return filters;
}
}  // namespace

void SetKeyFilter(HWND window, KeyFilter filter) {
  if (filter) KeyFilters()[window] = std::move(filter);
  else KeyFilters().erase(window);
}

bool PreTranslate(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || KeyFilters().empty()) return false;
  for (HWND h = msg.hwnd; h; h = (GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr) {
    auto it = KeyFilters().find(h);
    if (it == KeyFilters().end()) continue;
    const KeyFilter filter = it->second;  // the filter may remove itself
    if (filter(msg)) return true;
  }
  return false;
}

void DispatchOne(MSG& msg) {
  if (PreTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(msg);
  }
}

bool WaitServingSentMessages(HANDLE handle) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void PumpMessagesFor(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    PumpPendingMessages();
    ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

}  // namespace vorn2
