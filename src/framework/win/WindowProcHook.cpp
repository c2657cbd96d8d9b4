#include "framework/win/WindowProcHook.h"

#include <map>
#include <utility>

namespace vorn2::WindowProcHook {
namespace {

struct Record {
  WNDPROC previous = nullptr;
  bool active = true;   // false: removed, passing through
  bool inChain = true;  // false: taken out, the previous procedure restored
  int calls = 0;        // calls through the replacement on the stack
};

using Key = std::pair<HWND, WNDPROC>;

std::map<Key, Record>& All() {
  static std::map<Key, Record> records;
  return records;
}

WNDPROC Current(HWND hWnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hWnd, GWLP_WNDPROC)); }

void DropIfDone(std::map<Key, Record>::iterator it) {
  if (!it->second.inChain && it->second.calls == 0) All().erase(it);
}

}  // namespace

bool Install(HWND hWnd, WNDPROC proc) {
  if (!hWnd || !proc || !IsWindow(hWnd)) return false;
  auto it = All().find({hWnd, proc});
  if (it != All().end() && it->second.inChain) {
    it->second.active = true;  // still in the chain: never install it twice
    return true;
  }
  SetLastError(0);
  const auto previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
  if (!previous && GetLastError() != 0) return false;
  Record& r = All()[{hWnd, proc}];
  r.previous = previous;
  r.active = true;
  r.inChain = true;
  return true;
}

void Remove(HWND hWnd, WNDPROC proc) {
  auto it = All().find({hWnd, proc});
  if (it == All().end() || !it->second.inChain) return;
  it->second.active = false;
  if (IsWindow(hWnd) && Current(hWnd) == proc) {
    SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
    it->second.inChain = false;
    DropIfDone(it);
  }
}

bool Active(HWND hWnd, WNDPROC proc) {
  auto it = All().find({hWnd, proc});
  return it != All().end() && it->second.active;
}

std::size_t Records() { return All().size(); }

Call::Call(WNDPROC proc, HWND hWnd) : proc_(proc), hWnd_(hWnd) {
  auto it = All().find({hWnd, proc});
  if (it != All().end()) ++it->second.calls;
}

Call::~Call() {
  auto it = All().find({hWnd_, proc_});
  if (it == All().end()) return;
  --it->second.calls;
  DropIfDone(it);
}

bool Call::Active() const { return WindowProcHook::Active(hWnd_, proc_); }

LRESULT Call::Previous(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto it = All().find({hWnd_, proc_});
  const WNDPROC previous = it == All().end() ? nullptr : it->second.previous;
  const LRESULT result = previous ? CallWindowProcW(previous, hWnd_, uMsg, wParam, lParam)
                                  : DefWindowProcW(hWnd_, uMsg, wParam, lParam);
  if (uMsg == WM_NCDESTROY) {
    // The window is gone: whatever sits on top has gone with it.
    it = All().find({hWnd_, proc_});
    if (it != All().end()) it->second.inChain = false;
  }
  return result;
}

}  // namespace vorn2::WindowProcHook
