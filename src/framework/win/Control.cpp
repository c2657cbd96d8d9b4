#include "framework/win/Control.h"

namespace vorn2 {

bool Control::Create(HWND parent, int x, int y, int width, int height, DWORD style, DWORD exStyle, int id) {
  if (Exists()) return true;
  if (!RegisterClassOnce(ClassName())) return false;
  if (!CreateHostWindow(exStyle, ClassName(), L"", style | WS_CHILD, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)))) {
    return false;
  }
  OnCreated();
  return Exists();
}

bool Control::CreateTwips(HWND parent, const TwipsRect& design, DWORD style, DWORD exStyle, int id) {
  const DeviceRect r = ScaleOf(parent).FromTwips(design);
  return Create(parent, r.x, r.y, r.width, r.height, style, exStyle, id);
}

void Control::Move(int x, int y, int width, int height) {
  if (Exists()) MoveWindow(hWnd(), x, y, width, height, TRUE);
}

void Control::MoveTwips(const TwipsRect& design) {
  const DeviceRect r = Scale().FromTwips(design);
  Move(r.x, r.y, r.width, r.height);
}

void Control::MoveLeftTwips(int leftTwips) {
  if (!Exists()) return;
  const RECT r = Bounds();
  Move(Scale().FromTwips(leftTwips), r.top, r.right - r.left, r.bottom - r.top);
}

RECT Control::Bounds() const {
  RECT rc{};
  if (!Exists()) return rc;
  GetWindowRect(hWnd(), &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(hWnd()), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

void Control::SetVisible(bool visible) {
  if (Exists()) ShowWindow(hWnd(), visible ? SW_SHOW : SW_HIDE);
}

bool Control::Visible() const { return Exists() && IsWindowVisible(hWnd()); }

}  // namespace vorn2
