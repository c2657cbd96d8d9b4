#include <gtest/gtest.h>

#include "framework/win/Handles.h"
#include "framework/win/LayeredWindow.h"
#include "resource_ids.h"

using namespace vorn2;

namespace {

TEST(LayeredWindow, LayeredPictureHoldsItsHandlesUntilTeardownAndThenNone) {
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
