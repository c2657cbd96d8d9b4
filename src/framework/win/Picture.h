// A picture as the skinned controls and the tab strip use it: one GDI bitmap
// (plus the palette it was cut with on palette displays), owned and released
// with the object.
// Sizes are reported in HIMETRIC like the form engine's picture objects.
// Pictures are shared and never changed after creation.
//
// The artwork is drawn for 96 dpi. Scaled copies of it (magenta staying
// see-through, see framework/ArtworkScale.h) are made on first use and kept
// with the picture, one per cut, size and factor, so drawing at any factor
// stays a copy. A bitmap resource is one shared picture while anyone holds
// it, so every control that shows it shares its scaled copies too. Scaled
// copies are never left selected into a context: users select them only
// for the copy they make.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/Twips.h"
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
  // missing. The same picture for every caller while one holds it.
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
  // HIMETRIC of the artwork: its pixels at 96 dpi, whatever the screen.
  long Width() const;
  long Height() const;

  // The rectangle (x, y, w, h) of the picture scaled to width x height.
  std::shared_ptr<const Picture> Scaled(int x, int y, int w, int h, int width, int height) const;
  // The whole picture at a factor.
  std::shared_ptr<const Picture> Scaled(DpiScale scale) const;
  // A sheet of regions (a skin) cut at the breaks and scaled cell by cell
  // (see ScaleKeyedCells).
  std::shared_ptr<const Picture> ScaledCells(const std::vector<int>& columnBreaks, const std::vector<int>& rowBreaks,
                                             DpiScale scale) const;

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
  mutable std::map<std::vector<int>, std::shared_ptr<const Picture>> scaled_;
};

using PicturePtr = std::shared_ptr<const Picture>;

// Design data: a picture is kept as its bitmap resource id (a number) or as
// the bytes of an image file (text); absent for none.
PicturePtr ReadPicture(const PropertyBag& bag, const char* key);
void WritePicture(PropertyBag& bag, const char* key, const PicturePtr& picture);

}  // namespace vorn2
