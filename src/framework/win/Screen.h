// Screen metrics and dots per inch as the forms see them.
#pragma once

#include <windows.h>

#include "framework/Twips.h"

namespace vorn2 {

// Dots per inch of the system (the primary screen as the program was
// started); 96 when unknown.
int SystemDpi();
// Dots per inch of a window: GetDpiForWindow where the system has it
// (Windows 10 1607 on; looked up at run time), else the system's.
int WindowDpi(HWND hwnd);
inline DpiScale SystemScale() { return DpiScale(SystemDpi()); }

// The system's factor, for what belongs to no window (the screen's size in
// twips): 1440 / dpi, not rounded.
double TwipsPerPixelX();
double TwipsPerPixelY();
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
