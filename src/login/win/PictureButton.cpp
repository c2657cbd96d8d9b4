#include "login/win/PictureButton.h"

#include <algorithm>

#include "framework/ArtworkScale.h"
#include "framework/Notify.h"
#include "framework/win/GdiPlus.h"
#include "framework/win/PngResource.h"
#include "login/LoginLayout.h"

namespace vorn2 {

PictureButton::PictureButton(int pictureId, const wchar_t* pictureType)
    : pictureId_(pictureId), pictureType_(pictureType) {}

void PictureButton::OnCreated() {
  SetBackColor(login_layout::kTransparentColor);
  SetAutoRedraw(true);
  Draw();
}

void PictureButton::Draw() {
  // Drawn into the persistent surface at its size; GDI+ is only needed for that.
  DrawingSurface& surface = Surface();
  if (!surface.bits()) return;
  const DecodedPng decoded = DecodePngResource(pictureId_, pictureType_);
  if (!decoded.image) return;
  const PixelImage& artwork = decoded.artwork;
  // On the window's see-through colour (which the artwork uses too), then
  // scaled: an edge is the picture or the key, never a blend of the two.
  const COLORREF k = login_layout::kTransparentColor;
  const std::uint32_t key = (GetRValue(k) << 16) | (GetGValue(k) << 8) | GetBValue(k);  // as a DIB pixel
  const PixelImage keyed = ScaleKeyed(KeyPremultiplied(artwork, key), 0, 0, artwork.width, artwork.height,
                                      surface.width(), surface.height(), key);
  GdiFlush();
  if (!keyed.Empty()) std::copy(keyed.pixels.begin(), keyed.pixels.end(), surface.bits());
  Refresh();
}

LRESULT PictureButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = true;
      SetCapture(hWnd());
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_;
      pressed_ = false;
      if (GetCapture() == hWnd()) ReleaseCapture();
      RECT rc;
      GetClientRect(hWnd(), &rc);
      POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      // The handler may unload the whole window: nothing after it.
      if (wasPressed && PtInRect(&rc, pt)) Raise(events_.Click);
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      break;
    case WM_GETOBJECT:
      if (const std::optional<LRESULT> object = accessible_.Answer(wParam, lParam)) return *object;
      break;
    case WM_SIZE: {
      // At another factor the login window gives the button its new size.
      const LRESULT r = Control::WndProc(msg, wParam, lParam);
      Draw();
      return r;
    }
    default:
      break;
  }
  return Control::WndProc(msg, wParam, lParam);
}

}  // namespace vorn2
