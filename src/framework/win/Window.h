// Shared plumbing of forms and controls: one static window procedure per
// registered class that routes to the object's virtual WndProc (object
// pointer in GWLP_USERDATA), and the optional persistent drawing. A window
// of ours handles its messages there; procedures are replaced only where a
// component is defined so (WindowProcHook) or to watch a window that is
// another object's (winplumbing's subclassers).
//
// The window is owned like every other handle: the object holds it in a
// UniqueWindow (Handles.h, counted with the windows), from WM_NCCREATE until
// it is destroyed, by Destroy() or with its parent (WM_NCDESTROY lets go).
//
// Teardown contract: the window goes before the object does. The destructor
// of the class the object was made as (or anything earlier, such as Unload)
// destroys the window, while every member and every override still exists:
// destroying sends WM_DESTROY, WM_NCDESTROY, focus and size changes to the
// window and its children, and each of them reaches WndProc. Form does it
// itself when it is the object's own class; every other class, a final one,
// calls Destroy() in its destructor. ~Window checks the contract: a window still alive there is reported
// through the failure trace, counted (WindowsAliveAtTeardown) and then
// destroyed without reaching the object, whose parts are gone. The player's
// client goes on as if nothing happened; the Windows test programs fail the
// test in which the count grew.
#pragma once

#include <windows.h>

#include <string>
#include <typeinfo>

#include "framework/Twips.h"
#include "framework/win/DrawingSurface.h"
#include "framework/win/Handles.h"

namespace vorn2 {

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hWnd() const { return hwnd_.get(); }
  bool Exists() const { return static_cast<bool>(hwnd_); }

  // The factor the window shows its design at (its dpi / 96). A top-level
  // window takes its dpi from the system when it is created and from
  // WM_DPICHANGED later; a child window shares its parent's.
  DpiScale Scale() const { return scale_; }
  // The scale of any window: ours as we keep it, others' from the system.
  static DpiScale ScaleOf(HWND hwnd);

  // Persistent drawing: while on, WM_PAINT copies Surface() and the
  // background is never erased, so what was drawn survives repaints.
  void SetAutoRedraw(bool on);
  bool AutoRedraw() const { return autoRedraw_; }
  DrawingSurface& Surface() { return surface_; }
  const DrawingSurface& Surface() const { return surface_; }
  COLORREF BackColor() const { return backColor_; }
  void SetBackColor(COLORREF color);
  // Repaints the window now from the surface (or by its paint handler).
  void Refresh();

  // Object behind a window created by this host, nullptr for others.
  static Window* FromHandle(HWND hwnd);
  // A window of ours given a new parent takes the parent's factor, running
  // its dpi handling when that differs from the one it was made at.
  static void TakeParentScale(HWND hwnd);

  // Windows that ~Window found still alive, process-wide.
  static long WindowsAliveAtTeardown();

 protected:
  // Registers the class once (no background brush, the arrow cursor).
  static bool RegisterClassOnce(const wchar_t* className, UINT style = CS_DBLCLKS);
  bool CreateHostWindow(DWORD exStyle, const wchar_t* className, const std::wstring& caption, DWORD style, int x,
                        int y, int width, int height, HWND parent, HMENU menuOrId);

  // Destroys the window now, through this object (see the contract above).
  void Destroy();
  // True while the window exists and the object was made as exactly `type`:
  // then the destructor of `type` is the one that destroys the window.
  bool IsMadeAs(const std::type_info& type) const { return hwnd_ && madeAs_ && *madeAs_ == type; }

  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // After the window is gone (WM_NCDESTROY), hWnd() is already null.
  virtual void OnWindowDestroyed() {}
  // Scale() has changed (the window moved to a screen of another dpi): fonts,
  // pictures, sizes and places made for the old factor are made again.
  virtual void OnDpiChanged() {}
  // Gives this window and every window of ours inside it the new scale,
  // then runs their OnDpiChanged (the inner ones first) and this one's.
  void ApplyScale(DpiScale scale);
  virtual void OnPaint(HDC) {}

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  UniqueWindow hwnd_;
  // The object's own class, taken when it makes its window (fully built then).
  const std::type_info* madeAs_ = nullptr;
  DpiScale scale_;
  bool autoRedraw_ = false;
  COLORREF backColor_ = GetSysColor(COLOR_BTNFACE);
  DrawingSurface surface_;
};

}  // namespace vorn2
