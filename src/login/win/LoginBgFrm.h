// The login background: a borderless per-pixel-alpha window painted from the
// login picture. It owns the taskbar button; the login window lies on top of
// it and follows it. Unloading it closes the pair.
#pragma once

#include "framework/win/Form.h"
#include "framework/win/LayeredWindow.h"
#include "login/win/LoginBgMove.h"

namespace vorn2 {

class LoginBgFrm final : public Form, public ILoginBgMoves {
 public:
  LoginBgFrm();
  ~LoginBgFrm() override { Destroy(); }

  // The window kept on top of this one (the login window); unloaded with it.
  void SetFollower(Form* follower) { follower_ = follower; }
  // Moves the follower's top-left onto this window's top-left.
  void MoveFollower() override;

  // Painted after the load, once the start-up has gone on to show its
  // splash (a posted message), and before the window is first shown at the
  // latest; the window has the picture's size from its load on.
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
  void PaintPicture();

  Form* follower_ = nullptr;
  bool painted_ = false;
  bool followerHiddenByMinimize_ = false;
  LayeredPicture picture_;
};

}  // namespace vorn2
