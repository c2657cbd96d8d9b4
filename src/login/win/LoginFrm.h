// The login window: the portal's login page in a browser control, lying on
// top of the login background, with a minimise and a close button. The page
// drives the client through app:// addresses; this window also decides when
// the splash gives way to the login pair, and ends the program when the
// login page cannot be loaded.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "framework/win/Control.h"
#include "framework/win/ControlLayout.h"
#include "framework/win/Form.h"
#include "framework/win/Handles.h"
#include "framework/win/IWebView.h"
#include "framework/win/PictureBox.h"
#include "login/IGameWindow.h"
#include "login/win/LoginBgFrm.h"
#include "login/win/PictureButton.h"

namespace vorn2 {

struct LoginSettings {
  std::string portal;  // base URL of the portal that serves the login page
  // A login page that has not completed this long after the load is taken
  // as not loaded (the network message, then the end, or with the game
  // open the login pair closes); 0: no limit.
  unsigned timeoutMs = 0;
};

class LoginFrm final : public Form {
 public:
  using WebViewFactory = std::function<std::unique_ptr<IWebView>()>;

  // The product passes no factory and gets the system's browser control.
  explicit LoginFrm(LoginSettings settings, WebViewFactory createWebView = {});
  ~LoginFrm() override;

  // Unloads the splash (nothing when it is already gone); set by whoever
  // wires the windows together. Called when the pair appears and whenever
  // the login ends, however it ends.
  std::function<void()> unloadSplash;
  // Takes over on a successful login. Without one, start-game addresses are
  // ignored (cancelled) and the login stays open.
  IGameWindow* gameWindow = nullptr;

  LoginBgFrm& Background() { return background_; }
  PictureButton& MiniBtn() { return miniBtn_; }
  PictureButton& CloseBtn() { return closeBtn_; }
  PictureBox& Picture1() { return picture1_; }
  IWebView* WebBrowser1() { return webBrowser1_.get(); }

  // The login once more (a second account): loads it anew when it was
  // closed and shows it at once, alone until its page has loaded and the
  // background joins it; brings it to the front when it is open.
  void ShowAgain();
  // Closes the pair: the background unloads and takes this window with it.
  void ClosePair();
  void MinimizePair();

 protected:
  void OnLoad() override;
  void OnQueryUnload(bool& cancel, UnloadMode mode) override;
  // The controls at their design places at the new factor.
  void OnDpiChanged() override;
  void OnUnload(bool& cancel) override;

 private:
  // The controls with their design places, in creation order.
  std::array<ControlPlace, 3> DesignLayout();
  void CreateControls();
  void OnBeforeNavigate(const std::wstring& url, bool& cancel);
  void OnDocumentComplete(const std::wstring& url);
  // The network message; then the process ends at once, or, with the game
  // open, only the login pair closes.
  void FailWithNetworkMessage();
  void SetBackgroundIcons();
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void StopTimeout();

  LoginSettings settings_;
  WebViewFactory createWebView_;
  // The background's icons; declared before it so they go after its window.
  UniqueIcon smallIcon_;
  UniqueIcon bigIcon_;
  LoginBgFrm background_;
  PictureButton miniBtn_;
  PictureButton closeBtn_;
  PictureBox picture1_;
  std::unique_ptr<IWebView> webBrowser1_;
  UINT_PTR timeout_ = 0;        // running while the login page is awaited
  bool networkFailed_ = false;  // the network message was decided for this load
};

}  // namespace vorn2
