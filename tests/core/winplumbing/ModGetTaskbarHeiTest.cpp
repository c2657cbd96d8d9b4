#include <gtest/gtest.h>

#include "winplumbing/ModGetTaskbarHei.h"

using namespace vorn2;

TEST(TaskbarHeight, BottomTaskbarIsMeasuredInTwips) {
  // 1080-px screen, 40-px taskbar at the bottom.
  EXPECT_EQ(TaskbarHeightTwips(16200, 15, 1040), 600);
  // At 120 dpi (12 twips per pixel) the same pixels give fewer twips.
  EXPECT_EQ(TaskbarHeightTwips(1080 * 12, 12, 1040), 480);
}

TEST(TaskbarHeight, TaskbarElsewhereGivesNothingOrTheGapBelow) {
  EXPECT_EQ(TaskbarHeightTwips(16200, 15, 1080), 0);  // at the top or a side
  EXPECT_EQ(TaskbarHeightTwips(16200, 15, 1070), 150);
}

TEST(TaskbarHeight, FailedQueryCountsTheWholeScreen) {
  EXPECT_EQ(TaskbarHeightTwips(16200, 15, 0), 16200);
}

TEST(TaskbarHeight, ResultsBeyondSixteenBitsSaturateInsteadOfWrapping) {
  // A 2400-px screen whose work-area query failed: 36000 twips.
  EXPECT_EQ(TaskbarHeightTwips(2400 * 15, 15, 0), 32767);
  // A work area reaching far below the screen.
  EXPECT_EQ(TaskbarHeightTwips(16200, 15, 5000), -32768);
  EXPECT_EQ(TaskbarHeightTwips(16200, 0, 1040), 0);  // no screen factor
}
