#include "startup/win/PublicData.h"

#include <objidl.h>
#include <gdiplus.h>

#include "framework/win/DrawingSurface.h"
#include "framework/win/Resources.h"
#include "framework/win/Streams.h"
#include "framework/win/WinText.h"
#include "startup/StartupRules.h"

namespace vorn2 {

namespace gp = Gdiplus::DllExports;

std::wstring GetTempFolder() { return TempFolderFrom(&GetTempPathW); }

std::wstring TempFolderFrom(TempPathQuery query) {
  // The path may be longer than MAX_PATH: ask again with the size it needs.
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD n = query(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) break;
    if (n < buffer.size()) {
      buffer.resize(n);
      return W(NormalizeTempFolder(U8(buffer)));
    }
    buffer.assign(static_cast<std::size_t>(n) + 1, L'\0');
  }
  return W(NormalizeTempFolder(""));
}

bool SaveResourceToFile(int id, const wchar_t* type, const std::wstring& path) {
  std::vector<unsigned char> bytes = ReadResourceBytes(id, type);
  if (bytes.empty()) return false;
  // OPEN_ALWAYS + SetEndOfFile rather than CREATE_ALWAYS: an existing hidden
  // file would refuse CREATE_ALWAYS with normal attributes.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ok = ok && written == bytes.size() && SetEndOfFile(file);
  ok = CloseHandle(file) && ok;
  return ok != FALSE;
}

GdipImage LoadPngResource(int id, const wchar_t* type, IStream** stream) {
  *stream = nullptr;
  std::vector<unsigned char> bytes = ReadResourceBytes(id, type);
  if (bytes.empty()) return nullptr;
  IStream* s = StreamFromBytes(bytes);
  if (!s) return nullptr;
  Gdiplus::GpImage* image = nullptr;
  if (gp::GdipLoadImageFromStream(s, &image) != Gdiplus::Ok || !image) {
    s->Release();
    return nullptr;
  }
  *stream = s;
  return image;
}

void PaintLayeredPng(HWND hwnd, int pngId, LayeredPicture& picture) {
  Gdiplus::GdiplusStartupInput input;  // version 1, no callback, background thread, codecs on
  Gdiplus::GdiplusStartup(&picture.token, &input, nullptr);

  picture.image = LoadPngResource(pngId, L"PNG", &picture.stream);
  UINT w = 0, h = 0;
  if (picture.image) {
    gp::GdipGetImageWidth(static_cast<Gdiplus::GpImage*>(picture.image), &w);
    gp::GdipGetImageHeight(static_cast<Gdiplus::GpImage*>(picture.image), &h);
  }
  picture.width = static_cast<int>(w);
  picture.height = static_cast<int>(h);
  if (w == 0 || h == 0) return;

  HDC windowDC = GetDC(hwnd);
  picture.memoryDC = CreateCompatibleDC(windowDC);
  // A 32-bit premultiplied DIB carries per-pixel alpha whatever the display's depth.
  std::uint32_t* bits = nullptr;
  picture.bitmap = CreateDib32(picture.width, picture.height, &bits);
  picture.previousBitmap = SelectObject(picture.memoryDC, picture.bitmap);
  if (bits) {
    Gdiplus::GpBitmap* target = nullptr;
    gp::GdipCreateBitmapFromScan0(picture.width, picture.height, picture.width * 4, PixelFormat32bppPARGB,
                                  reinterpret_cast<BYTE*>(bits), &target);
    picture.surface = target;
    Gdiplus::GpGraphics* graphics = nullptr;
    if (target) gp::GdipGetImageGraphicsContext(target, &graphics);
    picture.graphics = graphics;
    if (graphics) {
      gp::GdipSetCompositingMode(graphics, Gdiplus::CompositingModeSourceCopy);
      gp::GdipDrawImageRectI(graphics, static_cast<Gdiplus::GpImage*>(picture.image), 0, 0, picture.width,
                             picture.height);
      gp::GdipFlush(graphics, Gdiplus::FlushIntentionSync);
    }
  }
  SIZE size{picture.width, picture.height};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(hwnd, windowDC, nullptr, &size, picture.memoryDC, &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(hwnd, windowDC);
}

void TeardownLayered(LayeredPicture& picture) {
  if (picture.image) gp::GdipDisposeImage(static_cast<Gdiplus::GpImage*>(picture.image));
  if (picture.graphics) gp::GdipDeleteGraphics(static_cast<Gdiplus::GpGraphics*>(picture.graphics));
  if (picture.surface) gp::GdipDisposeImage(static_cast<Gdiplus::GpImage*>(picture.surface));
  if (picture.stream) picture.stream->Release();
  if (picture.token) Gdiplus::GdiplusShutdown(picture.token);
  if (picture.memoryDC && picture.previousBitmap) SelectObject(picture.memoryDC, picture.previousBitmap);
  if (picture.bitmap) DeleteObject(picture.bitmap);
  if (picture.memoryDC) DeleteDC(picture.memoryDC);
  picture = LayeredPicture{};
}

}  // namespace vorn2
