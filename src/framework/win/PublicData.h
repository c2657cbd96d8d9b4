// Helpers the start-up, login and game windows share: the temporary folder
// and the icon file in it, resources written to files, PNG resources decoded
// with GDI+, and windows painted once as per-pixel-alpha layered windows.
#pragma once

#include <windows.h>

#include <string>

#include "framework/ArtworkScale.h"
#include "framework/Twips.h"
#include "framework/win/GdiPlus.h"
#include "framework/win/Handles.h"

namespace vorn2 {

// The user's temporary folder, ending in exactly one backslash.
std::wstring GetTempFolder();
// The icon file the login window writes and the game window reads.
std::wstring IconFilePath();
// The same from a query shaped like GetTempPathW, read in full however long
// the path is.
using TempPathQuery = DWORD(WINAPI*)(DWORD size, LPWSTR buffer);
std::wstring TempFolderFrom(TempPathQuery query);

// Writes the resource's bytes to path, replacing (and truncating) whatever
// stood there. False when the resource is missing or the file could not be
// written completely (e.g. an earlier copy of the updater still running).
bool SaveResourceToFile(int id, const wchar_t* type, const std::wstring& path);

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
void DrawPremultiplied(Gdiplus::GpImage* image, int width, int height, std::uint32_t* target,
                       UniqueGdipBitmap& surface, UniqueGdipGraphics& graphics);

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
  int width = 0;   // the window's size: the picture's at the window's factor
  int height = 0;
};

// A picture resource (PNG, or any type GDI+ reads) decoded on any thread:
// read by GDI+ and drawn at its own size into premultiplied pixels
// (artwork), with what made them, in LayeredPicture's order. Empty (no
// image) when anything failed.
struct DecodedPng {
  GdiplusSession session;
  ComPtr<IStream> stream;
  PixelImage artwork;
  UniqueGdipBitmap surface;
  UniqueGdipGraphics graphics;
  UniqueGdipImage image;
};
DecodedPng DecodePngResource(int pngId, const wchar_t* type = L"PNG");

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
