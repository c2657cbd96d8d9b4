// The login background: a borderless per-pixel-alpha window painted from the
// login picture. It owns the taskbar button; the login window lies on top of
// it and follows it. Unloading it closes the pair.
#pragma once

#include "framework/win/Form.h"
#include "startup/win/PublicData.h"

namespace vorn2 {

class LoginBgFrm : public Form {
 public:
  LoginBgFrm();

  // The window kept on top of this one (the login window); unloaded with it.
  void SetFollower(Form* follower) { follower_ = follower; }
  // Moves the follower's top-left onto this window's top-left.
  void MoveFollower();

  const LayeredPicture& Picture() const { return picture_; }
  // "Vornhold 2" + "客户端".
  static const char* CaptionText();

 protected:
  void OnLoad() override;
  void OnUnload(bool& cancel) override;
  // The picture again at the new factor; the login window stays on it.
  void OnDpiChanged() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  Form* follower_ = nullptr;
  bool followerHiddenByMinimize_ = false;
  LayeredPicture picture_;
};

}  // namespace vorn2
