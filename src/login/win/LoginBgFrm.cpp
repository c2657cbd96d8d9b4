#include "login/win/LoginBgFrm.h"

#include "framework/win/Screen.h"
#include "login/LoginLayout.h"
#include "resource_ids.h"

namespace vorn2 {
namespace {
constexpr UINT kPaintPictureMessage = WM_APP + 1;

FormDesign BackgroundDesign() {
  FormDesign d;
  d.className = L"Vorn2LoginBgFrm";
  d.caption = "LoginBgFrm";
  // A normal captioned window at design time; the load takes the caption and
  // frame away, keeping the system menu so the taskbar button can minimise,
  // restore and close it.
  d.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  d.clientWidthTwips = login_layout::kClientWidthTwips;
  d.clientHeightTwips = login_layout::kClientHeightTwips;
  d.startUp = StartUpPosition::Manual;
  d.showInTaskbar = true;
  d.appIcon = false;  // the login window sets the icons from the icon file
  return d;
}
}  // namespace

LoginBgFrm::LoginBgFrm() : Form(BackgroundDesign()) {}

const char* LoginBgFrm::CaptionText() { return "Vornhold 2" "客户端"; }

void LoginBgFrm::OnLoad() {
  HWND hwnd = hWnd();
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  SetWindowLongPtrW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(static_cast<DWORD>(style) &
                                                           login_layout::kBackgroundStyleMask));
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  // Decoding the picture and handing its pixels over is most of this load,
  // and the start-up shows its splash only after it: size the window now,
  // paint it once the splash is up (while the login page loads), or when it
  // is about to be shown, whichever comes first.
  const SIZE size = LayeredPngSize(IDR_PNG_LOGIN_BG, Scale());
  if (size.cx > 0) SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  painted_ = false;
  PostMessageW(hwnd, kPaintPictureMessage, 0, 0);
  HookLoginBgMove(hwnd, *this);
  SetCaption(CaptionText());

  // The pair starts centred on the screen; the move brings the follower along.
  RECT rc;
  GetWindowRect(hwnd, &rc);
  const SIZE screen = ScreenSizePixels();
  const login_layout::Point at =
      login_layout::CentredOrigin(0, 0, screen.cx, screen.cy, rc.right - rc.left, rc.bottom - rc.top);
  SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  MoveFollower();
}

void LoginBgFrm::MoveFollower() {
  if (!IsLoaded() || !follower_ || !follower_->IsLoaded()) return;
  RECT rc;
  GetWindowRect(hWnd(), &rc);
  SetWindowPos(follower_->hWnd(), nullptr, rc.left, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LoginBgFrm::PaintPicture() {
  if (painted_ || !IsLoaded()) return;
  painted_ = true;
  PaintLayeredPng(hWnd(), IDR_PNG_LOGIN_BG, picture_, Scale());
}

void LoginBgFrm::OnDpiChanged() {
  Form::OnDpiChanged();
  painted_ = true;
  PaintLayeredPng(hWnd(), IDR_PNG_LOGIN_BG, picture_, Scale());
  MoveFollower();
}

void LoginBgFrm::OnUnload(bool&) {
  TeardownLayered(picture_);
  UnhookLoginBgMove(hWnd());
  if (follower_) follower_->Unload();
}

LRESULT LoginBgFrm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPaintPictureMessage) {
    PaintPicture();
    return 0;
  }
  if (msg == WM_SHOWWINDOW && wParam) PaintPicture();
  if (msg == WM_LBUTTONDOWN) {
    // Only opaque pixels receive the press; the system drags from here on.
    ReleaseCapture();
    SendMessageW(hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return 0;
  }
  if (msg == WM_SIZE && follower_ && follower_->IsLoaded()) {
    // The system hides owned windows with a minimised owner; where it does
    // not (Wine), do it here, and show again only what was hidden here.
    if (wParam == SIZE_MINIMIZED && follower_->IsVisible()) {
      followerHiddenByMinimize_ = true;
      ShowWindow(follower_->hWnd(), SW_HIDE);
    } else if (wParam != SIZE_MINIMIZED && followerHiddenByMinimize_) {
      followerHiddenByMinimize_ = false;
      ShowWindow(follower_->hWnd(), SW_SHOWNA);
    }
  }
  return Form::WndProc(msg, wParam, lParam);
}

}  // namespace vorn2
