// Geometry of the skinned title bar and of the window frame it paints on
// its host: which rectangles of the skin go where, in twips, and their
// conversion to clipped pixel copies. No window code here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Twips.h"

namespace vorn2 {

inline constexpr int kTitleBarHeightTwips = 500;
inline constexpr std::uint32_t kTitleBarDefaultBackColor = 14346732;  // 0x00DAE9EC
inline constexpr const char* kTitleBarDefaultBackColorText = "14346732";
inline constexpr const char* kTitleBarDefaultCaption = "NewForm";

// One unscaled copy from the skin: source rectangle and destination corner.
struct SkinCopy {
  int srcX = 0, srcY = 0, width = 0, height = 0;
  int dstX = 0, dstY = 0;
  bool operator==(const SkinCopy&) const = default;
};

// The bar: middle tiles, then the left cap, then the right cap (drawn last,
// so it wins where the caps overlap on a narrow bar). All twips.
std::vector<SkinCopy> TitleBarCopies(int barWidth, int skinWidth, int skinHeight);

// The host's frame: bottom edge, left edge, right edge, bottom-left and
// bottom-right corners, in that order. All twips.
std::vector<SkinCopy> WindowFrameCopies(int hostWidth, int hostHeight, int skinWidth, int skinHeight);

struct TwipsPoint {
  int x = 0, y = 0;
};
// Where the caption starts: right of the host's logo, or near the left edge.
TwipsPoint TitleCaptionPosition(bool hasLogo);

// The skin is 96-dpi artwork: its size in twips is its pixels times 15.
constexpr int SkinTwips(int artworkPixels) { return artworkPixels * kDesignTwipsPerPixel; }

// A copy in device pixels of a window at the given scale, from the skin
// scaled by the same factor: source and destination convert alike, so the
// slices keep their places in the skin at every factor. Clipped to the
// (scaled) source picture and to the destination; false when nothing is left
// of it. The source's edges are converted one by one (rounded); the
// destination keeps the source's size, placed by its near edge or, where its
// far edge is the target's, by that one.
bool SkinCopyToPixels(const SkinCopy& twips, DpiScale scale, int sourceWidthPixels, int sourceHeightPixels,
                      int targetWidthPixels, int targetHeightPixels, SkinCopy& pixels);

// The bar's BackColor travels as decimal text. Accepts an optional sign and
// the 32-bit range (negative numbers are the high-bit system colours);
// false for anything else.
bool ColorFromText(std::string_view text, std::uint32_t& color);
// Decimal text of a colour, signed like the form engine's 32-bit numbers.
std::string ColorToText(std::uint32_t color);

}  // namespace vorn2
