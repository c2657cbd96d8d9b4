// Screen metrics as the forms see them.
#pragma once

#include <windows.h>

namespace vorn2 {

// Dots per inch of the screen (LOGPIXELSX or LOGPIXELSY); 96 when unknown.
int ScreenDpi(int index);
int TwipsPerPixelX();  // 1440 / horizontal dpi of the screen
int TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
int PixelsToTwipsX(int pixels);
int PixelsToTwipsY(int pixels);
SIZE ScreenSizePixels();
RECT WorkArea();

// Ends the process now, running no window's handlers: the start-up and login
// path's way out (offline, "/web", updater started, login page not loaded).
[[noreturn]] void EndAtOnce(UINT exitCode = 0);

}  // namespace vorn2
