#include "login/win/LoginFrm.h"

#include "framework/win/ProcessEnvironment.h"
#include "framework/win/Prompt.h"
#include "framework/win/Resources.h"
#include "framework/win/Screen.h"
#include "framework/win/TempFolder.h"
#include "framework/win/WebBrowserHost.h"
#include "framework/win/WinText.h"
#include "login/AppCommands.h"
#include "login/LoginLayout.h"
#include "resource_ids.h"

namespace vorn2 {
namespace {

// Closes the pair once the event that decided it has returned.
constexpr UINT kClosePairMessage = WM_APP + 2;

FormDesign LoginDesign() {
  FormDesign d;
  d.className = L"Vorn2LoginFrm";
  d.caption = LoginBgFrm::CaptionText();
  d.style = WS_POPUP | WS_CLIPCHILDREN;
  d.clientWidthTwips = login_layout::kClientWidthTwips;
  d.clientHeightTwips = login_layout::kClientHeightTwips;
  d.startUp = StartUpPosition::Manual;  // placed by the background window
  d.showInTaskbar = false;
  d.appIcon = false;
  d.backColor = login_layout::kTransparentColor;
  return d;
}

}  // namespace

LoginFrm::LoginFrm(LoginSettings settings, WebViewFactory createWebView)
    : Form(LoginDesign()),
      settings_(std::move(settings)),
      createWebView_(createWebView ? std::move(createWebView) : WebViewFactory(&CreateWebBrowser)),
      miniBtn_(IDR_GIF_MINI, L"GIF"),
      closeBtn_(IDR_GIF_CLOSE, L"GIF") {}

LoginFrm::~LoginFrm() {
  if (webBrowser1_) webBrowser1_->Destroy();
  Destroy();
}

std::array<ControlPlace, 3> LoginFrm::DesignLayout() {
  return {{{miniBtn_, login_layout::kMiniBtn},
           {closeBtn_, login_layout::kCloseBtn},
           {picture1_, login_layout::kPicture1, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN}}};
}

void LoginFrm::CreateControls() {
  CreateAtDesign(hWnd(), DesignLayout());
  picture1_.SetBackColor(login_layout::kTransparentColor);
  miniBtn_.Events().Click = [this] { MinimizePair(); };
  closeBtn_.Events().Click = [this] { ClosePair(); };
  miniBtn_.SetAccessibleName("最小化");
  closeBtn_.SetAccessibleName("关闭");

  // A fresh control for every load; the old one was released at unload.
  webBrowser1_ = createWebView_();
  if (!webBrowser1_) return;
  // It lies in the picture's box, not in the table: placed here and at a dpi change.
  const DeviceRect b = Scale().FromTwips(login_layout::kWebBrowser1);
  webBrowser1_->Create(picture1_.hWnd(), b.x, b.y, b.width, b.height);
  webBrowser1_->SetContextMenuEnabled(false);
  WebViewEvents& events = webBrowser1_->Events();
  events.beforeNavigate = [this](const std::wstring& url, bool, bool& cancel) { OnBeforeNavigate(url, cancel); };
  events.downloadBegin = [this] {
    if (webBrowser1_) webBrowser1_->SetSilent(true);
  };
  events.documentComplete = [this](const std::wstring& url, bool) { OnDocumentComplete(url); };
}

void LoginFrm::OnLoad() {
  networkFailed_ = false;
  CreateControls();

  SaveResourceToFile(IDR_ICON_APP, L"ICON", IconFilePath());
  background_.SetFollower(this);
  background_.Load();
  SetBackgroundIcons();

  // The splash has no close control: a page that never arrives must not
  // leave the player with nothing to do but end the process by hand. A
  // second login's page is awaited as long; its failure spares the game.
  if (settings_.timeoutMs) timeout_ = SetTimer(hWnd(), 1, settings_.timeoutMs, nullptr);
  if (webBrowser1_) webBrowser1_->Navigate(W(LoginPageUrl(settings_.portal)));
  if (!IsLoaded()) return;  // the page may already have closed the login

  SetWindowLongPtrW(hWnd(), GWL_EXSTYLE, GetWindowLongPtrW(hWnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(hWnd(), login_layout::kTransparentColor, 0, LWA_COLORKEY);

  // Owned by the background: no taskbar button of its own, above it, and
  // hidden with it when it is minimised.
  SetOwnerForm(&background_);
  if (background_.IsLoaded())
    SetWindowLongPtrW(hWnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(background_.hWnd()));
  background_.Load();
}

void LoginFrm::SetBackgroundIcons() {
  // The background has the taskbar button. A failed load keeps the icons of
  // an earlier one, which no window shows any more.
  const std::wstring path = IconFilePath();
  SetWindowIcons(background_.hWnd(), Scale(), [&path](int size) { return LoadIconFile(path, size); }, smallIcon_,
                 bigIcon_);
}

void LoginFrm::OnDpiChanged() {
  Form::OnDpiChanged();
  if (background_.IsLoaded()) SetBackgroundIcons();
  if (!picture1_.Exists()) return;
  MoveToDesign(DesignLayout());
  if (webBrowser1_) {
    const DeviceRect b = Scale().FromTwips(login_layout::kWebBrowser1);
    webBrowser1_->Move(b.x, b.y, b.width, b.height);
  }
  // On the background, whichever of the two moved first.
  background_.MoveFollower();
}

void LoginFrm::OnQueryUnload(bool& cancel, UnloadMode mode) {
  // Closing this window alone (Alt+F4) would strand the background: close
  // the pair the one way it is closed, once this request has returned.
  if (mode == UnloadMode::ControlMenu && background_.IsLoaded()) {
    cancel = true;
    PostMessageW(background_.hWnd(), WM_CLOSE, 0, 0);
  }
}

void LoginFrm::OnUnload(bool&) {
  StopTimeout();
  if (webBrowser1_) webBrowser1_->Destroy();
  // The page may end the login (exit, start game) before it ever completes:
  // the splash must not outlive the stage it stands for.
  if (unloadSplash) unloadSplash();
}

void LoginFrm::StopTimeout() {
  if (timeout_ && IsLoaded()) KillTimer(hWnd(), timeout_);
  timeout_ = 0;
}

void LoginFrm::FailWithNetworkMessage() {
  StopTimeout();
  // Decided once: a page that completes while the message is up (or after)
  // shows nothing, else the close that follows would take a shown pair.
  networkFailed_ = true;
  // Asked before the message: the game may be closed while it is shown.
  const bool gameOpen = gameWindow && gameWindow->IsOpen();
  Prompt(nullptr, kNetworkMessage, kPromptTitle, MB_ICONEXCLAMATION);
  if (!gameOpen) {
    Process().endAtOnce();
    return;
  }
  // After the browser's event has returned: the pair takes the browser along.
  if (IsLoaded()) PostMessageW(hWnd(), kClosePairMessage, 0, 0);
}

LRESULT LoginFrm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == timeout_ && timeout_) {
    FailWithNetworkMessage();  // the page has not completed in time
    return 0;
  }
  if (msg == kClosePairMessage) {
    ClosePair();
    return 0;
  }
  return Form::WndProc(msg, wParam, lParam);
}

void LoginFrm::ShowAgain() {
  if (!IsLoaded()) {
    // Visible at once: a login that stayed hidden until its page came
    // would outlast a closed game with no window to end it by.
    if (Load()) Show();
    return;
  }
  if (background_.IsLoaded() && IsIconic(background_.hWnd())) ShowWindow(background_.hWnd(), SW_RESTORE);
  Show();
  // The login window lies above its owner, the background, either way.
  SetForegroundWindow(background_.IsVisible() ? background_.hWnd() : hWnd());
}

void LoginFrm::ClosePair() {
  if (background_.IsLoaded()) background_.Unload();
  else Unload();
}

void LoginFrm::MinimizePair() {
  if (background_.IsLoaded()) ShowWindow(background_.hWnd(), SW_MINIMIZE);
}

void LoginFrm::OnBeforeNavigate(const std::wstring& url, bool& cancel) {
  const NavigationDecision d = DecideNavigation(U8(url));
  if (d.cancel) cancel = true;
  switch (d.command) {
    case AppCommand::None:
      break;
    case AppCommand::ExitGame:
      ClosePair();
      break;
    case AppCommand::Minimize:
      MinimizePair();
      break;
    case AppCommand::LoadGame: {
      IGameWindow* game = gameWindow;
      if (!game) {
        cancel = true;
        break;
      }
      // The main window is loaded by SetURL before the login windows go, so
      // at no moment is no window loaded (that would end the program).
      game->SetURL(d.gameUrl);
      ClosePair();
      game->ShowWindow();
      break;
    }
  }
}

void LoginFrm::OnDocumentComplete(const std::wstring& url) {
  if (!webBrowser1_ || networkFailed_) return;
  webBrowser1_->SetSilent(true);
  const long length = webBrowser1_->RootInnerHtmlLength();
  const std::wstring documentUrl = webBrowser1_->DocumentUrl();
  switch (DecideDocumentComplete(length > 0 ? static_cast<std::size_t>(length) : 0, U8(documentUrl), U8(url))) {
    case DocumentAction::NetworkFailure:
      FailWithNetworkMessage();
      break;
    case DocumentAction::ShowLoginPair:
      StopTimeout();
      // One step: the pair appears and the splash goes, with no message
      // handled in between.
      background_.Show();
      Show();
      if (unloadSplash) unloadSplash();
      break;
    case DocumentAction::Nothing:
      break;
  }
}

}  // namespace vorn2
