#include "framework/win/LayeredWindow.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/win/DrawingSurface.h"
#include "framework/win/PngResource.h"
#include "framework/win/Resources.h"

namespace vorn2 {

namespace {

// The window's 32-bit premultiplied DIB at the picture's size, selected into
// the picture's own context: it carries per-pixel alpha whatever the
// display's depth. Null bits when it could not be made.
std::uint32_t* MakeLayeredDib(const WindowDC& windowDC, LayeredPicture& picture) {
  picture.memoryDC.reset(CreateCompatibleDC(windowDC.get()));
  std::uint32_t* bits = nullptr;
  picture.bitmap = CreateDib32(picture.width, picture.height, &bits);
  picture.selection = SelectGuard(picture.memoryDC.get(), picture.bitmap.get());
  return bits;
}

void UpdateLayered(HWND hwnd, const WindowDC& windowDC, LayeredPicture& picture) {
  SIZE size{picture.width, picture.height};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(hwnd, windowDC.get(), nullptr, &size, picture.memoryDC.get(), &source, 0, &blend, ULW_ALPHA);
}

// The artwork at the window's size into its DIB.
void CopyScaled(const PixelImage& artwork, int width, int height, std::uint32_t* bits) {
  GdiFlush();
  if (width == artwork.width && height == artwork.height) {
    std::copy(artwork.pixels.begin(), artwork.pixels.end(), bits);
    return;
  }
  const PixelImage out = ScalePremultiplied(artwork, 0, 0, artwork.width, artwork.height, width, height);
  if (!out.Empty()) std::copy(out.pixels.begin(), out.pixels.end(), bits);
}

}  // namespace

void PaintLayeredPng(HWND hwnd, int pngId, LayeredPicture& picture, DpiScale scale) {
  TeardownLayered(picture);
  const SIZE art = OpenPngResource(pngId, L"PNG", picture.session, picture.stream, picture.image);
  if (art.cx == 0) return;
  const int artWidth = art.cx, artHeight = art.cy;
  picture.width = scale.Px(artWidth);
  picture.height = scale.Px(artHeight);

  const WindowDC windowDC(hwnd);
  if (std::uint32_t* bits = MakeLayeredDib(windowDC, picture)) {
    // GDI+ decodes at the artwork's size: straight into the DIB, or into a
    // buffer that is then scaled into it.
    const bool scaled = picture.width != artWidth || picture.height != artHeight;
    if (scaled) picture.artwork = PixelImage(artWidth, artHeight);
    DrawPremultiplied(picture.image.get(), artWidth, artHeight, scaled ? picture.artwork.pixels.data() : bits,
                      picture.surface, picture.graphics);
    if (scaled) CopyScaled(picture.artwork, picture.width, picture.height, bits);
  }
  UpdateLayered(hwnd, windowDC, picture);
}

void PaintLayeredPng(HWND hwnd, DecodedPng decoded, LayeredPicture& picture, DpiScale scale) {
  TeardownLayered(picture);
  if (!decoded.image || decoded.artwork.Empty()) return;
  picture.session = std::move(decoded.session);
  picture.stream = std::move(decoded.stream);
  picture.artwork = std::move(decoded.artwork);
  picture.surface = std::move(decoded.surface);
  picture.graphics = std::move(decoded.graphics);
  picture.image = std::move(decoded.image);
  picture.width = scale.Px(picture.artwork.width);
  picture.height = scale.Px(picture.artwork.height);

  const WindowDC windowDC(hwnd);
  if (std::uint32_t* bits = MakeLayeredDib(windowDC, picture))
    CopyScaled(picture.artwork, picture.width, picture.height, bits);
  UpdateLayered(hwnd, windowDC, picture);
}

SIZE LayeredPngSize(int pngId, DpiScale scale) {
  // Signature (8 bytes), then the IHDR chunk: length (4), type (4), width and
  // height (4 each, big-endian).
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const std::vector<unsigned char> bytes = ReadResourceBytes(pngId, L"PNG");
  if (bytes.size() < 24 || !std::equal(kSignature, kSignature + 8, bytes.begin()) ||
      !std::equal(bytes.begin() + 12, bytes.begin() + 16, "IHDR"))
    return SIZE{0, 0};
  auto be32 = [&](std::size_t at) {
    return static_cast<LONG>((std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
                             (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3]);
  };
  const LONG w = be32(16), h = be32(20);
  if (w <= 0 || h <= 0) return SIZE{0, 0};
  return SIZE{scale.Px(w), scale.Px(h)};
}

void TeardownLayered(LayeredPicture& picture) {
  // Moved out whole, so the members go in their declared reverse order.
  const LayeredPicture gone = std::move(picture);
  picture.width = picture.height = 0;
}

}  // namespace vorn2
