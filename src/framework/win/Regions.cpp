#include "framework/win/Regions.h"

#include "framework/win/Handles.h"

namespace vorn2 {

bool SetRoundedRegion(HWND hWnd, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  UniqueRegion region(CreateRoundRectRgn(0, 0, right, bottom, ellipseWidth, ellipseHeight));
  if (!region || !SetWindowRgn(hWnd, region.get(), TRUE)) return false;
  // The window owns it now.
  (void)region.detach();
  return true;
}

}  // namespace vorn2
