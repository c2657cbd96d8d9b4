// A small button that shows a picture from the executable's resources (the
// login window's minimise and close buttons) and reports a click: a left
// press and release on it.
#pragma once

#include <functional>
#include <string>

#include "framework/win/AccessibleObject.h"
#include "framework/win/Control.h"

namespace vorn2 {

struct PictureButtonEvents {
  std::function<void()> Click;
};

class PictureButton final : public Control {
 public:
  // Picture: resource id of the given custom type (any format GDI+ reads).
  PictureButton(int pictureId, const wchar_t* pictureType);
  ~PictureButton() override { Destroy(); }

  PictureButtonEvents& Events() { return events_; }
  // What screen readers call the button (what it does: it shows no text).
  void SetAccessibleName(std::string name) { accessibleName_ = std::move(name); }

 protected:
  const wchar_t* ClassName() const override { return L"Vorn2PictureButton"; }
  void OnCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed() override { accessible_.Disconnect(); }

 private:
  void Draw();
  int pictureId_;
  const wchar_t* pictureType_;
  bool pressed_ = false;
  PictureButtonEvents events_;
  std::string accessibleName_;
  // A default action is a press and release in the button's middle.
  AccessibleRoot accessible_{[this] {
    return std::make_shared<WindowAccessible>(
        hWnd(),
        [this] {
          return AccessibleInfo{ROLE_SYSTEM_PUSHBUTTON, accessibleName_, 0, kActionPress};
        },
        [this] {
          RECT rc{};
          GetClientRect(hWnd(), &rc);
          ClickAsMouse(hWnd(), POINT{rc.right / 2, rc.bottom / 2});
        });
  }};
};

}  // namespace vorn2
