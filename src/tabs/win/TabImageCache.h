// Skin pictures of the tab strip made ready for drawing: each tab image at
// each size it is stretched to, and each close glyph, kept as a picture with
// its transparent pixels blacked out next to a mask of them. Drawing one is
// then two block transfers (mask AND, picture OR) with the same pixels as a
// transparent transfer, instead of a nine-part stretch into a new buffer and
// a TransparentBlt, both of which make and delete GDI objects on every call
// (under Wine that is where nearly all the time of a strip redraw went).
//
// Entries are keyed by the skin's bitmap, the source rectangle and the drawn
// size, so a new skin, style or tab width makes new entries; the oldest go
// beyond a small number. Clear() when a skin's pixels change in place. The
// cache owns one memory context per entry; the skins stay the caller's.
#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>

#include "tabs/win/mdlTabAPI.h"

namespace vorn2 {

class TabImageCache {
 public:
  static constexpr std::size_t kMaxEntries = 24;

  // What NineSliceBlt(dest, x, y, cx, cy, skin, srcX, srcY, srcCx, srcCy,
  // left, top, right, bottom, key) draws. False when nothing was drawn
  // because the entry could not be made; the caller may draw the slow way.
  bool DrawNineSlice(HDC dest, int x, int y, int cx, int cy, HDC skin, int srcX, int srcY, int srcCx, int srcCy,
                     int left, int top, int right, int bottom, COLORREF key);
  // What TransBlt(dest, x, y, cx, cy, skin, srcX, srcY, key) draws.
  bool DrawTransparent(HDC dest, int x, int y, int cx, int cy, HDC skin, int srcX, int srcY, COLORREF key);

  void Clear() { entries_.clear(); }
  std::size_t Size() const { return entries_.size(); }

 private:
  struct Key {
    HGDIOBJ skin;
    int srcX, srcY, srcCx, srcCy;
    int cx, cy;
    int left, top, right, bottom;  // all 0 (or less) for a plain copy
    bool stretched;
    COLORREF key;
    bool operator==(const Key&) const = default;
  };
  struct Entry {
    Key key;
    // 2cx x cy: the picture at x 0, its mask (white where transparent) at x cx.
    mdlTabAPI::UniqueMemDC dc;
  };

  const Entry* Find(const Key& key, HDC skin);
  static void Draw(HDC dest, int x, int y, const Entry& entry);

  std::deque<Entry> entries_;
};

}  // namespace vorn2
