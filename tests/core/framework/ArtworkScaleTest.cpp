#include "framework/ArtworkScale.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorn2;

namespace {

constexpr std::uint32_t kRed = 0xC02010, kBlue = 0x1040E0;

// A keyed button face: a magenta border of 2 around a red block with a blue
// stripe, like the strips and skins.
PixelImage KeyedFace() {
  PixelImage img(12, 8, kColourKey);
  for (int y = 2; y < 6; ++y) {
    for (int x = 2; x < 10; ++x) img.At(x, y) = x < 6 ? kRed : kBlue;
  }
  return img;
}

std::uint32_t Ch(std::uint32_t p, int shift) { return (p >> shift) & 0xFF; }

}  // namespace

TEST(ArtworkScale, KeyedPicturesGetNoFringeAtAnyFactor) {
  const PixelImage face = KeyedFace();
  for (int dpi : {120, 144, 168}) {
    const DpiScale s(dpi);
    const PixelImage out = ScaleKeyed(face, 0, 0, 12, 8, s.Px(12), s.Px(8));
    ASSERT_EQ(out.width, s.Px(12));
    int keyed = 0;
    for (std::uint32_t p : out.pixels) {
      if (p == kColourKey) {
        ++keyed;
        continue;
      }
      // Every visible pixel lies between the visible source colours: no
      // magenta mixed into an edge.
      for (int shift : {0, 8, 16}) {
        EXPECT_GE(Ch(p, shift), std::min(Ch(kRed, shift), Ch(kBlue, shift))) << dpi << std::hex << " " << p;
        EXPECT_LE(Ch(p, shift), std::max(Ch(kRed, shift), Ch(kBlue, shift))) << dpi << std::hex << " " << p;
      }
    }
    // The see-through border grows with the picture (64 of 96 pixels).
    const double share = static_cast<double>(keyed) / static_cast<double>(out.pixels.size());
    EXPECT_NEAR(share, 64.0 / 96.0, 0.08) << dpi;
    // Deep inside and far outside stay what they were.
    EXPECT_EQ(out.At(0, 0), kColourKey);
    EXPECT_EQ(out.At(s.Px(3), s.Px(3)), kRed);
    EXPECT_EQ(out.At(s.Px(8), s.Px(4)), kBlue);
  }
}

TEST(ArtworkScale, WholeFactorsRepeatEachPixelAndOneIsACopy) {
  const PixelImage face = KeyedFace();
  const PixelImage twice = ScaleKeyed(face, 0, 0, 12, 8, 24, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) ASSERT_EQ(twice.At(x, y), face.At(x / 2, y / 2)) << x << "," << y;
  }
  // A cut at factor 1 is the source's rectangle, pixel for pixel.
  const PixelImage cut = ScaleKeyed(face, 4, 1, 6, 5, 6, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) ASSERT_EQ(cut.At(x, y), face.At(x + 4, y + 1));
  }
  EXPECT_TRUE(ScaleKeyed(face, 8, 0, 6, 8, 9, 12).Empty()) << "a rectangle past the source";
}

TEST(ArtworkScale, PremultipliedEdgesStayValidAndSeeThroughStaysSeeThrough) {
  // See-through outside, opaque green inside.
  PixelImage img(10, 10, 0);
  for (int y = 3; y < 7; ++y) {
    for (int x = 3; x < 7; ++x) img.At(x, y) = 0xFF20A040;
  }
  const PixelImage out = ScalePremultiplied(img, 0, 0, 10, 10, 15, 15);
  for (std::uint32_t p : out.pixels) {
    const std::uint32_t a = p >> 24;
    if (a == 0) continue;
    // A half see-through edge pixel is still green: no dark or light rim.
    EXPECT_NEAR(Ch(p, 16) * 255.0 / a, 0x20, 2) << std::hex << p;
    EXPECT_NEAR(Ch(p, 8) * 255.0 / a, 0xA0, 2) << std::hex << p;
    EXPECT_NEAR(Ch(p, 0) * 255.0 / a, 0x40, 2) << std::hex << p;
  }
  EXPECT_EQ(out.At(0, 0) >> 24, 0u);
  EXPECT_EQ(out.At(7, 7), 0xFF20A040u);
  // On a colour key: half see-through or more is the key, the rest at full
  // strength; the key colour itself is see-through in the artwork.
  PixelImage edge(3, 1);
  edge.pixels = {0x40102030, 0xC0604020, 0xFFFF00FF};
  const PixelImage keyed = KeyPremultiplied(edge, 0xFF00FF);
  EXPECT_EQ(keyed.At(0, 0), 0xFF00FFu);
  EXPECT_EQ(keyed.At(1, 0), 0x80552Bu);  // 0x60 * 255 / 0xC0 = 0x80, ...
  EXPECT_EQ(keyed.At(2, 0), 0xFF00FFu);
}

TEST(ArtworkScale, ABlendThatMeetsTheKeyStaysVisible) {
  // Neither pixel is the key, but their average is.
  PixelImage pair(2, 1);
  pair.pixels = {0xFE00FF, 0xFF00FE};
  const PixelImage out = ScaleKeyed(pair, 0, 0, 2, 1, 3, 1);
  ASSERT_EQ(out.width, 3);
  EXPECT_NE(out.At(1, 0), kColourKey);
  EXPECT_EQ(out.At(1, 0) & 0x00FFFF, 0x00FFu);
}

TEST(ArtworkScale, CellsOfASheetScaleApartAndPositionsFollowThem) {
  // Three regions: a one-pixel column, a red tab of 5, a blue glyph of 3.
  PixelImage sheet(9, 4);
  for (int y = 0; y < 4; ++y) {
    sheet.At(0, y) = 0x000010 * (y + 1);
    for (int x = 1; x < 6; ++x) sheet.At(x, y) = kRed;
    for (int x = 6; x < 9; ++x) sheet.At(x, y) = kBlue;
  }
  const std::vector<int> breaks{1, 6};
  const DpiScale s(144);
  const PixelImage out = ScaleKeyedCells(sheet, breaks, {}, s);
  ASSERT_EQ(out.width, s.Px(1) + s.Px(5) + s.Px(3));  // 2 + 8 + 5
  ASSERT_EQ(out.height, s.Px(4));
  EXPECT_EQ(ScaledCellPosition(breaks, 1, s), 2);
  EXPECT_EQ(ScaledCellPosition(breaks, 6, s), 10);
  EXPECT_EQ(ScaledCellPosition(breaks, 7, s), 12);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 2; x < 10; ++x) ASSERT_EQ(out.At(x, y), kRed) << "the tab takes nothing of its neighbours";
    for (int x = 10; x < 15; ++x) ASSERT_EQ(out.At(x, y), kBlue);
  }
  // The background column keeps its top-to-bottom gradient.
  EXPECT_LT(out.At(0, 0), out.At(0, out.height - 1));
}
