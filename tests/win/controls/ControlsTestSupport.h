// Shared pieces of the control tests: a visible host form, strips with known
// colours, and pixels of pictures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "framework/win/Form.h"
#include "framework/win/Picture.h"

namespace vorn2::test {

// A borderless form at a fixed place on the screen (client = window).
class HostForm : public Form {
 public:
  HostForm(int x, int y, int width, int height, bool autoRedraw = false) : Form(Design(x, y, width, height, autoRedraw)) {}

 private:
  static FormDesign Design(int x, int y, int width, int height, bool autoRedraw) {
    FormDesign d;
    d.className = L"Vorn2ControlsTestHost";
    d.caption = "controls";
    d.style = WS_POPUP | WS_CLIPCHILDREN;
    d.leftTwips = x * 15;
    d.topTwips = y * 15;
    d.clientWidthTwips = width * 15;
    d.clientHeightTwips = height * 15;
    d.autoRedraw = autoRedraw;
    d.backColor = RGB(10, 20, 30);
    d.showInTaskbar = false;
    d.appIcon = false;
    return d;
  }
};

// A strip of equal frames, each a solid colour; key columns (magenta) on the
// left of every frame when keyColumns > 0.
inline PicturePtr SolidStrip(int frameWidth, int height, const std::vector<COLORREF>& colours, int keyColumns = 0) {
  const int width = frameWidth * static_cast<int>(colours.size());
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bmp);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    const int x0 = static_cast<int>(i) * frameWidth;
    RECT all{x0, 0, x0 + frameWidth, height};
    HBRUSH b = CreateSolidBrush(colours[i]);
    FillRect(dc, &all, b);
    DeleteObject(b);
    if (keyColumns > 0) {
      RECT key{x0, 0, x0 + keyColumns, height};
      HBRUSH m = CreateSolidBrush(RGB(255, 0, 255));
      FillRect(dc, &key, m);
      DeleteObject(m);
    }
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  return std::make_shared<Picture>(bmp);
}

// All pixels of a picture, top-down, as 0x00BBGGRR.
class PicturePixels {
 public:
  explicit PicturePixels(const Picture& p) : width_(p.WidthPixels()), height_(p.HeightPixels()) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    bits_.resize(static_cast<std::size_t>(width_) * height_);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, p.Handle(), 0, height_, bits_.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
  }
  COLORREF at(int x, int y) const {
    const std::uint32_t v = bits_[static_cast<std::size_t>(y) * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_;
  std::vector<std::uint32_t> bits_;
};

inline POINT ScreenPoint(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return pt;
}

}  // namespace vorn2::test
