#include "tabs/win/TabImageCache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "resource_ids.h"
#include "tabs/win/mdlTabAPI.h"

using namespace vorn2;

namespace {

constexpr COLORREF kKey = mdlTabAPI::kTransparentKey;
constexpr int kW = 420, kH = 32;

HDC LoadSkin(int id) {
  auto bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  return mdlTabAPI::CreateBitmapDC(bitmap);
}

// Stripes of changing colours, so every transparent pixel shows what lay beneath,
// and the colours a strip sets before drawing a selected tab.
HDC Canvas() {
  HDC dc = mdlTabAPI::CreateMemDC(kW, kH);
  for (int x = 0; x < kW; x += 3) {
    HBRUSH brush = CreateSolidBrush(RGB(x * 7 % 256, x * 13 % 256, 255 - x % 256));
    RECT rc{x, 0, x + 3, kH};
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
  }
  SetTextColor(dc, 0x00A36004);
  SetBkColor(dc, RGB(9, 8, 7));
  return dc;
}

std::vector<std::uint32_t> Pixels(HDC dc) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = kW;
  bi.bmiHeader.biHeight = -kH;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC copy = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(copy, dib);
  BitBlt(copy, 0, 0, kW, kH, dc, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<std::uint32_t> px(static_cast<std::uint32_t*>(bits), static_cast<std::uint32_t*>(bits) + kW * kH);
  for (auto& p : px) p &= 0x00FFFFFF;
  SelectObject(copy, old);
  DeleteDC(copy);
  DeleteObject(dib);
  return px;
}

struct Pair {
  HDC slow = Canvas();
  HDC cached = Canvas();
  ~Pair() {
    mdlTabAPI::DeleteMemDC(slow);
    mdlTabAPI::DeleteMemDC(cached);
  }
};

}  // namespace

TEST(TabImageCache, DrawsTheSamePixelsAsTheStretchAndTheTransparentTransfer) {
  struct Skin {
    int id, srcWidth, srcHeight;
    std::vector<int> images, glyphs;
  };
  const Skin skins[] = {{IDB_TAB_SKIN0, 122, 25, {1, 123, 245}, {367, 379, 391, 403}},
                        {IDB_TAB_SKIN1, 124, 26, {1, 125, 249}, {373, 385, 397, 409}}};
  TabImageCache cache;
  for (const Skin& s : skins) {
    HDC skin = LoadSkin(s.id);
    for (int srcX : s.images) {
      // Narrower than both margins, exactly them, the picture's own width, stretched.
      for (int width : {9, 28, 29, s.srcWidth, 122 + 14, 300}) {
        SCOPED_TRACE(testing::Message() << "skin " << s.id << " image " << srcX << " width " << width);
        Pair p;
        ASSERT_NE(mdlTabAPI::NineSliceBlt(p.slow, 17, 3, width, s.srcHeight, skin, srcX, 0, s.srcWidth, s.srcHeight, 14,
                                          0, 14, 0, kKey),
                  0);
        ASSERT_TRUE(cache.DrawNineSlice(p.cached, 17, 3, width, s.srcHeight, skin, srcX, 0, s.srcWidth, s.srcHeight, 14,
                                        0, 14, 0, kKey));
        const auto slow = Pixels(p.slow), cached = Pixels(p.cached);
        EXPECT_EQ(slow, cached);
        EXPECT_NE(slow, Pixels(Pair().slow));  // something was drawn
      }
    }
    for (int srcX : s.glyphs) {
      SCOPED_TRACE(testing::Message() << "skin " << s.id << " glyph " << srcX);
      Pair p;
      mdlTabAPI::TransBlt(p.slow, 100, 7, 12, 12, skin, srcX, 0, kKey);
      ASSERT_TRUE(cache.DrawTransparent(p.cached, 100, 7, 12, 12, skin, srcX, 0, kKey));
      EXPECT_EQ(Pixels(p.slow), Pixels(p.cached));
    }
    mdlTabAPI::DeleteMemDC(skin);
  }
}

TEST(TabImageCache, ReusesEntriesKeepsThemBoundedAndDrawsNothingForAnEmptySize) {
  HDC skin = LoadSkin(IDB_TAB_SKIN0);
  Pair p;
  const auto before = Pixels(p.cached);
  TabImageCache cache;
  EXPECT_FALSE(cache.DrawNineSlice(p.cached, 0, 0, 0, 25, skin, 1, 0, 122, 25, 14, 0, 14, 0, kKey));
  EXPECT_FALSE(cache.DrawNineSlice(p.cached, 0, 0, -4, 25, skin, 1, 0, 122, 25, 14, 0, 14, 0, kKey));
  EXPECT_FALSE(cache.DrawTransparent(p.cached, 0, 0, 0, 12, skin, 367, 0, kKey));
  EXPECT_EQ(Pixels(p.cached), before);
  EXPECT_EQ(cache.Size(), 0u);

  for (int round = 0; round < 3; ++round) {
    for (int srcX : {1, 123, 245})
      cache.DrawNineSlice(p.cached, 0, 0, 108, 25, skin, srcX, 0, 122, 25, 14, 0, 14, 0, kKey);
    cache.DrawTransparent(p.cached, 0, 0, 12, 12, skin, 367, 0, kKey);
  }
  EXPECT_EQ(cache.Size(), 4u);

  // A strip resized through many widths keeps only the latest entries.
  for (int width = 30; width < 30 + 2 * static_cast<int>(TabImageCache::kMaxEntries); ++width)
    cache.DrawNineSlice(p.cached, 0, 0, width, 25, skin, 1, 0, 122, 25, 14, 0, 14, 0, kKey);
  EXPECT_EQ(cache.Size(), TabImageCache::kMaxEntries);

  // Another skin picture at the same place is a new entry, not the old one's pixels.
  HDC other = LoadSkin(IDB_TAB_SKIN1);
  Pair q;
  mdlTabAPI::NineSliceBlt(q.slow, 0, 0, 108, 25, other, 1, 0, 122, 25, 14, 0, 14, 0, kKey);
  ASSERT_TRUE(cache.DrawNineSlice(q.cached, 0, 0, 108, 25, other, 1, 0, 122, 25, 14, 0, 14, 0, kKey));
  EXPECT_EQ(Pixels(q.slow), Pixels(q.cached));
  cache.Clear();
  EXPECT_EQ(cache.Size(), 0u);
  mdlTabAPI::DeleteMemDC(other);
  mdlTabAPI::DeleteMemDC(skin);
}
