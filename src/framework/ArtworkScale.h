// Scaling the 96-dpi artwork to a window's factor, on plain pixel arrays.
//
// Pixels are 32-bit 0xAARRGGBB values, row after row from the top (the order
// of a 32-bit top-down DIB section). Two kinds of pictures:
// - premultiplied alpha (the layered PNG windows, GDI+ decodes): colour and
//   alpha are interpolated together, so a see-through pixel adds nothing
//   and no dark or light rim appears along an edge;
// - colour-keyed (skins, button strips: magenta is see-through): the key is
//   taken as alpha 0, the picture scaled as above and keyed again. A pixel
//   that is at least half see-through becomes the key, any other one takes
//   the colour of its non-key neighbours only, so no key colour bleeds into
//   an edge and no pixel becomes the key by accident.
// A whole factor along an axis repeats each pixel (crisp, exact); any other
// interpolates between the two nearest source pixels, never reaching past
// the source's edge.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Twips.h"

namespace vorn2 {

inline constexpr std::uint32_t kColourKey = 0x00FF00FF;  // magenta, 0x00RRGGBB

struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  PixelImage() = default;
  PixelImage(int w, int h, std::uint32_t fill = 0);
  bool Empty() const { return width <= 0 || height <= 0; }
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A rectangle of a premultiplied picture scaled to width x height.
PixelImage ScalePremultiplied(const PixelImage& source, int x, int y, int w, int h, int width, int height);

// A rectangle of a colour-keyed picture scaled to width x height; alpha
// bytes are ignored and come out 0. A visible pixel never comes out as the
// key colour (it would turn see-through).
PixelImage ScaleKeyed(const PixelImage& source, int x, int y, int w, int h, int width, int height,
                      std::uint32_t key = kColourKey);

// A premultiplied picture on a colour key: pixels at least half see-through
// become the key, the others their own colour at full strength.
PixelImage KeyPremultiplied(const PixelImage& premultiplied, std::uint32_t key);

// A sheet of regions side by side (a skin): the boundaries, in source pixels
// and ascending, cut it into cells that are scaled one by one, so no region
// takes pixels of its neighbour. Each cell becomes scale.Px(its size) and
// the cells are laid side by side again.
PixelImage ScaleKeyedCells(const PixelImage& source, const std::vector<int>& columnBreaks,
                           const std::vector<int>& rowBreaks, DpiScale scale, std::uint32_t key = kColourKey);

// Where a source position lies in a sheet scaled by cells: the scaled sizes
// of the cells before its own, plus the scaled offset inside its cell.
int ScaledCellPosition(const std::vector<int>& breaks, int position, DpiScale scale);

}  // namespace vorn2
