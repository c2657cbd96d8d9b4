#include <gtest/gtest.h>

#include "framework/TempFolder.h"

using namespace vorn2;

TEST(TempFolder, EndsInExactlyOneBackslash) {
  EXPECT_EQ(NormalizeTempFolder("C:\\Users\\p\\AppData\\Local\\Temp\\"), "C:\\Users\\p\\AppData\\Local\\Temp\\");
  EXPECT_EQ(NormalizeTempFolder("C:\\Temp"), "C:\\Temp\\");
  EXPECT_EQ(NormalizeTempFolder("C:\\Temp\\\\"), "C:\\Temp\\");
  EXPECT_EQ(NormalizeTempFolder("C:\\"), "C:\\");
  EXPECT_EQ(NormalizeTempFolder(""), "\\");
  // The buffer is cut at the first NUL.
  EXPECT_EQ(NormalizeTempFolder(std::string_view("C:\\Temp\\\0garbage", 16)), "C:\\Temp\\");
  EXPECT_EQ(NormalizeTempFolder("C:\\临时"), "C:\\临时\\");
}
