#include "framework/win/Screen.h"

#include "framework/Twips.h"
#include "framework/win/Handles.h"

namespace vorn2 {

int ScreenDpi(int index) {
  const WindowDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), index) : 0;
  return dpi > 0 ? dpi : 96;
}

int TwipsPerPixelX() { return TwipsPerPixelForDpi(ScreenDpi(LOGPIXELSX)); }
int TwipsPerPixelY() { return TwipsPerPixelForDpi(ScreenDpi(LOGPIXELSY)); }
int TwipsToPixelsX(double twips) { return TwipsToPixels(twips, TwipsPerPixelX()); }
int TwipsToPixelsY(double twips) { return TwipsToPixels(twips, TwipsPerPixelY()); }
int PixelsToTwipsX(int pixels) { return pixels * TwipsPerPixelX(); }
int PixelsToTwipsY(int pixels) { return pixels * TwipsPerPixelY(); }

SIZE ScreenSizePixels() { return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

RECT WorkArea() {
  RECT rc{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
  return rc;
}

void EndAtOnce(UINT exitCode) { ExitProcess(exitCode); }

}  // namespace vorn2
