// A small button that shows a picture from the executable's resources (the
// login window's minimise and close buttons) and reports a click: a left
// press and release on it.
#pragma once

#include <functional>

#include "framework/win/Control.h"

namespace vorn2 {

struct PictureButtonEvents {
  std::function<void()> Click;
};

class PictureButton : public Control {
 public:
  // Picture: resource id of the given custom type (any format GDI+ reads).
  PictureButton(int pictureId, const wchar_t* pictureType);
  ~PictureButton() override { Destroy(); }

  PictureButtonEvents& Events() { return events_; }

 protected:
  const wchar_t* ClassName() const override { return L"Vorn2PictureButton"; }
  void OnCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Draw();
  int pictureId_;
  const wchar_t* pictureType_;
  bool pressed_ = false;
  PictureButtonEvents events_;
};

}  // namespace vorn2
