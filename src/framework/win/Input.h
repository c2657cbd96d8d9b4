// Mouse and keyboard state in the encoding controls pass to their hosts
// (framework/MouseButtons.h), the standard arrow cursor and the wait cursor.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/MouseButtons.h"

namespace vorn2 {

inline std::int16_t MouseButtonsHeld(WPARAM keys) {
  std::int16_t b = 0;
  if (keys & MK_LBUTTON) b |= kButtonLeft;
  if (keys & MK_RBUTTON) b |= kButtonRight;
  if (keys & MK_MBUTTON) b |= kButtonMiddle;
  return b;
}

inline std::int16_t ShiftKeysDown() {
  std::int16_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kShiftCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= kShiftAlt;
  return shift;
}

// The standard arrow, as the windows set it over their own areas.
inline void ShowArrowCursor() { SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW))); }

// The hourglass while the guard lives; the cursor before it afterwards, on
// every way out.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace vorn2
