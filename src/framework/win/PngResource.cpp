#include "framework/win/PngResource.h"

#include <utility>
#include <vector>

#include "framework/win/Resources.h"
#include "framework/win/Streams.h"

namespace vorn2 {

namespace gp = Gdiplus::DllExports;

PngImage LoadPngResource(int id, const wchar_t* type) {
  PngImage png;
  std::vector<unsigned char> bytes = ReadResourceBytes(id, type);
  if (bytes.empty()) return png;
  png.stream = StreamFromBytes(bytes);
  if (!png.stream || gp::GdipLoadImageFromStream(png.stream.get(), png.image.put()) != Gdiplus::Ok || !png.image) {
    return PngImage{};
  }
  return png;
}

void DrawPremultiplied(Gdiplus::GpImage* image, int width, int height, std::uint32_t* target, UniqueGdipBitmap& surface,
                       UniqueGdipGraphics& graphics) {
  gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(target),
                                surface.put());
  if (surface) gp::GdipGetImageGraphicsContext(surface.get(), graphics.put());
  if (!graphics) return;
  gp::GdipSetCompositingMode(graphics.get(), Gdiplus::CompositingModeSourceCopy);
  gp::GdipDrawImageRectI(graphics.get(), image, 0, 0, width, height);
  gp::GdipFlush(graphics.get(), Gdiplus::FlushIntentionSync);
}

SIZE OpenPngResource(int id, const wchar_t* type, GdiplusSession& session, ComPtr<IStream>& stream,
                     UniqueGdipImage& image) {
  session = GdiplusSession::Open();
  PngImage png = LoadPngResource(id, type);
  stream = std::move(png.stream);
  image = std::move(png.image);
  UINT w = 0, h = 0;
  if (image) {
    gp::GdipGetImageWidth(image.get(), &w);
    gp::GdipGetImageHeight(image.get(), &h);
  }
  if (w == 0 || h == 0 || w > 32767 || h > 32767) return SIZE{0, 0};
  return SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

DecodedPng DecodePngResource(int pngId, const wchar_t* type) {
  DecodedPng decoded;
  const SIZE art = OpenPngResource(pngId, type, decoded.session, decoded.stream, decoded.image);
  if (art.cx == 0) return DecodedPng{};
  decoded.artwork = PixelImage(art.cx, art.cy);
  DrawPremultiplied(decoded.image.get(), decoded.artwork.width, decoded.artwork.height, decoded.artwork.pixels.data(),
                    decoded.surface, decoded.graphics);
  if (!decoded.graphics) return DecodedPng{};
  return decoded;
}

}  // namespace vorn2
