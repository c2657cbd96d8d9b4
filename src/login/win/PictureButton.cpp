#include "login/win/PictureButton.h"

#include "framework/Notify.h"
#include "framework/win/GdiPlus.h"
#include "login/LoginLayout.h"
#include "startup/win/PublicData.h"

namespace vorn2 {

namespace gp = Gdiplus::DllExports;

PictureButton::PictureButton(int pictureId, const wchar_t* pictureType)
    : pictureId_(pictureId), pictureType_(pictureType) {}

void PictureButton::OnCreated() {
  SetBackColor(login_layout::kTransparentColor);
  SetAutoRedraw(true);
  // Drawn once into the persistent surface; GDI+ is only needed for that.
  const GdiplusSession session = GdiplusSession::Open();
  if (!session) return;
  const PngImage png = LoadPngResource(pictureId_, pictureType_);
  if (png.image) {
    UniqueGdipGraphics graphics;
    if (gp::GdipCreateFromHDC(Surface().hdc(), graphics.put()) == Gdiplus::Ok) {
      gp::GdipDrawImageRectI(graphics.get(), png.image.get(), 0, 0, Surface().width(), Surface().height());
    }
  }
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
    default:
      break;
  }
  return Control::WndProc(msg, wParam, lParam);
}

}  // namespace vorn2
