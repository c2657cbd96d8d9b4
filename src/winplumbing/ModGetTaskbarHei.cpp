#include "winplumbing/ModGetTaskbarHei.h"

#include <cmath>
#include <limits>

namespace vorn2 {

short TaskbarHeightTwips(double screenHeightTwips, double twipsPerPixel, int workAreaBottomPixels) {
  const double twips = (screenHeightTwips / twipsPerPixel - workAreaBottomPixels) * twipsPerPixel;
  if (!std::isfinite(twips)) return 0;
  // A tall screen whose work-area query failed measures more than 16 bits hold.
  const double rounded = std::round(twips);
  if (rounded >= std::numeric_limits<short>::max()) return std::numeric_limits<short>::max();
  if (rounded <= std::numeric_limits<short>::min()) return std::numeric_limits<short>::min();
  return static_cast<short>(rounded);
}

}  // namespace vorn2
