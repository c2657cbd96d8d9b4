// PNG resources (or any picture type GDI+ reads) decoded with GDI+, and
// drawn into premultiplied pixels.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/ArtworkScale.h"
#include "framework/win/GdiPlus.h"
#include "framework/win/Handles.h"

namespace vorn2 {

// A PNG resource decoded with GDI+. The stream (and its memory) outlives the
// image, which GDI+ may read again later: the image goes first.
struct PngImage {
  ComPtr<IStream> stream;
  UniqueGdipImage image;
};

// Decodes a PNG resource; empty when anything fails. The caller holds a
// GdiplusSession for as long as it keeps the image.
PngImage LoadPngResource(int id, const wchar_t* type);

// Draws a GDI+ image at width x height into 32-bit premultiplied pixels at
// target (width * height of them), through a GDI+ view of them (surface) and
// its graphics, which the caller keeps as long as it likes.
void DrawPremultiplied(Gdiplus::GpImage* image, int width, int height, std::uint32_t* target, UniqueGdipBitmap& surface,
                       UniqueGdipGraphics& graphics);

// Starts GDI+ (session) and reads the picture resource into stream and
// image; the picture's size, {0, 0} when it could not be read (or no window
// could be that large).
SIZE OpenPngResource(int id, const wchar_t* type, GdiplusSession& session, ComPtr<IStream>& stream,
                     UniqueGdipImage& image);

// A picture resource (PNG, or any type GDI+ reads) decoded on any thread:
// read by GDI+ and drawn at its own size into premultiplied pixels
// (artwork), with what made them, in the order a layered window keeps them
// (LayeredWindow.h). Empty (no image) when anything failed.
struct DecodedPng {
  GdiplusSession session;
  ComPtr<IStream> stream;
  PixelImage artwork;
  UniqueGdipBitmap surface;
  UniqueGdipGraphics graphics;
  UniqueGdipImage image;
};
DecodedPng DecodePngResource(int pngId, const wchar_t* type = L"PNG");

}  // namespace vorn2
