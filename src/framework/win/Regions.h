// Window regions.
#pragma once

#include <windows.h>

namespace vorn2 {

// The window's region becomes the rectangle (0, 0, right, bottom) with its
// corners rounded by an ellipse of the given size; the window owns the
// region from then on. False when it could not be set.
bool SetRoundedRegion(HWND hWnd, int right, int bottom, int ellipseWidth, int ellipseHeight);

}  // namespace vorn2
