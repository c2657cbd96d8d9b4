#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "framework/win/Handles.h"
#include "framework/win/PublicData.h"
#include "framework/win/Resources.h"
#include "resource_ids.h"
#include "win/support/TestListener.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

TEST(PublicData, TempFolderIsTheSystemsWithOneTrailingBackslash) {
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

TEST(PublicData, TempFolderLongerThanMaxPathIsReadInFull) {
  EXPECT_EQ(TempFolderFrom(&DeepTempPath), kDeepTemp);
  EXPECT_EQ(TempFolderFrom([](DWORD, LPWSTR) -> DWORD { return 0; }), L"\\");
}

TEST(PublicData, SavedResourceHoldsExactlyTheResourceBytes) {
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

TEST(PublicData, SaveReportsFailureInsteadOfPretending) {
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

TEST(PublicData, LayeredPictureHoldsItsHandlesUntilTeardownAndThenNone) {
  const HWND hwnd = CreateWindowExW(WS_EX_LAYERED, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(hwnd, nullptr);
  const HandleKind kinds[] = {HandleKind::GdiplusObject, HandleKind::GdiplusSession, HandleKind::ComReference,
                              HandleKind::DC, HandleKind::Bitmap};
  const long expectedHeld[] = {3, 1, 1, 1, 1};  // image, GDI+ view, graphics; session; stream; context; DIB
  long before[5];
  for (int i = 0; i < 5; ++i) before[i] = LiveHandles(kinds[i]);
  LayeredPicture picture;
  for (int paint = 0; paint < 2; ++paint) {  // painting again first lets the earlier picture go
    // Decoded by the painting, then decoded ahead and handed over.
    if (paint == 0) PaintLayeredPng(hwnd, IDR_PNG_SPLASH, picture);
    else PaintLayeredPng(hwnd, DecodePngResource(IDR_PNG_SPLASH), picture);
    EXPECT_EQ(picture.width, 356);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(LiveHandles(kinds[i]), before[i] + expectedHeld[i]) << "kind " << i;
  }
  const HBITMAP dib = picture.bitmap.get();
  const HDC dc = picture.memoryDC.get();
  TeardownLayered(picture);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(LiveHandles(kinds[i]), before[i]) << "kind " << i;
  EXPECT_EQ(GetObjectType(dib), 0u) << "deleted in GDI, not only uncounted";
  EXPECT_EQ(GetObjectType(dc), 0u);
  EXPECT_EQ(picture.image, nullptr);
  EXPECT_EQ(picture.width, 0);
  // A picture that could not be decoded leaves the window blank and holds nothing.
  PaintLayeredPng(hwnd, DecodePngResource(9999), picture);
  EXPECT_EQ(picture.width, 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(LiveHandles(kinds[i]), before[i]) << "kind " << i;
  DestroyWindow(hwnd);
}

}  // namespace
