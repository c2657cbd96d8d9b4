#include "controls/TitleBarLayout.h"

#include <gtest/gtest.h>

using namespace vorn2;

namespace {
constexpr int kSkinW = SkinTwips(94), kSkinH = SkinTwips(85);  // bitmap 108 in twips
}

TEST(TitleBarLayout, TilesThenLeftCapThenRightCapLast) {
  auto copies = TitleBarCopies(3000, kSkinW, kSkinH);
  ASSERT_EQ(copies.size(), 11u + 2u);  // Int(3000/300)+1 tiles
  for (int i = 0; i < 11; ++i) EXPECT_EQ(copies[i], (SkinCopy{300, 0, 300, 545, (i + 1) * 300, 0}));
  EXPECT_EQ(copies[11], (SkinCopy{0, 0, 545, 545, 0, 0}));
  EXPECT_EQ(copies.back(), (SkinCopy{410, 0, 1000, 545, 2000, 0}));

  // Narrow bar: both caps still there, the right one last over the left.
  copies = TitleBarCopies(1000, kSkinW, kSkinH);
  ASSERT_EQ(copies.size(), 4u + 2u);
  EXPECT_EQ(copies.back().dstX, 0);
  EXPECT_EQ(copies[copies.size() - 2].srcX, 0);
}

TEST(TitleBarLayout, FrameIsBottomThenSidesThenCorners) {
  auto copies = WindowFrameCopies(900, 600, kSkinW, kSkinH);
  // 4 bottom tiles, 3 left, 3 right, 2 corners.
  ASSERT_EQ(copies.size(), 12u);
  EXPECT_EQ(copies[0], (SkinCopy{300, 1215, 300, 500, 300, 540}));
  EXPECT_EQ(copies[3].dstX, 1200);
  EXPECT_EQ(copies[4], (SkinCopy{0, 800, 60, 500, 0, 300}));
  EXPECT_EQ(copies[7], (SkinCopy{1350, 800, 300, 500, 840, 300}));
  EXPECT_EQ(copies[10], (SkinCopy{0, 1215, 545, 60, 0, 540}));
  EXPECT_EQ(copies[11], (SkinCopy{910, 1215, 500, 60, 400, 540}));
}

TEST(TitleBarLayout, CaptionMovesRightForTheLogo) {
  EXPECT_EQ(TitleCaptionPosition(false).x, 150);
  EXPECT_EQ(TitleCaptionPosition(true).x, 600);
  EXPECT_EQ(TitleCaptionPosition(true).y, 150);
  EXPECT_EQ(TitleCaptionPosition(false).y, 150);
}

TEST(TitleBarLayout, PixelCopiesAreClippedToSourceAndTarget) {
  SkinCopy px;
  // Right cap of a 3000-twip bar: 67 px from x 27 of the 94 px skin.
  ASSERT_TRUE(SkinCopyToPixels({410, 0, 1000, 545}, DpiScale(96), 94, 85, 200, 33, px));
  EXPECT_EQ(px, (SkinCopy{27, 0, 67, 33, 0, 0}));
  // Right edge: 300 twips wide from the last 4 columns: only 4 are left.
  ASSERT_TRUE(SkinCopyToPixels({1350, 800, 300, 500, 840, 300}, DpiScale(96), 94, 85, 60, 40, px));
  EXPECT_EQ(px.srcX, 90);
  EXPECT_EQ(px.width, 4);
  EXPECT_EQ(px.dstX, 56);
  EXPECT_EQ(px.height, 20);  // target is 40 high, copy starts at 20
  // Bottom tile: 500 twips high from the last 4 rows: 4 rows.
  ASSERT_TRUE(SkinCopyToPixels({300, 1215, 300, 500, 300, 540}, DpiScale(96), 94, 85, 60, 40, px));
  EXPECT_EQ(px.height, 4);
  EXPECT_EQ(px.dstY, 36);
  // Destination left of the target: the source moves along.
  ASSERT_TRUE(SkinCopyToPixels({410, 0, 1000, 545, -300, 0}, DpiScale(96), 94, 85, 100, 33, px));
  EXPECT_EQ(px.srcX, 47);
  EXPECT_EQ(px.dstX, 0);
  EXPECT_EQ(px.width, 47);
  // Entirely outside: nothing.
  EXPECT_FALSE(SkinCopyToPixels({0, 0, 60, 60, 3000, 0}, DpiScale(96), 94, 85, 100, 33, px));
  EXPECT_FALSE(SkinCopyToPixels({1500, 0, 60, 60, 0, 0}, DpiScale(96), 94, 85, 100, 33, px));
}

TEST(TitleBarLayout, SlicesComeFromTheSamePlacesOfTheScaledSkinAtEveryFactor) {
  // The right cap of a bar as wide as the main window, at 100 % to 200 %:
  // from the scaled skin (94 x 85 artwork) at the place the artwork has it.
  for (int dpi : {96, 120, 144, 192}) {
    const DpiScale s(dpi);
    const int barTwips = s.ToTwips(s.Px(1036));
    const std::vector<SkinCopy> copies = TitleBarCopies(barTwips, kSkinW, kSkinH);
    SkinCopy px;
    ASSERT_TRUE(SkinCopyToPixels(copies.back(), s, s.Px(94), s.Px(85), s.Px(1036), s.FromTwips(500), px)) << dpi;
    EXPECT_EQ(px.srcX, s.FromTwips(410)) << dpi;  // 27 px of the artwork
    EXPECT_EQ(px.srcX + px.width, s.Px(94)) << dpi << ": the cap ends at the skin's right edge";
    EXPECT_EQ(px.dstX + px.width, s.Px(1036)) << dpi << ": and at the bar's";
    EXPECT_EQ(px.height, s.FromTwips(500)) << dpi;
    // The frame's 4-pixel left edge is 4 pixels of design wide.
    const std::vector<SkinCopy> frame = WindowFrameCopies(barTwips, s.ToTwips(s.Px(639)), kSkinW, kSkinH);
    ASSERT_TRUE(SkinCopyToPixels(frame[frame.size() - 2], s, s.Px(94), s.Px(85), s.Px(1036), s.Px(639), px));
    EXPECT_EQ(px.height, s.Px(4)) << dpi;
    EXPECT_EQ(px.dstY + px.height, s.Px(639)) << dpi;
  }
  EXPECT_EQ(DpiScale(144).FromTwips(410), 41);
}

TEST(TitleBarLayout, BackColorText) {
  std::uint32_t c = 1;
  ASSERT_TRUE(ColorFromText("14346732", c));
  EXPECT_EQ(c, 0x00DAE9ECu);
  ASSERT_TRUE(ColorFromText(" 0 ", c));
  EXPECT_EQ(c, 0u);
  ASSERT_TRUE(ColorFromText("-2147483643", c));  // the system window colour
  EXPECT_EQ(c, 0x80000005u);
  EXPECT_EQ(ColorToText(0x80000005u), "-2147483643");
  EXPECT_EQ(ColorToText(0x00DEDEDE), "14606046");
  c = 7;
  for (const char* bad : {"", "abc", "12x", "4294967296", "-2147483649", "1.5"}) {
    EXPECT_FALSE(ColorFromText(bad, c)) << bad;
  }
  EXPECT_EQ(c, 7u);
}
