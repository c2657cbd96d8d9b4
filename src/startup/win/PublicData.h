// Shared helpers of the start-up and login windows: the temporary folder,
// resources written to files, PNG resources decoded with GDI+, and windows
// painted once as per-pixel-alpha layered windows.
#pragma once

#include <windows.h>

#include <string>

struct IStream;

namespace vorn2 {

// The user's temporary folder, ending in exactly one backslash.
std::wstring GetTempFolder();
// The same from a query shaped like GetTempPathW, read in full however long
// the path is.
using TempPathQuery = DWORD(WINAPI*)(DWORD size, LPWSTR buffer);
std::wstring TempFolderFrom(TempPathQuery query);

// Writes the resource's bytes to path, replacing (and truncating) whatever
// stood there. False when the resource is missing or the file could not be
// written completely (e.g. an earlier copy of the updater still running).
bool SaveResourceToFile(int id, const wchar_t* type, const std::wstring& path);

// GDI+ flat API handles, kept opaque here so callers need no GDI+ header.
using GdipImage = void*;
using GdipGraphics = void*;

// Decodes a PNG resource. The stream (and its memory) must outlive the
// image: GDI+ may read it again later. nullptr when anything fails.
GdipImage LoadPngResource(int id, const wchar_t* type, IStream** stream);

// Everything a layered window painted from a PNG owns until its teardown.
struct LayeredPicture {
  ULONG_PTR token = 0;
  GdipGraphics graphics = nullptr;
  GdipImage image = nullptr;
  GdipImage surface = nullptr;  // GDI+ view of the DIB's pixels
  IStream* stream = nullptr;
  HDC memoryDC = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
};

// Starts GDI+, draws the PNG into a 32-bit premultiplied DIB and hands it to
// UpdateLayeredWindow with per-pixel alpha; the window keeps its top-left and
// takes the picture's size. The window must already have WS_EX_LAYERED.
// Failures leave the window blank, silently.
void PaintLayeredPng(HWND hwnd, int pngId, LayeredPicture& picture);

// Releases in order: image, graphics, GDI+, bitmap selection, bitmap, DC.
void TeardownLayered(LayeredPicture& picture);

}  // namespace vorn2
