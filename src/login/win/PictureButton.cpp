#include "login/win/PictureButton.h"

#include <objidl.h>
#include <gdiplus.h>

#include "framework/Notify.h"
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
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return;
  IStream* stream = nullptr;
  auto* image = static_cast<Gdiplus::GpImage*>(LoadPngResource(pictureId_, pictureType_, &stream));
  if (image) {
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gp::GdipCreateFromHDC(Surface().hdc(), &graphics) == Gdiplus::Ok) {
      gp::GdipDrawImageRectI(graphics, image, 0, 0, Surface().width(), Surface().height());
      gp::GdipDeleteGraphics(graphics);
    }
    gp::GdipDisposeImage(image);
  }
  if (stream) stream->Release();
  Gdiplus::GdiplusShutdown(token);
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
