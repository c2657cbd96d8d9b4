// Twips <-> pixels. Design values are twips; the factor is the screen's real
// twips per pixel (15 at 96 dpi), so callers pass it in.
#pragma once

#include <cmath>

namespace vorn2 {

inline constexpr int kTwipsPerInch = 1440;

inline int TwipsPerPixelForDpi(int dpi) { return dpi > 0 ? kTwipsPerInch / dpi : 15; }

// Rounds to the nearest pixel, halves away from zero, like the form engine.
inline int TwipsToPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}
inline double PixelsToTwips(double pixels, double twipsPerPixel) { return pixels * twipsPerPixel; }

}  // namespace vorn2
