#include "controls/win/Picture.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#include "framework/PropertyBag.h"
#include "framework/win/Streams.h"

namespace vorn2 {
namespace {

int ScreenDpi(int index) {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, index) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

// GDI+ only for as long as one decode takes.
class GdiPlusSession {
 public:
  GdiPlusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiPlusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiPlusSession(const GdiPlusSession&) = delete;
  GdiPlusSession& operator=(const GdiPlusSession&) = delete;
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

HBITMAP DecodeWithGdiPlus(const std::vector<unsigned char>& bytes, COLORREF background) {
  if (bytes.empty()) return nullptr;
  GdiPlusSession session;
  if (!session.ok()) return nullptr;
  IStream* stream = StreamFromBytes(bytes);
  if (!stream) return nullptr;
  HBITMAP result = nullptr;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok && bitmap) {
    const Gdiplus::ARGB argb = 0xFF000000u | (static_cast<Gdiplus::ARGB>(GetRValue(background)) << 16) |
                               (static_cast<Gdiplus::ARGB>(GetGValue(background)) << 8) | GetBValue(background);
    if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap, &result, argb) != Gdiplus::Ok) result = nullptr;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
  }
  stream->Release();
  return result;
}

}  // namespace

Picture::Picture(HBITMAP bitmap, HPALETTE palette) : bitmap_(bitmap), palette_(palette) {
  const SIZE s = BitmapSize(bitmap_);
  width_ = s.cx;
  height_ = s.cy;
}

Picture::~Picture() {
  if (bitmap_) DeleteObject(bitmap_);
  if (palette_) DeleteObject(palette_);
}

long Picture::Width() const { return MulDiv(width_, 2540, ScreenDpi(LOGPIXELSX)); }
long Picture::Height() const { return MulDiv(height_, 2540, ScreenDpi(LOGPIXELSY)); }

std::shared_ptr<const Picture> Picture::FromBitmapResource(int id, HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  auto bitmap = static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return nullptr;
  auto picture = std::make_shared<Picture>(bitmap);
  picture->resourceId_ = id;
  return picture;
}

std::shared_ptr<const Picture> Picture::FromImageBytes(const std::vector<unsigned char>& bytes,
                                                       COLORREF background) {
  HBITMAP bitmap = DecodeWithGdiPlus(bytes, background);
  if (!bitmap) return nullptr;
  auto picture = std::make_shared<Picture>(bitmap);
  picture->sourceBytes_ = bytes;
  return picture;
}

std::shared_ptr<const Picture> Picture::FromDC(HDC dc, int x, int y, int width, int height) {
  if (!dc || width <= 0 || height <= 0) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HDC copy = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!bitmap || !copy) {
    if (bitmap) DeleteObject(bitmap);
    if (copy) DeleteDC(copy);
    return nullptr;
  }
  HGDIOBJ old = SelectObject(copy, bitmap);
  BitBlt(copy, 0, 0, width, height, dc, x, y, SRCCOPY);
  SelectObject(copy, old);
  DeleteDC(copy);
  return std::make_shared<Picture>(bitmap);
}

std::vector<unsigned char> Picture::FileBytes() const {
  if (!sourceBytes_.empty()) return sourceBytes_;
  if (!bitmap_ || width_ <= 0 || height_ <= 0) return {};
  const int stride = ((width_ * 3) + 3) & ~3;
  const DWORD imageSize = static_cast<DWORD>(stride) * static_cast<DWORD>(height_);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width_;
  bi.bmiHeader.biHeight = height_;  // bottom-up, as files have it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  bi.bmiHeader.biSizeImage = imageSize;
  std::vector<unsigned char> pixels(imageSize);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap_, 0, height_, pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height_) return {};
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;  // "BM"
  fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  fh.bfSize = fh.bfOffBits + imageSize;
  std::vector<unsigned char> file(fh.bfSize);
  std::memcpy(file.data(), &fh, sizeof fh);
  std::memcpy(file.data() + sizeof fh, &bi.bmiHeader, sizeof(BITMAPINFOHEADER));
  std::memcpy(file.data() + fh.bfOffBits, pixels.data(), imageSize);
  return file;
}

PicturePtr ReadPicture(const PropertyBag& bag, const char* key) {
  if (!bag.Contains(key)) return nullptr;
  const std::int64_t id = bag.ReadInt(key, 0);
  if (id > 0 && id <= 0xFFFF) return Picture::FromBitmapResource(static_cast<int>(id));
  const std::string text = bag.ReadString(key, "");
  return Picture::FromImageBytes(std::vector<unsigned char>(text.begin(), text.end()));
}

void WritePicture(PropertyBag& bag, const char* key, const PicturePtr& picture) {
  if (!picture) {
    bag.WriteInt(key, 0, 0);  // removes the key
    return;
  }
  if (picture->ResourceId() > 0) {
    bag.Set(key, static_cast<std::int64_t>(picture->ResourceId()));
    return;
  }
  const std::vector<unsigned char> bytes = picture->FileBytes();
  bag.Set(key, std::string(bytes.begin(), bytes.end()));
}

}  // namespace vorn2
