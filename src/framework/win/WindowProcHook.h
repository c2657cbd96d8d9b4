// Window procedures put in place of a window's own (the login background's
// move procedure, the main window's hot-key procedure) that can be removed in
// any order, whatever was installed on top of them since.
//
// Only for those two, which are defined as procedures with a life of their
// own (from a load to an unload; each header says why). A window of ours
// otherwise handles its messages in its WndProc, one path per window.
//
// They stand on the engine that also chains the subclassers' routers
// (framework/HookRouter.h, SharedRouter.h): each replacement is one plain
// procedure with a record of the previous procedure per window, and the
// reference data it was installed with, the object it works for. Removing
// it restores the previous procedure while the replacement is on top, lets
// a router of ours above it skip it, and otherwise leaves it in the chain as
// a pass-through (it then does not act), so that whatever was installed on
// top keeps a valid previous procedure. A record goes when its procedure
// has left the chain and no call through it is running, or with the window.
//
// A replacement is written as:
//   LRESULT CALLBACK MyProc(HWND h, UINT m, WPARAM w, LPARAM l) {
//     WindowProcHook::Call call(&MyProc, h);
//     if (m == WM_MOVE && call.Active()) call.Data<MyForm>()->Follow();
//     return call.Previous(m, w, l);
//   }
// UI thread only.
#pragma once

#include <windows.h>

#include <cstddef>

#include "framework/HookRouter.h"

namespace vorn2::WindowProcHook {

// Puts proc in place of the window's procedure, with data for its calls;
// installing it again while it is still in the chain only makes it act
// again (with the new data). False when the window refused.
bool Install(HWND hWnd, WNDPROC proc, void* data = nullptr);
// Takes proc out of the window's chain, or makes it a pass-through.
void Remove(HWND hWnd, WNDPROC proc);
// True while proc is installed on the window and not removed.
bool Active(HWND hWnd, WNDPROC proc);
// Records kept (installed or passing through), for tests and diagnostics.
std::size_t Records();

// One call of a replacement procedure: keeps its record (and with it the
// previous procedure) for the whole call, even if the replacement is removed
// meanwhile.
class Call {
 public:
  Call(WNDPROC proc, HWND hWnd);
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  bool Active() const { return call_.Active(); }
  // The data the procedure was installed with, as the type it was given as;
  // nullptr when it has no record on the window.
  template <class T>
  T* Data() const {
    return static_cast<T*>(call_.RefData());
  }
  // The previous procedure's answer (DefWindowProcW when there is none).
  LRESULT Previous(UINT uMsg, WPARAM wParam, LPARAM lParam);

 private:
  subclass::OwnCall call_;
};

}  // namespace vorn2::WindowProcHook
