// A plain child box: a background colour (or whatever is drawn on its
// persistent surface) that clips the windows inside it, and reports its size
// changes and mouse activity over its own area.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "framework/win/Control.h"

namespace vorn2 {

struct PictureBoxEvents {
  std::function<void()> Resize;
  std::function<void(std::int16_t Button, std::int16_t Shift, float X, float Y)> MouseDown;
  std::function<void(std::int16_t Button, std::int16_t Shift, float X, float Y)> MouseMove;
};

class PictureBox final : public Control {
 public:
  ~PictureBox() override { Destroy(); }
  PictureBoxEvents& Events() { return events_; }

 protected:
  const wchar_t* ClassName() const override { return L"Vorn2PictureBox"; }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  PictureBoxEvents events_;
};

}  // namespace vorn2
