#include "winplumbing/ModGetTaskbarHei.h"

#include <cmath>

namespace vorn2 {

short TaskbarHeightTwips(double screenHeightTwips, double twipsPerPixel, int workAreaBottomPixels) {
  const double twips = (screenHeightTwips / twipsPerPixel - workAreaBottomPixels) * twipsPerPixel;
  return static_cast<short>(std::lround(twips));
}

}  // namespace vorn2
