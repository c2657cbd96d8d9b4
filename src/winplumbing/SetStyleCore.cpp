#include "winplumbing/SetStyleCore.h"

#include <cmath>

#include <algorithm>
#include <cstdlib>

namespace vorn2::setstyle {

int ZoneAt(const Rect& w, int x, int y) {
  const bool nearL = std::abs(w.left - x) <= kEdge;
  const bool nearT = std::abs(w.top - y) <= kEdge;
  const bool nearR = std::abs(w.right - x) <= kEdge;
  const bool nearB = std::abs(w.bottom - y) <= kEdge;
  const bool insideX = w.left + kEdge < x && x < w.right - kEdge;
  const bool insideY = w.top + kEdge < y && y < w.bottom - kEdge;
  if (nearL && nearB) return 5;
  if (nearT && nearL) return 7;
  if (nearR && nearB) return 3;
  if (nearR && nearT) return 1;
  if (nearT && insideX) return 0;
  if (nearR && insideY) return 2;
  if (nearB && insideX) return 4;
  if (nearL && insideY) return 6;
  return -1;
}

int PointerForZone(int zone) {
  switch (zone) {
    case 1:
    case 5:
      return 6;  // NE-SW
    case 3:
    case 7:
      return 8;  // NW-SE
    case 0:
    case 4:
      return 7;  // N-S
    case 2:
    case 6:
      return 9;  // W-E
    default:
      return 1;  // arrow
  }
}

void ApplyZone(Rect& n, int zone, int x, int y, MinSize minTrack) {
  const bool widerRight = n.left + kMinWidth < x;
  const bool widerLeft = n.right - x > kMinWidth;
  const bool taller = n.top + kMinHeight < y;
  switch (zone) {
    case 0:
      n.top = std::min(y, n.bottom - minTrack.cy);
      break;
    case 1:
      n.top = std::min(y, n.bottom - minTrack.cy);
      n.right = std::max(x, n.left + minTrack.cx);
      break;
    case 2:
      if (widerRight) n.right = x;
      break;
    case 3:
      if (widerRight) n.right = x;
      if (taller) n.bottom = y;
      break;
    case 4:
      if (taller) n.bottom = y;
      break;
    case 5:
      if (widerLeft) n.left = x;
      if (taller) n.bottom = y;
      break;
    case 6:
      if (widerLeft) n.left = x;
      break;
    case 7:
      n.top = std::min(y, n.bottom - minTrack.cy);
      n.left = std::min(x, n.right - minTrack.cx);
      break;
    default:
      break;
  }
}

void SetStyleCore::OnMessage(std::uint32_t uMsg, std::uintptr_t wParam) {
  switch (uMsg) {
    case kWmSettingChange:
      if (!host_.RaiseSettingChange()) return;
      RefillIfFilled();  // follow a moved or resized taskbar
      break;
    case kWmSysCommand:
      if ((wParam & 0xFFF0) == kScClose) host_.RaiseCloseClick();
      break;
    case kWmMouseMove: {
      int x = 0, y = 0;
      host_.CursorPos(x, y);
      if (!dragging_ && !filled_) {
        zone_ = ZoneAt(host_.WindowRect(), x, y);
        if (!host_.RaiseMouseSize(zone_)) return;
        host_.SetMousePointer(PointerForZone(zone_));
      } else if (dragging_ && wParam != 0) {
        if (!dcHeld_) {
          host_.AcquireScreenDC();
          dcHeld_ = true;
        }
        ApplyZone(new_, zone_, x, y, host_.MinTrackSize());
        host_.DrawFocusRect(drawn_);
        host_.DrawFocusRect(new_);
        drawn_ = new_;
      }
      break;
    }
    case kWmLButtonDown: {
      int x = 0, y = 0;
      host_.CursorPos(x, y);
      const Rect window = host_.WindowRect();
      const int zone = ZoneAt(window, x, y);
      if (zone != -1 && !dragging_ && !filled_) {
        zone_ = zone;
        dragging_ = true;
        start_ = drawn_ = new_ = window;
        host_.Capture(true);  // moves and the release must reach us outside the window too
        if (!dcHeld_) {
          host_.AcquireScreenDC();
          dcHeld_ = true;
        }
        host_.DrawFocusRect(start_);
      }
      break;
    }
    case kWmLButtonUp:
      if (dragging_) EndDrag(true);
      break;
    case kWmCaptureChanged:
      // Capture taken away mid-drag (another window, a menu): abandon the drag
      // rather than leave the rubber band and the screen context behind.
      if (dragging_) EndDrag(false);
      break;
    default:
      break;
  }
}

void SetStyleCore::EndDrag(bool move) {
  dragging_ = false;
  if (dcHeld_) host_.DrawFocusRect(drawn_);
  if (move) host_.MoveWindow(drawn_);
  if (dcHeld_) {
    host_.ReleaseScreenDC();
    dcHeld_ = false;
  }
  host_.Capture(false);  // may send WM_CAPTURECHANGED: dragging is already off
}

void SetStyleCore::RefillIfFilled() {
  if (filled_ && !host_.IsMinimised()) Fill();
}

void SetStyleCore::ScaleSaved(int fromDpi, int toDpi) {
  if (!filled_ || fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi) return;
  const auto scaled = [&](int twips) {
    return static_cast<int>(std::llround(static_cast<double>(twips) * toDpi / fromDpi));
  };
  saved_.width = scaled(saved_.width);
  saved_.height = scaled(saved_.height);
}

void SetStyleCore::Fill() {
  host_.MoveForm({0, 0, host_.ScreenWidthTwips(), host_.ScreenHeightTwips() - host_.TaskbarHeightTwips()});
}

bool SetStyleCore::CallWindowStateChange() {
  if (filled_) {
    host_.MoveForm(saved_);
    filled_ = false;
  } else {
    saved_ = host_.FormBounds();
    Fill();
    filled_ = true;
  }
  return filled_;
}

}  // namespace vorn2::setstyle
