#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "framework/win/TempFolder.h"

using namespace vorn2;

namespace {

TEST(TempFolder, TempFolderIsTheSystemsWithOneTrailingBackslash) {
  std::wstring folder = GetTempFolder();
  wchar_t system[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, system);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(folder, std::wstring(system, n));
  ASSERT_GE(folder.size(), 2u);
  EXPECT_EQ(folder.back(), L'\\');
  EXPECT_NE(folder[folder.size() - 2], L'\\');
}

// A temporary folder deeper than MAX_PATH, reported the way the system
// reports any path: its length when the buffer is too small.
const std::wstring kDeepTemp = L"C:\\" + std::wstring(150, L'a') + L"\\" + std::wstring(150, L'b') + L"\\";
DWORD WINAPI DeepTempPath(DWORD size, LPWSTR buffer) {
  if (size <= kDeepTemp.size()) return static_cast<DWORD>(kDeepTemp.size() + 1);
  wcscpy(buffer, kDeepTemp.c_str());
  return static_cast<DWORD>(kDeepTemp.size());
}

TEST(TempFolder, TempFolderLongerThanMaxPathIsReadInFull) {
  EXPECT_EQ(TempFolderFrom(&DeepTempPath), kDeepTemp);
  EXPECT_EQ(TempFolderFrom([](DWORD, LPWSTR) -> DWORD { return 0; }), L"\\");
}

}  // namespace
