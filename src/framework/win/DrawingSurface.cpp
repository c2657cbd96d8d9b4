#include "framework/win/DrawingSurface.h"

#include <algorithm>

namespace vorn2 {
namespace {

void Fill(HDC dc, int width, int height, COLORREF color) {
  RECT all{0, 0, width, height};
  UniqueBrush brush(CreateSolidBrush(color));
  FillRect(dc, &all, brush.get());
}

}  // namespace

UniqueBitmap CreateDib32(int width, int height, std::uint32_t** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down: row 0 is the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* raw = nullptr;
  UniqueBitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &raw, nullptr, 0));
  if (bits) *bits = static_cast<std::uint32_t*>(raw);
  return bmp;
}

PixelImage ReadPixels(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return {};
  PixelImage image(bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = image.width;
  bi.bmiHeader.biHeight = -image.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  const WindowDC screen(nullptr);
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(image.height), image.pixels.data(), &bi,
                DIB_RGB_COLORS) != image.height) {
    return {};
  }
  return image;
}

UniqueBitmap DibFromPixels(const PixelImage& image) {
  if (image.Empty()) return {};
  std::uint32_t* bits = nullptr;
  UniqueBitmap dib = CreateDib32(image.width, image.height, &bits);
  if (!dib || !bits) return {};
  std::copy(image.pixels.begin(), image.pixels.end(), bits);
  return dib;
}

void DrawingSurface::Release() {
  selection_.reset();
  dc_.reset();
  bitmap_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool DrawingSurface::Resize(int width, int height, COLORREF fill) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (dc_ && width == width_ && height == height_) return true;
  std::uint32_t* bits = nullptr;
  UniqueBitmap bmp = CreateDib32(width, height, &bits);
  if (!bmp) return false;
  UniqueDC dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  SelectGuard selection(dc.get(), bmp.get());
  Fill(dc.get(), width, height, fill);
  if (dc_) BitBlt(dc.get(), 0, 0, std::min(width, width_), std::min(height, height_), dc_.get(), 0, 0, SRCCOPY);
  Release();
  bitmap_ = std::move(bmp);
  dc_ = std::move(dc);
  selection_ = std::move(selection);
  bits_ = bits;
  width_ = width;
  height_ = height;
  return true;
}

void DrawingSurface::Clear(COLORREF fill) {
  if (dc_) Fill(dc_.get(), width_, height_, fill);
}

void DrawingSurface::PaintTo(HDC target, const RECT& area) const {
  if (!dc_) return;
  BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_.get(), area.left,
         area.top, SRCCOPY);
}

COLORREF DrawingSurface::Pixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  GdiFlush();
  std::uint32_t v = bits_[static_cast<std::size_t>(y) * width_ + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

}  // namespace vorn2
