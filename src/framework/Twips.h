// Design units -> device pixels: the one conversion every window uses.
//
// Windows are designed at 96 dpi, in twips (1440 per inch, 15 per pixel
// there) or in pixels of that design. A window shows them at its own dots
// per inch: every design value is multiplied by dpi / 96, exactly (1440 / dpi
// is no whole number at every dpi), and rounded once, to the nearest pixel
// with halves away from zero.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorn2 {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDesignDpi = 96;
inline constexpr int kDesignTwipsPerPixel = kTwipsPerInch / kDesignDpi;  // 15

// A control's place in its parent's client area as the window was designed.
struct TwipsRect {
  int left, top, width, height;
};

// The same place on the screen, in device pixels.
struct DeviceRect {
  int x, y, width, height;
};

class DpiScale {
 public:
  constexpr DpiScale() = default;
  // An unknown dpi (0 or less) is the design's.
  constexpr explicit DpiScale(int dpi) : dpi_(dpi > 0 ? dpi : kDesignDpi) {}

  constexpr int Dpi() const { return dpi_; }
  constexpr double Factor() const { return static_cast<double>(dpi_) / kDesignDpi; }
  constexpr bool IsDesign() const { return dpi_ == kDesignDpi; }

  // 96-dpi pixels -> device pixels.
  int Px(double designPixels) const { return Round(designPixels * dpi_ / kDesignDpi); }
  // Twips -> device pixels.
  int FromTwips(double twips) const { return Round(twips * dpi_ / kTwipsPerInch); }
  // Each edge and length on its own, as a form lays out a control.
  DeviceRect FromTwips(const TwipsRect& r) const {
    return {FromTwips(r.left), FromTwips(r.top), FromTwips(r.width), FromTwips(r.height)};
  }
  // Device pixels -> twips (whole twips; half a twip is far below a pixel).
  int ToTwips(double devicePixels) const { return Round(devicePixels * kTwipsPerInch / dpi_); }
  // Device pixels -> twips, unrounded (mouse positions).
  double ToTwipsExact(double devicePixels) const { return devicePixels * kTwipsPerInch / dpi_; }
  // Character height of a font of the given size, as LOGFONT wants it (negative).
  int FontHeight(double points) const { return -Round(points * dpi_ / 72.0); }

  friend constexpr bool operator==(DpiScale a, DpiScale b) { return a.dpi_ == b.dpi_; }

 private:
  // Clamped to int, so absurd design values cannot overflow.
  static int Round(double v) {
    if (std::isnan(v)) return 0;
    const double limit = std::numeric_limits<int>::max();
    return static_cast<int>(std::llround(std::clamp(v, -limit, limit)));
  }
  int dpi_ = kDesignDpi;
};

}  // namespace vorn2
