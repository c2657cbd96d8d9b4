#include "framework/win/Screen.h"

#include "framework/win/Handles.h"

namespace vorn2 {
namespace {

// Functions Windows 7 lacks, from user32 (always loaded) at run time.
template <typename Function>
Function User32Function(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

using DpiForSystemFn = UINT(WINAPI*)();
using DpiForWindowFn = UINT(WINAPI*)(HWND);

}  // namespace

int SystemDpi() {
  static const DpiForSystemFn forSystem = User32Function<DpiForSystemFn>("GetDpiForSystem");
  int dpi = forSystem ? static_cast<int>(forSystem()) : 0;
  if (dpi <= 0) {
    const WindowDC screen(nullptr);
    dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  }
  return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND hwnd) {
  static const DpiForWindowFn forWindow = User32Function<DpiForWindowFn>("GetDpiForWindow");
  const int dpi = forWindow && hwnd ? static_cast<int>(forWindow(hwnd)) : 0;
  return dpi > 0 ? dpi : SystemDpi();
}

double TwipsPerPixelX() { return static_cast<double>(kTwipsPerInch) / SystemDpi(); }
double TwipsPerPixelY() { return TwipsPerPixelX(); }
int TwipsToPixelsX(double twips) { return SystemScale().FromTwips(twips); }
int TwipsToPixelsY(double twips) { return SystemScale().FromTwips(twips); }
int PixelsToTwipsX(int pixels) { return SystemScale().ToTwips(pixels); }
int PixelsToTwipsY(int pixels) { return SystemScale().ToTwips(pixels); }

SIZE ScreenSizePixels() { return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

RECT WorkArea() {
  RECT rc{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
  return rc;
}

void EndAtOnce(UINT exitCode) { ExitProcess(exitCode); }

}  // namespace vorn2
