// WebMainFrm: the window in which the game is played. Borderless and
// skinned: a title bar (WebBForm) with the logo, a tab strip (WebuTab) whose
// tabs hold one page window each, the menu, minimise, maximise/restore and
// close buttons, and the content panel (pCnt) that shows the selected page.
// It owns the tray icon, the F10 hot key (ModMsg), a DDE topic through which
// another program opens pages in tabs, and the exit confirmation.
//
// One object for the whole process. The login hands it the game page
// (SetURL, which loads the window on first use) and shows it. Every close
// request passes one check (m_bExit, else the exit dialog); unloading
// releases the hot key, puts the window procedure back, closes every page
// and removes the tray icon. The process ends when its last window is gone.
//
// A message to the window passes, in this order, objStyle's router
// (cSetStyle: cursor, resizing by the edges, the close command; it answers
// only the cursor over the client area), MainWndProc (ModMsg: hot key, tray)
// and then WndProc.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/win/BForm.h"
#include "controls/win/IMsgHost.h"
#include "controls/win/iButton.h"
#include "framework/win/ControlLayout.h"
#include "framework/win/DdeLink.h"
#include "framework/win/Form.h"
#include "framework/win/Handles.h"
#include "framework/win/PictureBox.h"
#include "framework/win/PopupMenu.h"
#include "login/IGameWindow.h"
#include "mainwindow/MainMenu.h"
#include "mainwindow/win/CLumNotifyIcon.h"
#include "mainwindow/win/ModMsg.h"
#include "mainwindow/win/WebUrl.h"
#include "startup/win/UpdateCheck.h"
#include "tabs/win/uTab.h"
#include "winplumbing/win/cSetStyle.h"

namespace vorn2 {

class MsgFrm;

struct MainSettings {
  std::string updateServer;  // the menu's update check
  std::string portal;        // the portal page of GameSpaceBtn
};

class WebMainFrm final : public Form,
                         public IGameWindow,
                         public IMsgHost,
                         public IMainWindowCommands,
                         private IUpdateHost {
 public:
  // The product passes no factory and gets the system's browser control.
  explicit WebMainFrm(MainSettings settings, WebViewFactory createWebView = {});
  ~WebMainFrm() override;

  // True when closing has been confirmed: the next close request goes
  // through without asking.
  bool m_bExit = false;

  // IGameWindow: opens the page in a tab (loading the window on first use).
  void SetURL(const std::string& strURL) override;
  void ShowWindow() override;
  bool IsOpen() const override { return IsLoaded(); }

  // IMsgHost: the exit dialog's answer and its rounded region.
  void SetExitFlag(bool bExit) override { m_bExit = bExit; }
  bool ExitFlag() const override { return m_bExit; }
  void RectRgn(HWND lng_hWnd, int right, int bottom, int ellipseWidth, int ellipseHeight) override;

  // Shows the login window again (OtherUserBtn); set by whoever wires the
  // windows together.
  std::function<void()> showLogin;

  // The window state toggles of the hot key, the tray icon and the menu.
  void ToggleVisibility() override;
  // The tray icon's left click: a minimised window is restored (and shown),
  // any other is hidden or shown.
  void TrayClick() override;
  void PopupAppMenu() override;
  void RestoreTrayIcon() override;
  // The window's icons from the icon file, at its factor.
  void SetIcons();
  // A DDE execute: the window back to normal, the page in a tab. False when
  // the string is refused (not an http(s) address).
  bool OnDdeExecute(const std::string& command);

  BForm& WebBForm() { return webBForm_; }
  uTab& WebuTab() { return *webuTab_; }
  PictureBox& PicLogo() { return picLogo_; }
  PictureBox& pCnt() { return pCnt_; }
  iButton& web_tool() { return webTool_; }
  iButton& web_min() { return webMin_; }
  iButton& web_minmax() { return webMinMax_; }
  iButton& web_close() { return webClose_; }
  iButton& GameSpaceBtn() { return gameSpaceBtn_; }
  iButton& OtherUserBtn() { return otherUserBtn_; }
  PopupMenu& appmenu() { return appmenu_; }
  cSetStyle* objStyle() { return objStyle_.get(); }
  CLumNotifyIcon& TrayIcon() { return tray_; }
  DdeLink& Dde() { return dde_; }

 protected:
  void OnLoad() override;
  void OnQueryUnload(bool& cancel, UnloadMode mode) override;
  void OnUnload(bool& cancel) override;
  void OnResize() override;
  void OnCommand(int id) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed() override;
  // Keeps the window's state and lays the title row out again at the new
  // factor.
  void OnDpiChanged() override;

 private:
  void DrawLogo();
  // Every control with its design place, in creation order.
  std::vector<ControlPlace> DesignLayout();
  void CreateControls();
  void WireControls();
  void OpenTabURL(const std::string& url);
  void MinMaxToggle();
  void CloseWindow();
  bool ConfirmClose();
  void Layout();
  // A modal dialog or message box of this window, back in front of it; in
  // the foreground too when the user brought the window back.
  void DialogToFront(bool takeForeground);
  // Out of the minimised state without being shown (a hidden window).
  void RestoreHidden();

  // IUpdateHost (the menu's update check): the updater has started.
  void UnloadMainWindow() override { EndForUpdate(); }
  void EndForUpdate();
  // Ends the process without running any handler, the tray icon removed.
  void EndAtOnce();
  HWND OwnerWindow() const override { return hWnd(); }
  bool MainWindowOpen() const override { return IsLoaded(); }
  void ClearCache();
  void OpenPortal();

  MainSettings settings_;
  WebViewFactory createWebView_;
  BForm webBForm_;
  PictureBox picLogo_;
  std::shared_ptr<uTab> webuTab_;
  iButton otherUserBtn_, gameSpaceBtn_, webTool_, webMin_, webMinMax_, webClose_;
  PictureBox pCnt_;
  PopupMenu appmenu_;
  std::unique_ptr<cSetStyle> objStyle_;
  CLumNotifyIcon tray_;
  DdeLink dde_;
  MenuUpdateChecker menuUpdate_;
  UniqueIcon smallIcon_;
  UniqueIcon bigIcon_;
  UniqueIcon trayIcon_;
  int layoutDpi_ = 96;            // the dpi the saved restore bounds were made at
  bool restoringHidden_ = false;  // RestoreHidden: the region stays empty until hidden
  bool closeAsked_ = false;       // the system close command's first report was answered
  bool endAfterClose_ = false;    // the updater started under the exit dialog: the process ends with the window
  MsgFrm* exitDialog_ = nullptr;  // while the close check asks
  LifeToken life_;
};

}  // namespace vorn2
