#include "framework/win/Regions.h"

namespace vorn2 {

bool SetRoundedRegion(HWND hWnd, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  HRGN region = CreateRoundRectRgn(0, 0, right, bottom, ellipseWidth, ellipseHeight);
  if (!region) return false;
  if (!SetWindowRgn(hWnd, region, TRUE)) {
    DeleteObject(region);  // not taken: still ours
    return false;
  }
  return true;
}

}  // namespace vorn2
