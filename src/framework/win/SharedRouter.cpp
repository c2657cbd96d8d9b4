#include "framework/win/SharedRouter.h"

#include <array>
#include <utility>

namespace vorn2 {
namespace {

using subclass::LParam;
using subclass::ProcAddr;
using subclass::Result;
using subclass::TimerId;
using subclass::WinHandle;
using subclass::WParam;

HWND H(WinHandle h) { return reinterpret_cast<HWND>(h); }

constexpr int kSlots = subclass::HookRouter::kRouterSlots;

template <bool kUnicode, int kSlot>
LRESULT CALLBACK RouterEntry(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return SharedHookRouter().Dispatch(kSlot, kUnicode, reinterpret_cast<WinHandle>(hWnd), uMsg, wParam, lParam);
}

// Entry 0 is the exported pair; the rest tell our records of one window apart.
template <bool kUnicode, int... kSlot>
constexpr std::array<WNDPROC, kSlots> MakeEntries(std::integer_sequence<int, kSlot...>) {
  return {(kSlot == 0 ? (kUnicode ? &SubclassRouterW : &SubclassRouterA) : &RouterEntry<kUnicode, kSlot>)...};
}

const std::array<WNDPROC, kSlots>& Entries(bool unicode) {
  static const std::array<WNDPROC, kSlots> a = MakeEntries<false>(std::make_integer_sequence<int, kSlots>{});
  static const std::array<WNDPROC, kSlots> w = MakeEntries<true>(std::make_integer_sequence<int, kSlots>{});
  return unicode ? w : a;
}

ProcAddr RouterAddr(bool unicode, int slot) { return reinterpret_cast<ProcAddr>(Entries(unicode)[slot]); }

void CALLBACK ReleaseTimerProc(HWND, UINT, UINT_PTR id, DWORD) { SharedHookRouter().OnTimer(id); }

class User32System final : public subclass::WindowSystem {
 public:
  bool IsWindow(WinHandle hWnd) override { return ::IsWindow(H(hWnd)) != FALSE; }
  bool BelongsToThisProcess(WinHandle hWnd) override {
    DWORD pid = 0;
    GetWindowThreadProcessId(H(hWnd), &pid);
    return pid == GetCurrentProcessId();
  }
  bool IsWindowUnicode(WinHandle hWnd) override { return ::IsWindowUnicode(H(hWnd)) != FALSE; }
  ProcAddr InstallProc(WinHandle hWnd, bool unicode, ProcAddr proc, std::uint32_t& lastError) override {
    SetLastError(0);
    const LONG_PTR previous = unicode ? SetWindowLongPtrW(H(hWnd), GWLP_WNDPROC, static_cast<LONG_PTR>(proc))
                                      : SetWindowLongPtrA(H(hWnd), GWLP_WNDPROC, static_cast<LONG_PTR>(proc));
    if (previous == 0) lastError = GetLastError();
    return static_cast<ProcAddr>(previous);
  }
  ProcAddr RouterEntry(bool unicode, int slot) override { return RouterAddr(unicode, slot); }
  ProcAddr CurrentProc(WinHandle hWnd, bool unicode) override {
    return static_cast<ProcAddr>(unicode ? GetWindowLongPtrW(H(hWnd), GWLP_WNDPROC)
                                         : GetWindowLongPtrA(H(hWnd), GWLP_WNDPROC));
  }
  void SetProc(WinHandle hWnd, bool unicode, ProcAddr proc) override {
    if (unicode) SetWindowLongPtrW(H(hWnd), GWLP_WNDPROC, static_cast<LONG_PTR>(proc));
    else SetWindowLongPtrA(H(hWnd), GWLP_WNDPROC, static_cast<LONG_PTR>(proc));
  }
  int RouterSlot(ProcAddr proc, bool unicode) override {
    const auto& entries = Entries(unicode);
    for (int slot = 0; slot < kSlots; ++slot) {
      if (proc == reinterpret_cast<ProcAddr>(entries[slot])) return slot;
    }
    return -1;
  }
  Result CallProc(ProcAddr proc, bool unicode, WinHandle hWnd, std::uint32_t uMsg, WParam wParam,
                  LParam lParam) override {
    auto wndproc = reinterpret_cast<WNDPROC>(proc);
    return unicode ? CallWindowProcW(wndproc, H(hWnd), uMsg, wParam, lParam)
                   : CallWindowProcA(wndproc, H(hWnd), uMsg, wParam, lParam);
  }
  Result DefaultProc(WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) override {
    return DefWindowProcW(H(hWnd), uMsg, wParam, lParam);
  }
  void DestroyWindow(WinHandle hWnd) override { ::DestroyWindow(H(hWnd)); }
  TimerId SetReleaseTimer(unsigned milliseconds) override {
    return SetTimer(nullptr, 0, milliseconds, &ReleaseTimerProc);
  }
  void KillTimer(TimerId id) override { ::KillTimer(nullptr, id); }
};

}  // namespace

subclass::HookRouter& SharedHookRouter() {
  static User32System system;
  static subclass::HookRouter router(system);
  return router;
}

LRESULT CALLBACK SubclassRouterW(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return SharedHookRouter().Dispatch(0, true, reinterpret_cast<WinHandle>(hWnd), uMsg, wParam, lParam);
}

LRESULT CALLBACK SubclassRouterA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return SharedHookRouter().Dispatch(0, false, reinterpret_cast<WinHandle>(hWnd), uMsg, wParam, lParam);
}

}  // namespace vorn2
