// What the exit dialog needs from the window that asks: the exit flag it
// answers in, and the rounded window region it shapes itself with. The main
// window implements it; the dialog never sees more of it.
#pragma once

#include <windows.h>

namespace vorn2 {

struct IMsgHost {
  virtual ~IMsgHost() = default;
  // True once closing has been confirmed.
  virtual bool ExitFlag() const = 0;
  virtual void SetExitFlag(bool m_bExit) = 0;
  // Gives hWnd the region (0, 0)-(right, bottom) with corners rounded by an
  // ellipseW x ellipseH ellipse, in pixels; the window owns the region.
  virtual void RectRgn(HWND hWnd, int right, int bottom, int ellipseW, int ellipseH) = 0;
};

}  // namespace vorn2
