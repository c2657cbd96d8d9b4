#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/win/Resources.h"
#include "resource_ids.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

TEST(ResourceFiles, SavedResourceHoldsExactlyTheResourceBytes) {
  test::TempDir dir;
  std::wstring path = dir.File(L"vorn2.ico");
  std::vector<unsigned char> expected = ReadResourceBytes(IDR_ICON_APP, L"ICON");
  ASSERT_FALSE(expected.empty());
  // A longer file already there must not leave a stale tail.
  ASSERT_TRUE(test::WriteFileBytes(path, std::vector<unsigned char>(expected.size() + 5000, 0xAB)));
  EXPECT_TRUE(SaveResourceToFile(IDR_ICON_APP, L"ICON", path));
  EXPECT_EQ(test::ReadFileBytes(path), expected);
  EXPECT_TRUE(SaveResourceToFile(IDR_ICON_APP, L"ICON", path));
  EXPECT_EQ(test::ReadFileBytes(path), expected);
  // A hidden file is replaced too.
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(SaveResourceToFile(IDR_PNG_SPLASH, L"PNG", path));
  EXPECT_EQ(test::ReadFileBytes(path), ReadResourceBytes(IDR_PNG_SPLASH, L"PNG"));
}

TEST(ResourceFiles, SaveReportsFailureInsteadOfPretending) {
  test::TempDir dir;
  std::wstring path = dir.File(L"Update.exe");
  EXPECT_FALSE(SaveResourceToFile(999, L"PNG", path));
  EXPECT_FALSE(test::FileExists(path));
  // Held open without sharing, as a running updater holds its file.
  ASSERT_TRUE(test::WriteFileBytes(path, {1, 2, 3}));
  HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(SaveResourceToFile(IDR_ICON_APP, L"ICON", path));
  CloseHandle(held);
  EXPECT_EQ(test::ReadFileBytes(path), (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_FALSE(SaveResourceToFile(IDR_ICON_APP, L"ICON", dir.File(L"no such folder\\x.ico")));
}

}  // namespace
