// A picture as the skinned controls use it: one GDI bitmap (plus the palette
// it was cut with on palette displays), owned and released with the object.
// Sizes are reported in HIMETRIC like the form engine's picture objects.
// Pictures are shared and never changed after creation.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/win/Handles.h"

namespace vorn2 {

class PropertyBag;

class Picture {
 public:
  explicit Picture(UniqueBitmap bitmap, UniquePalette palette = {});
  // Takes ownership of both handles.
  explicit Picture(HBITMAP bitmap, HPALETTE palette = nullptr);
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  // A bitmap resource of the module (this program when null); nullptr when
  // missing.
  static std::shared_ptr<const Picture> FromBitmapResource(int id, HMODULE module = nullptr);
  // An image file in memory (BMP, GIF, PNG, JPEG) decoded with GDI+;
  // transparent pixels take background (0x00BBGGRR). nullptr when unreadable.
  static std::shared_ptr<const Picture> FromImageBytes(const std::vector<unsigned char>& bytes,
                                                       COLORREF background = RGB(255, 255, 255));
  // A copy of a rectangle of a device context.
  static std::shared_ptr<const Picture> FromDC(HDC dc, int x, int y, int width, int height);

  HBITMAP Handle() const { return bitmap_.get(); }
  HPALETTE Palette() const { return palette_.get(); }
  int WidthPixels() const { return width_; }
  int HeightPixels() const { return height_; }
  // HIMETRIC, from the pixels at the screen's resolution.
  long Width() const;
  long Height() const;

  // Where the picture came from, so design data can name it again.
  int ResourceId() const { return resourceId_; }
  // The picture as a 24-bit BMP file (the source bytes when it was decoded
  // from a file).
  std::vector<unsigned char> FileBytes() const;

 private:
  UniqueBitmap bitmap_;
  UniquePalette palette_;
  int width_ = 0;
  int height_ = 0;
  int resourceId_ = 0;
  std::vector<unsigned char> sourceBytes_;
};

using PicturePtr = std::shared_ptr<const Picture>;

// Design data: a picture is kept as its bitmap resource id (a number) or as
// the bytes of an image file (text); absent for none.
PicturePtr ReadPicture(const PropertyBag& bag, const char* key);
void WritePicture(PropertyBag& bag, const char* key, const PicturePtr& picture);

}  // namespace vorn2
