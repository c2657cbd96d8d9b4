// Off-screen drawing that survives repaints: a 32-bit top-down DIB section
// the size of a client area, selected into a memory context the surface owns.
// Drawing goes into hdc(); WM_PAINT copies it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/ArtworkScale.h"
#include "framework/win/Handles.h"

namespace vorn2 {

class DrawingSurface {
 public:
  DrawingSurface() = default;
  DrawingSurface(const DrawingSurface&) = delete;
  DrawingSurface& operator=(const DrawingSurface&) = delete;

  // Keeps the overlapping old content; new area is filled with fill.
  bool Resize(int width, int height, COLORREF fill);
  void Clear(COLORREF fill);
  void PaintTo(HDC target, const RECT& area) const;

  HDC hdc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // 0x00BBGGRR, CLR_INVALID outside the surface.
  COLORREF Pixel(int x, int y) const;
  std::uint32_t* bits() const { return bits_; }

 private:
  void Release();
  // Destroyed in reverse: the selection is undone, then the context and the
  // bitmap go.
  UniqueBitmap bitmap_;
  UniqueDC dc_;
  SelectGuard selection_;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// A 32-bit top-down DIB section; bits receives the pixel pointer.
UniqueBitmap CreateDib32(int width, int height, std::uint32_t** bits);

// The pixels of any bitmap as 32-bit values (empty when unreadable), and a
// DIB section holding given pixels.
PixelImage ReadPixels(HBITMAP bitmap);
UniqueBitmap DibFromPixels(const PixelImage& image);

}  // namespace vorn2
