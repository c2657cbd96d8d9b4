// Mouse and keyboard state in the form engine's encoding, as controls pass
// it to their hosts: buttons 1 left, 2 right, 4 middle; shift keys 1 Shift,
// 2 Ctrl, 4 Alt.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vorn2 {

inline std::int16_t MouseButtonsHeld(WPARAM keys) {
  std::int16_t b = 0;
  if (keys & MK_LBUTTON) b |= 1;
  if (keys & MK_RBUTTON) b |= 2;
  if (keys & MK_MBUTTON) b |= 4;
  return b;
}

inline std::int16_t ShiftKeysDown() {
  std::int16_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

}  // namespace vorn2
