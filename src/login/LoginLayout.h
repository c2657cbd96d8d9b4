// Design geometry of the login pair, in twips as the forms are laid out
// (15 twips per pixel at 96 dpi).
#pragma once

#include "framework/Twips.h"

namespace vorn2::login_layout {

using vorn2::TwipsRect;

inline constexpr int kClientWidthTwips = 18555;   // 1237 px: the background picture
inline constexpr int kClientHeightTwips = 10440;  // 696 px
inline constexpr TwipsRect kMiniBtn{16800, 1950, 420, 420};
inline constexpr TwipsRect kCloseBtn{17280, 1875, 510, 510};
inline constexpr TwipsRect kPicture1{6225, 2685, 10980, 6375};
// Larger than its box on purpose: the box cuts off the browser's edge and
// scroll bars.
inline constexpr TwipsRect kWebBrowser1{-15, -15, 11265, 6660};

inline constexpr unsigned long kTransparentColor = 0x00FEFEFE;  // colour key of the login window
// Clears WS_CAPTION and WS_THICKFRAME from the background window's style.
inline constexpr unsigned long kBackgroundStyleMask = 0xFF3BFFFFul;

struct Point {
  int x, y;
};
// Top-left that centres an item in an area; an item larger than the area
// starts at the area's top-left, so its left part (where one grabs and reads
// it) stays on the screen.
Point CentredOrigin(int areaLeft, int areaTop, int areaWidth, int areaHeight, int width, int height);

}  // namespace vorn2::login_layout
