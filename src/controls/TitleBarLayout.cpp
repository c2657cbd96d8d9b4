#include "controls/TitleBarLayout.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vorn2 {
namespace {

constexpr int kTile = 300;       // width of a middle tile / edge step
constexpr int kBarSlice = 545;   // height of the bar slices (the bar shows 500)
constexpr int kLeftCap = 545;
constexpr int kRightCap = 1000;
constexpr int kFrame = 60;       // frame thickness (4 pixels)
constexpr int kEdgeTop = 800;    // where the side edges start in the skin
constexpr int kEdgeLength = 500;
constexpr int kBottomRightCorner = 500;

}  // namespace

std::vector<SkinCopy> TitleBarCopies(int barWidth, int skinWidth, int skinHeight) {
  (void)skinHeight;
  std::vector<SkinCopy> copies;
  const int tiles = std::max(barWidth, 0) / kTile + 1;
  for (int i = 1; i <= tiles; ++i) copies.push_back({kTile, 0, kTile, kBarSlice, i * kTile, 0});
  copies.push_back({0, 0, kLeftCap, kBarSlice, 0, 0});
  copies.push_back({skinWidth - kRightCap, 0, kRightCap, kBarSlice, barWidth - kRightCap, 0});
  return copies;
}

std::vector<SkinCopy> WindowFrameCopies(int hostWidth, int hostHeight, int skinWidth, int skinHeight) {
  std::vector<SkinCopy> copies;
  const int across = std::max(hostWidth, 0) / kTile + 1;
  const int down = std::max(hostHeight, 0) / kTile + 1;
  for (int i = 1; i <= across; ++i) {
    copies.push_back({kTile, skinHeight - kFrame, kTile, kEdgeLength, i * kTile, hostHeight - kFrame});
  }
  for (int i = 1; i <= down; ++i) copies.push_back({0, kEdgeTop, kFrame, kEdgeLength, 0, i * kTile});
  for (int i = 1; i <= down; ++i) {
    copies.push_back({skinWidth - kFrame, kEdgeTop, kTile, kEdgeLength, hostWidth - kFrame, i * kTile});
  }
  copies.push_back({0, skinHeight - kFrame, kLeftCap, kFrame, 0, hostHeight - kFrame});
  copies.push_back({skinWidth - kBottomRightCorner, skinHeight - kFrame, kBottomRightCorner, kFrame,
                    hostWidth - kBottomRightCorner, hostHeight - kFrame});
  return copies;
}

TwipsPoint TitleCaptionPosition(bool hasLogo) { return hasLogo ? TwipsPoint{600, 150} : TwipsPoint{150, 150}; }

bool SkinCopyToPixels(const SkinCopy& twips, DpiScale scale, int sourceWidthPixels, int sourceHeightPixels,
                      int targetWidthPixels, int targetHeightPixels, SkinCopy& pixels) {
  int sx = scale.FromTwips(twips.srcX);
  int sy = scale.FromTwips(twips.srcY);
  int w = scale.FromTwips(static_cast<double>(twips.srcX) + twips.width) - sx;
  int h = scale.FromTwips(static_cast<double>(twips.srcY) + twips.height) - sy;
  // A copy keeps the source's size (never stretched). It is placed by its
  // near edge, or by its far edge where that edge is the target's (the
  // right cap, the bottom corners): rounded edges of a scaled skin must still
  // meet the bar's and the host's far edges.
  int dx = scale.FromTwips(twips.dstX);
  int dy = scale.FromTwips(twips.dstY);
  if (scale.FromTwips(static_cast<double>(twips.dstX) + twips.width) == targetWidthPixels) dx = targetWidthPixels - w;
  if (scale.FromTwips(static_cast<double>(twips.dstY) + twips.height) == targetHeightPixels) {
    dy = targetHeightPixels - h;
  }
  // Clip on the source, moving the destination along; then on the target.
  auto clip = [](int& s, int& d, int& len, int limitS, int limitD) {
    if (s < 0) { d -= s; len += s; s = 0; }
    if (d < 0) { s -= d; len += d; d = 0; }
    len = std::min({len, limitS - s, limitD - d});
  };
  clip(sx, dx, w, sourceWidthPixels, targetWidthPixels);
  clip(sy, dy, h, sourceHeightPixels, targetHeightPixels);
  if (w <= 0 || h <= 0) return false;
  pixels = {sx, sy, w, h, dx, dy};
  return true;
}

bool ColorFromText(std::string_view text, std::uint32_t& color) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
  if (v < -2147483648LL || v > 4294967295LL) return false;
  color = static_cast<std::uint32_t>(v);
  return true;
}

std::string ColorToText(std::uint32_t color) { return std::to_string(static_cast<std::int32_t>(color)); }

}  // namespace vorn2
