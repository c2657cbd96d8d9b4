#include "login/LoginLayout.h"

namespace vorn2::login_layout {

Point CentredOrigin(int areaLeft, int areaTop, int areaWidth, int areaHeight, int width, int height) {
  int x = areaLeft + (areaWidth - width) / 2;
  int y = areaTop + (areaHeight - height) / 2;
  if (x < areaLeft) x = areaLeft;
  if (y < areaTop) y = areaTop;
  return Point{x, y};
}

}  // namespace vorn2::login_layout
