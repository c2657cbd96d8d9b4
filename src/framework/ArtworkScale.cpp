#include "framework/ArtworkScale.h"

#include <algorithm>
#include <cmath>

namespace vorn2 {
namespace {

// One destination column (or row): the two source pixels it reads and the
// weight of the second, in 1/256.
struct Tap {
  int first = 0;
  int second = 0;
  std::uint32_t weight = 0;
};

std::vector<Tap> Taps(int sourceLength, int targetLength) {
  std::vector<Tap> taps(static_cast<std::size_t>(targetLength));
  if (targetLength % sourceLength == 0) {
    const int repeat = targetLength / sourceLength;
    for (int d = 0; d < targetLength; ++d) taps[d] = Tap{d / repeat, d / repeat, 0};
    return taps;
  }
  for (int d = 0; d < targetLength; ++d) {
    // Pixel centres map onto pixel centres; the edges clamp.
    double at = (d + 0.5) * sourceLength / targetLength - 0.5;
    at = std::clamp(at, 0.0, static_cast<double>(sourceLength - 1));
    Tap t;
    t.first = static_cast<int>(at);
    t.second = std::min(t.first + 1, sourceLength - 1);
    t.weight = static_cast<std::uint32_t>(std::lround((at - t.first) * 256));
    if (t.weight >= 256) t = Tap{t.second, t.second, 0};
    taps[d] = t;
  }
  return taps;
}

std::uint32_t Channel(std::uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

std::uint32_t Blend(std::uint32_t p00, std::uint32_t p10, std::uint32_t p01, std::uint32_t p11, std::uint32_t wx,
                    std::uint32_t wy) {
  const std::uint32_t w00 = (256 - wx) * (256 - wy), w10 = wx * (256 - wy), w01 = (256 - wx) * wy, w11 = wx * wy;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const std::uint32_t sum = Channel(p00, shift) * w00 + Channel(p10, shift) * w10 + Channel(p01, shift) * w01 +
                              Channel(p11, shift) * w11;
    out |= ((sum + 32768) >> 16) << shift;
  }
  return out;
}

bool RectInside(const PixelImage& source, int x, int y, int w, int h) {
  return x >= 0 && y >= 0 && w > 0 && h > 0 && x <= source.width - w && y <= source.height - h;
}

// Cell boundaries 0, the usable breaks, length.
std::vector<int> CellEdges(const std::vector<int>& breaks, int length) {
  std::vector<int> edges{0};
  for (int b : breaks) {
    if (b > edges.back() && b < length) edges.push_back(b);
  }
  edges.push_back(length);
  return edges;
}

}  // namespace

PixelImage::PixelImage(int w, int h, std::uint32_t fill)
    : width(std::max(w, 0)), height(std::max(h, 0)),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

PixelImage ScalePremultiplied(const PixelImage& source, int x, int y, int w, int h, int width, int height) {
  if (!RectInside(source, x, y, w, h) || width <= 0 || height <= 0) return {};
  const std::vector<Tap> columns = Taps(w, width);
  const std::vector<Tap> rows = Taps(h, height);
  PixelImage out(width, height);
  for (int dy = 0; dy < height; ++dy) {
    const Tap& r = rows[dy];
    for (int dx = 0; dx < width; ++dx) {
      const Tap& c = columns[dx];
      out.At(dx, dy) = Blend(source.At(x + c.first, y + r.first), source.At(x + c.second, y + r.first),
                             source.At(x + c.first, y + r.second), source.At(x + c.second, y + r.second), c.weight,
                             r.weight);
    }
  }
  return out;
}

namespace {

// keepKey: an opaque pixel of the key colour stays the key (the artwork
// meant it see-through); otherwise it is moved off the key by one step.
PixelImage OnKey(const PixelImage& premultiplied, std::uint32_t key, bool keepKey) {
  key &= 0xFFFFFF;
  PixelImage out(premultiplied.width, premultiplied.height, key);
  for (std::size_t i = 0; i < out.pixels.size(); ++i) {
    const std::uint32_t p = premultiplied.pixels[i];
    const std::uint32_t a = p >> 24;
    if (a < 128) continue;
    std::uint32_t colour = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t c = std::min<std::uint32_t>(255, (Channel(p, shift) * 255 + a / 2) / a);
      colour |= c << shift;
    }
    if (colour == key && !keepKey) colour ^= 0x010000;
    out.pixels[i] = colour;
  }
  return out;
}

}  // namespace

PixelImage KeyPremultiplied(const PixelImage& premultiplied, std::uint32_t key) {
  return OnKey(premultiplied, key, true);
}

PixelImage ScaleKeyed(const PixelImage& source, int x, int y, int w, int h, int width, int height,
                      std::uint32_t key) {
  if (!RectInside(source, x, y, w, h) || width <= 0 || height <= 0) return {};
  key &= 0xFFFFFF;
  PixelImage cut(w, h);
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const std::uint32_t p = source.At(x + col, y + row) & 0xFFFFFF;
      cut.At(col, row) = p == key ? 0 : 0xFF000000u | p;
    }
  }
  // Key pixels weighed nothing: a scaled pixel of the key colour is a blend
  // of others that happened to meet it, and must stay visible.
  return OnKey(ScalePremultiplied(cut, 0, 0, w, h, width, height), key, false);
}

PixelImage ScaleKeyedCells(const PixelImage& source, const std::vector<int>& columnBreaks,
                           const std::vector<int>& rowBreaks, DpiScale scale, std::uint32_t key) {
  if (source.Empty()) return {};
  const std::vector<int> columns = CellEdges(columnBreaks, source.width);
  const std::vector<int> rows = CellEdges(rowBreaks, source.height);
  int width = 0, height = 0;
  for (std::size_t i = 1; i < columns.size(); ++i) width += scale.Px(columns[i] - columns[i - 1]);
  for (std::size_t i = 1; i < rows.size(); ++i) height += scale.Px(rows[i] - rows[i - 1]);
  PixelImage out(width, height, key & 0xFFFFFF);
  int top = 0;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const int cellHeight = scale.Px(rows[r] - rows[r - 1]);
    int left = 0;
    for (std::size_t c = 1; c < columns.size(); ++c) {
      const int cellWidth = scale.Px(columns[c] - columns[c - 1]);
      const PixelImage cell = ScaleKeyed(source, columns[c - 1], rows[r - 1], columns[c] - columns[c - 1],
                                         rows[r] - rows[r - 1], cellWidth, cellHeight, key);
      for (int y = 0; y < cell.height; ++y) {
        std::copy_n(&cell.pixels[static_cast<std::size_t>(y) * cell.width], cell.width, &out.At(left, top + y));
      }
      left += cellWidth;
    }
    top += cellHeight;
  }
  return out;
}

int ScaledCellPosition(const std::vector<int>& breaks, int position, DpiScale scale) {
  int scaled = 0, cellStart = 0;
  for (int b : breaks) {
    if (b <= cellStart || b > position) continue;
    scaled += scale.Px(b - cellStart);
    cellStart = b;
  }
  return scaled + scale.Px(position - cellStart);
}

}  // namespace vorn2
