#include "winplumbing/ModGetTaskbarHei.h"

#include <windows.h>

#include "framework/win/Screen.h"

namespace vorn2 {

short ModGetTaskbarHei() {
  RECT work{};  // stays all zero if the call fails: the result is then the whole screen
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const double tpp = TwipsPerPixelX();  // the horizontal factor serves the vertical measure too
  const double screenTwips = static_cast<double>(GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY();
  return TaskbarHeightTwips(screenTwips, tpp, work.bottom);
}

}  // namespace vorn2
