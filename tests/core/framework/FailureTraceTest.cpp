#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/FailureTrace.h"

using namespace vorn2;

namespace {

std::vector<std::string> g_lines;
void Record(const char* line) noexcept { g_lines.emplace_back(line); }

}  // namespace

TEST(FailureTrace, EachFailureIsOneCountedLineWithPlaceAndCode) {
  g_lines.clear();
  const FailureSink previous = SetFailureSink(&Record);
  const long before = FailureCount();
  const int line = __LINE__ + 1;
  VORN2_TRACE_FAILURE("CloseHandle(file)", 6);
  try {
    throw std::runtime_error("tab list changed");
  } catch (...) {
    VORN2_TRACE_CAUGHT();
  }
  try {
    throw 7;
  } catch (...) {
    VORN2_TRACE_CAUGHT();
  }
  SetFailureSink(previous);
  EXPECT_EQ(FailureCount(), before + 3);
  ASSERT_EQ(g_lines.size(), 3u);
  EXPECT_EQ(g_lines[0].rfind("vorn2: ", 0), 0u) << g_lines[0];
  EXPECT_NE(g_lines[0].find("FailureTraceTest.cpp(" + std::to_string(line) + "): CloseHandle(file), code 0x00000006\n"),
            std::string::npos)
      << g_lines[0];
  EXPECT_NE(g_lines[1].find("exception swallowed: tab list changed, code 0x00000000"), std::string::npos) << g_lines[1];
  EXPECT_NE(g_lines[2].find("): exception swallowed, code"), std::string::npos) << g_lines[2];
}

TEST(FailureTrace, PathStartsAtTheProjectsSourceFolder) {
  EXPECT_EQ(FormatFailure("/work/x/src/tabs/TabModel.cpp", 91, "exception swallowed", 0),
            "vorn2: src/tabs/TabModel.cpp(91): exception swallowed, code 0x00000000\n");
  EXPECT_EQ(FormatFailure("C:\\b\\updater\\Updater.cpp", 3, "RegCloseKey", 0x80070005UL),
            "vorn2: updater\\Updater.cpp(3): RegCloseKey, code 0x80070005\n");
}

TEST(FailureTrace, AFailureTheCodeActsOnIsTracedBeforeItReturns) {
  g_lines.clear();
  const FailureSink previous = SetFailureSink(&Record);
  const auto write = [](bool fails) {
    if (fails) VORN2_RETURN_TRACED("WriteFile", 112, -1);
    return 1;
  };
  EXPECT_EQ(write(false), 1);
  EXPECT_EQ(write(true), -1);
  SetFailureSink(previous);
  ASSERT_EQ(g_lines.size(), 1u);
  EXPECT_NE(g_lines[0].find("): WriteFile, code 0x00000070\n"), std::string::npos) << g_lines[0];
}
