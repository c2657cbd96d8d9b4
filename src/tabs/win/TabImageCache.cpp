#include "tabs/win/TabImageCache.h"

namespace vorn2 {
namespace {

// Destination AND NOT source.
constexpr DWORD kDSna = 0x00220326;

}  // namespace

const TabImageCache::Entry* TabImageCache::Find(const Key& key, HDC skin) {
  for (const Entry& e : entries_) {
    if (e.key == key) return &e;
  }
  const int cx = key.cx, cy = key.cy;
  Entry entry{key, {}};
  try {
    entry.dc.reset(mdlTabAPI::CreateMemDC(2 * cx, cy));
    const UniqueDC mono(CreateCompatibleDC(nullptr));
    const UniqueBitmap monoBitmap(CreateBitmap(cx, cy, 1, 1, nullptr));
    if (!mono || !monoBitmap) return nullptr;
    const SelectGuard monoSelected(mono.get(), monoBitmap.get());
    HDC dc = entry.dc.get();
    // The picture exactly as the slow path would have it before its final
    // transparent transfer.
    if (key.stretched) {
      if (!mdlTabAPI::NineSliceBlt(dc, 0, 0, cx, cy, skin, key.srcX, key.srcY, key.srcCx, key.srcCy, key.left, key.top,
                                   key.right, key.bottom))
        return nullptr;
    } else if (!BitBlt(dc, 0, 0, cx, cy, skin, key.srcX, key.srcY, SRCCOPY)) {
      return nullptr;
    }
    // Colour to monochrome: pixels of the background colour become 1.
    SetBkColor(dc, key.key);
    BitBlt(mono.get(), 0, 0, cx, cy, dc, 0, 0, SRCCOPY);
    // Monochrome to colour: 1 becomes the background colour, 0 the text colour.
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, cx, 0, cx, cy, mono.get(), 0, 0, SRCCOPY);
    BitBlt(dc, 0, 0, cx, cy, dc, cx, 0, kDSna);
  } catch (const TabDrawError&) {
    return nullptr;
  }
  if (entries_.size() >= kMaxEntries) entries_.pop_front();
  entries_.push_back(std::move(entry));
  return &entries_.back();
}

void TabImageCache::Draw(HDC dest, int x, int y, const Entry& entry) {
  const int cx = entry.key.cx, cy = entry.key.cy;
  BitBlt(dest, x, y, cx, cy, entry.dc.get(), cx, 0, SRCAND);
  BitBlt(dest, x, y, cx, cy, entry.dc.get(), 0, 0, SRCPAINT);
}

bool TabImageCache::DrawNineSlice(HDC dest, int x, int y, int cx, int cy, HDC skin, int srcX, int srcY, int srcCx,
                                  int srcCy, int left, int top, int right, int bottom, COLORREF key) {
  if (cx <= 0 || cy <= 0 || srcCx == 0 || srcCy == 0) return false;
  const Key k{
      GetCurrentObject(skin, OBJ_BITMAP), srcX, srcY, srcCx, srcCy, cx, cy, left, top, right, bottom, true, key};
  const Entry* e = Find(k, skin);
  if (!e) return false;
  Draw(dest, x, y, *e);
  return true;
}

bool TabImageCache::DrawTransparent(HDC dest, int x, int y, int cx, int cy, HDC skin, int srcX, int srcY,
                                    COLORREF key) {
  if (cx <= 0 || cy <= 0) return false;
  const Key k{GetCurrentObject(skin, OBJ_BITMAP), srcX, srcY, cx, cy, cx, cy, 0, 0, 0, 0, false, key};
  const Entry* e = Find(k, skin);
  if (!e) return false;
  Draw(dest, x, y, *e);
  return true;
}

}  // namespace vorn2
