// Design geometry of the main window and where its resize puts the controls,
// in twips (15 per pixel at 96 dpi).
#pragma once

#include <optional>

#include "framework/Twips.h"

namespace vorn2::main_layout {

using vorn2::TwipsRect;

inline constexpr int kClientWidthTwips = 15540;  // 1036 px
inline constexpr int kClientHeightTwips = 9585;  // 639 px
inline constexpr int kTitleBarHeight = 500;
inline constexpr TwipsRect kTitleBar{0, 0, kClientWidthTwips, kTitleBarHeight};  // as wide as the window
inline constexpr TwipsRect kPicLogo{100, 30, 440, 440};
// Tops and sizes of the controls the resize moves sideways.
inline constexpr TwipsRect kOtherUserBtn{0, 0, 1485, 330};
inline constexpr TwipsRect kGameSpaceBtn{0, 0, 1215, 330};
inline constexpr TwipsRect kWebTool{0, 15, 360, 270};
inline constexpr TwipsRect kWebMin{0, 15, 360, 270};
inline constexpr TwipsRect kWebMinMax{0, 15, 375, 270};
inline constexpr TwipsRect kWebClose{0, 15, 645, 270};
inline constexpr TwipsRect kTabStrip{2300, 45, 8640, 480};
inline constexpr int kTabStyle = 1;  // the rounded tabs, 32 px high
// The strip's free bands (96-dpi pixels) as the window stores them.
inline constexpr int kTabLeftSize = 10;
inline constexpr int kTabRightSize = 0;
// Left edges of the title row's buttons, back from the window's outer width.
inline constexpr int kWebCloseFromRight = 730;
inline constexpr int kWebMinMaxFromRight = 1105;
inline constexpr int kWebMinFromRight = 1465;
inline constexpr int kWebToolFromRight = 1825;
// Left edges of the two links, back from the client width.
inline constexpr int kGameSpaceFromRight = 3300;
inline constexpr int kOtherUserFromRight = 4850;
// The content panel (pCnt) keeps this margin left, right and below; its top
// is the strip's height, so the page covers the strip's lowest rows.
inline constexpr int kContentMargin = 60;
constexpr TwipsRect ContentRect(int clientWidth, int clientHeight, int tabHeight) {
  return {kContentMargin, tabHeight, clientWidth - 2 * kContentMargin, clientHeight - tabHeight - kContentMargin};
}
inline constexpr TwipsRect kContent = ContentRect(kClientWidthTwips, kClientHeightTwips, kTabStrip.height);
// Corner ellipse of the window region, pixels.
inline constexpr int kCornerEllipse = 6;

struct Placement {
  int webClose = 0, webMinMax = 0, webMin = 0, webTool = 0;  // lefts
  // Absent when the width would be negative: the strip keeps its place.
  // It ends where OtherUserBtn begins, so no tab lies under the link.
  std::optional<TwipsRect> tabStrip;
  int gameSpace = 0, otherUser = 0;  // lefts
  TwipsRect content{};               // pCnt
};

// windowWidth: the window's outer width; client*: its client area (all in
// twips); tabHeight: the strip's current height.
Placement PlaceControls(int windowWidth, int clientWidth, int clientHeight, int tabHeight);

// Centred position of a window on a screen, as the form engine computes it:
// each difference halved by integer division.
int CentredOffset(int screen, int window);

}  // namespace vorn2::main_layout
