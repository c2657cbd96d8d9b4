#include "framework/win/Picture.h"

#include <cstring>

#include "framework/PropertyBag.h"
#include "framework/win/DrawingSurface.h"
#include "framework/win/GdiPlus.h"
#include "framework/win/Streams.h"

namespace vorn2 {
namespace {

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

UniqueBitmap DecodeWithGdiPlus(const std::vector<unsigned char>& bytes, COLORREF background) {
  if (bytes.empty()) return {};
  const GdiplusSession session = GdiplusSession::Open();
  if (!session) return {};
  const ComPtr<IStream> stream = StreamFromBytes(bytes);
  if (!stream) return {};
  UniqueGdipBitmap bitmap;
  if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.get(), bitmap.put()) != Gdiplus::Ok) return {};
  const Gdiplus::ARGB argb = 0xFF000000u | (static_cast<Gdiplus::ARGB>(GetRValue(background)) << 16) |
                             (static_cast<Gdiplus::ARGB>(GetGValue(background)) << 8) | GetBValue(background);
  UniqueBitmap result;
  if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap.get(), result.put(), argb) != Gdiplus::Ok) return {};
  return result;
}

}  // namespace

Picture::Picture(UniqueBitmap bitmap, UniquePalette palette)
    : bitmap_(std::move(bitmap)), palette_(std::move(palette)) {
  const SIZE s = BitmapSize(bitmap_.get());
  width_ = s.cx;
  height_ = s.cy;
}

Picture::Picture(HBITMAP bitmap, HPALETTE palette) : Picture(UniqueBitmap(bitmap), UniquePalette(palette)) {}

long Picture::Width() const { return MulDiv(width_, 2540, kDesignDpi); }
long Picture::Height() const { return MulDiv(height_, 2540, kDesignDpi); }

std::shared_ptr<const Picture> Picture::FromBitmapResource(int id, HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  static std::map<std::pair<HMODULE, int>, std::weak_ptr<const Picture>> shared;
  std::weak_ptr<const Picture>& slot = shared[{module, id}];
  if (auto alive = slot.lock()) return alive;
  UniqueBitmap bitmap(
      static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap) return nullptr;
  auto picture = std::make_shared<Picture>(std::move(bitmap));
  picture->resourceId_ = id;
  slot = picture;
  return picture;
}

std::shared_ptr<const Picture> Picture::Scaled(int x, int y, int w, int h, int width, int height) const {
  std::shared_ptr<const Picture>& slot = scaled_[{0, x, y, w, h, width, height}];
  if (!slot) {
    UniqueBitmap scaled = DibFromPixels(ScaleKeyed(ReadPixels(bitmap_.get()), x, y, w, h, width, height));
    if (scaled) slot = std::make_shared<Picture>(std::move(scaled));
  }
  return slot;
}

std::shared_ptr<const Picture> Picture::Scaled(DpiScale scale) const {
  return Scaled(0, 0, width_, height_, scale.Px(width_), scale.Px(height_));
}

std::shared_ptr<const Picture> Picture::ScaledCells(const std::vector<int>& columnBreaks,
                                                    const std::vector<int>& rowBreaks, DpiScale scale) const {
  std::vector<int> key{1, scale.Dpi(), static_cast<int>(columnBreaks.size())};
  key.insert(key.end(), columnBreaks.begin(), columnBreaks.end());
  key.insert(key.end(), rowBreaks.begin(), rowBreaks.end());
  std::shared_ptr<const Picture>& slot = scaled_[key];
  if (!slot) {
    UniqueBitmap scaled = DibFromPixels(ScaleKeyedCells(ReadPixels(bitmap_.get()), columnBreaks, rowBreaks, scale));
    if (scaled) slot = std::make_shared<Picture>(std::move(scaled));
  }
  return slot;
}

std::shared_ptr<const Picture> Picture::FromImageBytes(const std::vector<unsigned char>& bytes,
                                                       COLORREF background) {
  UniqueBitmap bitmap = DecodeWithGdiPlus(bytes, background);
  if (!bitmap) return nullptr;
  auto picture = std::make_shared<Picture>(std::move(bitmap));
  picture->sourceBytes_ = bytes;
  return picture;
}

std::shared_ptr<const Picture> Picture::FromDC(HDC dc, int x, int y, int width, int height) {
  if (!dc || width <= 0 || height <= 0) return nullptr;
  const WindowDC screen(nullptr);
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  const UniqueDC copy(CreateCompatibleDC(screen.get()));
  if (!bitmap || !copy) return nullptr;
  {
    const SelectGuard selected(copy.get(), bitmap.get());
    BitBlt(copy.get(), 0, 0, width, height, dc, x, y, SRCCOPY);
  }
  return std::make_shared<Picture>(std::move(bitmap));
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
  const int rows = GetDIBits(WindowDC(nullptr).get(), bitmap_.get(), 0, height_, pixels.data(), &bi, DIB_RGB_COLORS);
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
