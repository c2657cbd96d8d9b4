#include "framework/win/PictureBox.h"

#include <windowsx.h>

#include "framework/Notify.h"
#include "framework/win/Input.h"

namespace vorn2 {

LRESULT PictureBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE: {
      const LRESULT r = Control::WndProc(msg, wParam, lParam);
      Raise(events_.Resize);
      return r;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const std::int16_t button =
          msg == WM_LBUTTONDOWN ? kButtonLeft : msg == WM_RBUTTONDOWN ? kButtonRight : kButtonMiddle;
      Raise(events_.MouseDown, button, ShiftKeysDown(), static_cast<float>(GET_X_LPARAM(lParam)),
            static_cast<float>(GET_Y_LPARAM(lParam)));
      return 0;
    }
    case WM_MOUSEMOVE:
      Raise(events_.MouseMove, MouseButtonsHeld(wParam), ShiftKeysDown(), static_cast<float>(GET_X_LPARAM(lParam)),
            static_cast<float>(GET_Y_LPARAM(lParam)));
      return 0;
    default:
      break;
  }
  return Control::WndProc(msg, wParam, lParam);
}

}  // namespace vorn2
