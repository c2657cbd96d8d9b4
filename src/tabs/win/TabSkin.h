// The tab strip's two skins: the regions their pictures are cut into
// (bitmaps 106 and 107) and the lengths each style draws with, at any factor.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Twips.h"
#include "framework/win/Picture.h"
#include "tabs/win/mdlTabAPI.h"

namespace vorn2::tab_skin {

// Per-style drawing constants, in pixels of the skin and of the strip.
struct StyleMetrics {
  int height;
  int imageSrcWidth, imageSrcHeight;
  int srcNormal, srcHover, srcSelected;
  int imageLeftExtra;  // how far the image reaches left of Left
  int imageHeight;
  int captionDx, captionHeight;
  int captionOther, captionOtherNoButton, captionSelected, captionSelectedNoButton;
  int glyphDx, glyphY;
  int glyphSelected, glyphOther, glyphHot, glyphPressed;
  int glyphSize, margin;
  int backSrcHeight;  // rows of the background column
};

// The skins' regions (96-dpi pixels): background column, three tab images,
// four close glyphs side by side; style 1's tab images use rows 0-25 only.
struct SkinSheet {
  int resourceId;
  std::vector<int> columns;
  std::vector<int> rows;
};
extern const SkinSheet kSkin0;  // style 0, the compact tabs
extern const SkinSheet kSkin1;  // the others, the rounded tabs

inline constexpr StyleMetrics kCompact{.height = 25,
                                       .imageSrcWidth = 122,
                                       .imageSrcHeight = 25,
                                       .srcNormal = 1,
                                       .srcHover = 123,
                                       .srcSelected = 245,
                                       .imageLeftExtra = 14,
                                       .imageHeight = 25,
                                       .captionDx = 0,
                                       .captionHeight = 25,
                                       .captionOther = 38,
                                       .captionOtherNoButton = 14,
                                       .captionSelected = 26,
                                       .captionSelectedNoButton = 26,
                                       .glyphDx = 24,
                                       .glyphY = 6,
                                       .glyphSelected = 367,
                                       .glyphOther = 379,
                                       .glyphHot = 391,
                                       .glyphPressed = 403,
                                       .glyphSize = 12,
                                       .margin = 14,
                                       .backSrcHeight = 25};
inline constexpr StyleMetrics kRounded{.height = 32,
                                       .imageSrcWidth = 124,
                                       .imageSrcHeight = 26,
                                       .srcNormal = 1,
                                       .srcHover = 125,
                                       .srcSelected = 249,
                                       .imageLeftExtra = 0,
                                       .imageHeight = 26,
                                       .captionDx = 12,
                                       .captionHeight = 26,
                                       .captionOther = 28,
                                       .captionOtherNoButton = 8,
                                       .captionSelected = 28,
                                       .captionSelectedNoButton = 8,
                                       .glyphDx = 20,
                                       .glyphY = 7,
                                       .glyphSelected = 373,
                                       .glyphOther = 385,
                                       .glyphHot = 397,
                                       .glyphPressed = 409,
                                       .glyphSize = 12,
                                       .margin = 14,
                                       .backSrcHeight = 28};

// The metrics of a style at a factor: lengths scaled once, places in the
// skin where its scaled sheet has them.
StyleMetrics MetricsFor(std::int32_t style, DpiScale scale);

// A context holding a copy of the skin scaled for the factor (the scaled
// sheet itself stays with its picture, shared by every strip); empty when
// it could not be made.
mdlTabAPI::UniqueMemDC LoadSkin(const PicturePtr& artwork, const SkinSheet& sheet, DpiScale scale);

}  // namespace vorn2::tab_skin
