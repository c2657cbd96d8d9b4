// Windows painted once from a PNG resource as per-pixel-alpha layered
// windows (the splash, the login background), at the window's factor.
#pragma once

#include <windows.h>

#include "framework/Twips.h"
#include "framework/win/GdiPlus.h"
#include "framework/win/Handles.h"
#include "framework/win/PngResource.h"

namespace vorn2 {

// Everything a layered window painted from a PNG owns until its teardown.
// Members go in reverse order: image, graphics, GDI+ view, the artwork's
// pixels, stream, GDI+ itself, the selection, bitmap, context.
struct LayeredPicture {
  UniqueDC memoryDC;
  UniqueBitmap bitmap;
  SelectGuard selection;
  GdiplusSession session;
  ComPtr<IStream> stream;
  PixelImage artwork;        // the PNG at its own size, when the window scales it
  UniqueGdipBitmap surface;  // GDI+ view of the pixels it draws into
  UniqueGdipGraphics graphics;
  UniqueGdipImage image;
  int width = 0;  // the window's size: the picture's at the window's factor
  int height = 0;
};

// Starts GDI+, draws the PNG into a 32-bit premultiplied DIB and hands it to
// UpdateLayeredWindow with per-pixel alpha; the window keeps its top-left and
// takes the picture's size at the given factor (scaled premultiplied, see
// framework/ArtworkScale.h). The window must already have WS_EX_LAYERED.
// Failures leave the window blank, silently.
void PaintLayeredPng(HWND hwnd, int pngId, LayeredPicture& picture, DpiScale scale = DpiScale());
// The same from a picture decoded ahead, which the window then keeps.
void PaintLayeredPng(HWND hwnd, DecodedPng decoded, LayeredPicture& picture, DpiScale scale = DpiScale());

// The size PaintLayeredPng gives a window for this picture, read from the
// PNG's header without decoding it; {0, 0} when the resource is missing or
// is no PNG. Keep the two in step.
SIZE LayeredPngSize(int pngId, DpiScale scale = DpiScale());

// Releases everything in the order above and leaves the picture empty.
void TeardownLayered(LayeredPicture& picture);

}  // namespace vorn2
