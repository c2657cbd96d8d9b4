#include "mainwindow/win/WebMainFrm.h"

#include <utility>

#include "controls/win/MsgFrm.h"
#include "framework/win/Input.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/Prompt.h"
#include "framework/win/Regions.h"
#include "framework/win/Screen.h"
#include "framework/win/TempFolder.h"
#include "framework/win/WinText.h"
#include "mainwindow/DdeRequest.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/win/CacheMain.h"
#include "resource_ids.h"

namespace vorn2 {
namespace {

namespace ml = main_layout;

constexpr const char* kWindowCaption = "Vornhold 2" "客户端";
constexpr const char* kTitleCaption = "Vornhold 2";
constexpr const wchar_t* kDdeTopic = L"WebGameDDE";
// Posted when the window has been shown: its dialog comes to the front once
// the window is on screen.
constexpr UINT kDialogToFrontMessage = WM_APP + 1;

FormDesign MainDesign() {
  FormDesign d;
  d.className = L"Vorn2WebMainFrm";
  d.caption = kWindowCaption;
  d.style = WS_POPUP | WS_CLIPCHILDREN;  // the style is set again by objStyle
  d.clientWidthTwips = ml::kClientWidthTwips;
  d.clientHeightTwips = ml::kClientHeightTwips;
  d.startUp = StartUpPosition::Manual;  // centred by the load
  d.showInTaskbar = true;
  d.appIcon = false;  // the icons come from the icon file
  return d;
}

FontDesc LinkFont() {
  FontDesc f;
  f.name = "宋体";
  f.sizePoints = 9;
  f.underline = true;
  return f;
}

}  // namespace

WebMainFrm::WebMainFrm(MainSettings settings, WebViewFactory createWebView)
    : Form(MainDesign()),
      settings_(std::move(settings)),
      createWebView_(std::move(createWebView)),
      webuTab_(uTab::New()),
      menuUpdate_(settings_.updateServer, *this) {}

WebMainFrm::~WebMainFrm() {
  life_.End();
  Destroy();
}

void WebMainFrm::SetURL(const std::string& strURL) {
  if (!IsLoaded() && !Load()) return;
  OpenTabURL(strURL);
}

void WebMainFrm::ShowWindow() { Show(); }

void WebMainFrm::OpenTabURL(const std::string& url) {
  const std::string key = TabKey(url);
  const std::shared_ptr<CTabItems> items = webuTab_->TabItems();
  const std::int32_t found = items->FindItem(key);
  if (found >= 0) {
    items->SetSelected(found);  // the page is not loaded again
    return;
  }
  std::shared_ptr<WebUrlTab> page = WebUrlTab::New(createWebView_);
  page->Page().OpenURL(url);
  try {
    items->Add(key, page, key);
  } catch (const TabError&) {
    page->Unload();
    return;
  }
  items->SetSelected(items->Count() - 1);
}

std::vector<ControlPlace> WebMainFrm::DesignLayout() {
  // The bar, the strip and the panel overlap: every child clips its
  // siblings, so each paints only what is its own to show.
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  // The bar first and lowest: CreateControls raises the rows after it in
  // turn, so each lies above the ones before it.
  return {{webBForm_, ml::kTitleBar, kChild},
          {picLogo_, ml::kPicLogo, kChild},
          {*webuTab_, ml::kTabStrip, kChild},
          {otherUserBtn_, ml::kOtherUserBtn, kChild},
          {gameSpaceBtn_, ml::kGameSpaceBtn, kChild},
          {webTool_, ml::kWebTool, kChild},
          {webMin_, ml::kWebMin, kChild},
          {webMinMax_, ml::kWebMinMax, kChild},
          {webClose_, ml::kWebClose, kChild},
          {pCnt_, ml::kContent, kChild | WS_CLIPCHILDREN}};
}

void WebMainFrm::CreateControls() {
  PropertyBag tabDesign;
  tabDesign.Set("TabStyle", static_cast<std::int64_t>(ml::kTabStyle));
  tabDesign.Set("TabLeftSize", static_cast<std::int64_t>(ml::kTabLeftSize));
  tabDesign.Set("TabRightSize", static_cast<std::int64_t>(ml::kTabRightSize));
  webuTab_->ReadProperties(tabDesign);  // the strip is made in its style
  const std::vector<ControlPlace> layout = DesignLayout();
  CreateAtDesign(hWnd(), layout);
  pCnt_.SetBackColor(GetSysColor(COLOR_WINDOW));

  // The title row lies on the bar and above it; the page lies above the
  // strip's lowest rows (its background), which it overlaps.
  for (const ControlPlace& above : std::span(layout).subspan(1)) {
    SetWindowPos(above.control.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  webBForm_.SetBackColor("14606046");  // 0x00DEDEDE
  webBForm_.SetHasLogo(true);
  for (iButton* b : {&gameSpaceBtn_, &otherUserBtn_}) {
    b->SetcFont(LinkFont());
    b->SetcForeColor(0x00FFFFFF);
  }
  gameSpaceBtn_.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_GAMESPACE));
  gameSpaceBtn_.SetCaption("游戏官网");
  otherUserBtn_.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_OTHERUSER));
  otherUserBtn_.SetCaption("登录其他帐号");
  webMinMax_.SetStyle(1);  // two-state: its Value flips on each click
  // The picture buttons are named by what they do; the two texts are links.
  webTool_.SetAccessibleName("菜单");
  webMin_.SetAccessibleName("最小化");
  webMinMax_.SetAccessibleName("最大化");
  webClose_.SetAccessibleName("关闭");
  gameSpaceBtn_.SetAccessibleRole(ROLE_SYSTEM_LINK);
  otherUserBtn_.SetAccessibleRole(ROLE_SYSTEM_LINK);

  // The object outlives its window: each load builds the menu from empty.
  appmenu_.Clear();
  for (const MenuItemSpec& item : kAppMenu) appmenu_.AddItem(item.id, item.caption);
}

void WebMainFrm::WireControls() {
  webClose_.Events().Click = [this] { CloseWindow(); };
  webMin_.Events().Click = [this] { ::ShowWindow(hWnd(), SW_MINIMIZE); };
  webMinMax_.Events().Click = [this] { MinMaxToggle(); };
  webTool_.Events().Click = [this] { PopupAppMenu(); };
  otherUserBtn_.Events().Click = [this] {
    if (showLogin) showLogin();
  };
  gameSpaceBtn_.Events().Click = [this] { OpenPortal(); };

  uTabEvents& tab = webuTab_->Events();
  tab.OnMouseDown = [this](std::int32_t ItemIndex, std::int16_t Button, std::int16_t, float, float) {
    ShowArrowCursor();
    // The empty part of the strip moves the window, unless it fills the
    // screen. Left button only: a move loop started by another button would
    // keep the window on the pointer with no button held.
    if (!webMinMax_.Value() && ItemIndex < 0 && Button == kButtonLeft) {
      ReleaseCapture();
      SendMessageW(hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
  };
  tab.OnMouseMove = [](std::int32_t, std::int16_t, std::int16_t, float, float) { ShowArrowCursor(); };
  tab.OnMouseHover = [this](std::int32_t ItemIndex, std::int16_t, std::int16_t, float, float) {
    const std::shared_ptr<CTabItems> items = webuTab_->TabItems();
    const bool onTab = ItemIndex >= 0 && ItemIndex < items->Count();
    webuTab_->SetToolTipText(onTab ? items->Item(ItemIndex)->Caption() : std::string());
  };
  tab.OnItemColose = [this](std::int32_t, bool& Cancel) {
    // The last tab is never removed on its own: closing it closes the window.
    if (webuTab_->TabItems()->Count() <= 1) {
      Cancel = true;
      CloseWindow();
    }
  };

  webBForm_.Events().MouseMove = [](std::int16_t, std::int16_t, float, float) { ShowArrowCursor(); };
  for (PictureBox* box : {&pCnt_, &picLogo_}) {
    box->Events().MouseDown = [](std::int16_t, std::int16_t, float, float) { ShowArrowCursor(); };
    box->Events().MouseMove = [](std::int16_t, std::int16_t, float, float) { ShowArrowCursor(); };
  }

  dde_.Events().LinkExecute = [this](const std::string& strCommand, bool& Cancel) {
    Cancel = !OnDdeExecute(strCommand);
  };
}

void WebMainFrm::OnLoad() {
  // A close confirmed for the window before this one does not carry over.
  m_bExit = false;
  closeAsked_ = false;
  CreateControls();
  WireControls();
  const HWND me = hWnd();

  SetIcons();
  // The notification area is drawn at the system's dpi, whatever this window's.
  trayIcon_ = LoadIconFile(IconFilePath(), GetSystemMetrics(SM_CXSMICON));
  tray_.AddNotifyIcon(me, trayIcon_.get(), kWindowCaption);

  HookMainWindow(me, *this);
  appmenu_.SetCaption(kMenuVersion, VersionCaption(LocalVersionString()));
  webBForm_.SetCaption(kTitleCaption);
  SetCaption(kWindowCaption);

  objStyle_ = std::make_unique<cSetStyle>();
  layoutDpi_ = Scale().Dpi();
  SetAutoRedraw(true);
  objStyle_->objForm(this);
  objStyle_->SetWindowStyle(me);
  objStyle_->Events().CloseClick = [this] {
    closeAsked_ = true;  // the command's own close request that follows is this one
    CloseWindow();
  };
  webBForm_.SetfrmHwnd(me);

  RECT rc{};
  GetWindowRect(me, &rc);
  const SIZE screen = ScreenSizePixels();
  SetWindowPos(me, nullptr, ml::CentredOffset(screen.cx, rc.right - rc.left),
               ml::CentredOffset(screen.cy, rc.bottom - rc.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  webClose_.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_CLOSE));
  webMinMax_.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_MINMAX));
  webMin_.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_MIN));
  webMinMax_.SetValue(true);
  webTool_.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_TOOL));

  webuTab_->SethContainerWnd(pCnt_.hWnd());
  webuTab_->LockReDraw(false);

  picLogo_.SetAutoRedraw(true);
  DrawLogo();

  MinMaxToggle();

  dde_.SetMaxCommandBytes(kMaxDdeCommandBytes);
  dde_.Open(ExecutableBaseName(), kDdeTopic);
}

void WebMainFrm::DrawLogo() {
  const PicturePtr logo = Picture::FromBitmapResource(IDB_LOGO);
  DrawingSurface& surface = picLogo_.Surface();
  const PicturePtr scaled =
      logo ? logo->Scaled(0, 0, logo->WidthPixels(), logo->HeightPixels(), surface.width(), surface.height())
           : nullptr;
  if (!scaled || !surface.hdc()) return;
  const UniqueDC source(CreateCompatibleDC(nullptr));
  const SelectGuard selected(source.get(), scaled->Handle());
  BitBlt(surface.hdc(), 0, 0, surface.width(), surface.height(), source.get(), 0, 0, SRCCOPY);
  picLogo_.Refresh();
}

void WebMainFrm::SetIcons() {
  const std::wstring path = IconFilePath();
  SetWindowIcons(hWnd(), Scale(), [&path](int size) { return LoadIconFile(path, size); }, smallIcon_, bigIcon_);
}

void WebMainFrm::OnDpiChanged() {
  SetIcons();
  // The window keeps its state: filling the work area, or where and as
  // large as the system suggests (its size scaled by the change).
  const int fromDpi = std::exchange(layoutDpi_, Scale().Dpi());
  if (objStyle_ && objStyle_->Filled()) {
    objStyle_->ScaleSaved(fromDpi, layoutDpi_);
    objStyle_->RefillIfFilled();
  }
  else if (const RECT* r = SuggestedRect()) {
    SetWindowPos(hWnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!webuTab_->Exists()) return;
  // Tops and sizes at the new factor; the layout places them sideways.
  MoveToDesign(DesignLayout());
  Layout();
  DrawLogo();
}

void WebMainFrm::MinMaxToggle() {
  if (!objStyle_) return;
  const bool filled = objStyle_->CallWindowStateChange();
  webBForm_.SetfrmHwnd(filled ? nullptr : hWnd());
  webMinMax_.SetAccessibleName(filled ? "还原" : "最大化");
}

void WebMainFrm::OnResize() {
  if (!webuTab_->Exists() || IsIconic(hWnd()) || restoringHidden_) return;
  Layout();
}

void WebMainFrm::Layout() {
  RECT window{}, client{};
  GetWindowRect(hWnd(), &window);
  GetClientRect(hWnd(), &client);
  const DpiScale scale = Scale();
  const int windowWidth = scale.ToTwips(window.right - window.left);
  const int clientWidth = scale.ToTwips(client.right);
  const int clientHeight = scale.ToTwips(client.bottom);
  const RECT tabBounds = webuTab_->Bounds();
  const int tabHeight = scale.ToTwips(tabBounds.bottom - tabBounds.top);

  webBForm_.MoveTwips({ml::kTitleBar.left, ml::kTitleBar.top, windowWidth, ml::kTitleBar.height});
  webBForm_.Printform(*this);
  const int corner = scale.Px(ml::kCornerEllipse);
  RectRgn(hWnd(), client.right + 1, client.bottom + 1, corner, corner);

  const ml::Placement p = ml::PlaceControls(windowWidth, clientWidth, clientHeight, tabHeight);
  webClose_.MoveLeftTwips(p.webClose);
  webMinMax_.MoveLeftTwips(p.webMinMax);
  webMin_.MoveLeftTwips(p.webMin);
  webTool_.MoveLeftTwips(p.webTool);
  if (p.tabStrip) {
    // Ends on the link's first pixel, however each edge rounds.
    const int left = scale.FromTwips(p.tabStrip->left);
    webuTab_->Move(left, scale.FromTwips(p.tabStrip->top), scale.FromTwips(p.otherUser) - left,
                   scale.FromTwips(p.tabStrip->height));
  }
  gameSpaceBtn_.MoveLeftTwips(p.gameSpace);
  otherUserBtn_.MoveLeftTwips(p.otherUser);
  if (p.content.width >= 0 && p.content.height >= 0) pCnt_.MoveTwips(p.content);
  // The selected page fills the new panel, and every child is drawn again
  // over what the frame and the region change left behind.
  webuTab_->ShowSelectedForm();
  RedrawWindow(hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void WebMainFrm::RectRgn(HWND lng_hWnd, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  SetRoundedRegion(lng_hWnd, right, bottom, ellipseWidth, ellipseHeight);
}

void WebMainFrm::ToggleVisibility() {
  if (!IsLoaded()) return;
  ::ShowWindow(hWnd(), IsWindowVisible(hWnd()) ? SW_HIDE : SW_SHOW);
}

void WebMainFrm::TrayClick() {
  if (!IsLoaded()) return;
  if (IsIconic(hWnd())) ::ShowWindow(hWnd(), SW_RESTORE);
  else ToggleVisibility();
}

void WebMainFrm::DialogToFront(bool takeForeground) {
  // Only a window disabled under a dialog of its own has one to bring back.
  if (!IsLoaded() || !IsWindowVisible(hWnd()) || IsWindowEnabled(hWnd())) return;
  struct Search {
    HWND owner;
    HWND dialog = nullptr;
  } search{hWnd()};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (GetWindow(w, GW_OWNER) != s->owner || !IsWindowVisible(w) || !IsWindowEnabled(w)) return TRUE;
        s->dialog = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.dialog) return;
  SetWindowPos(search.dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (takeForeground ? 0 : SWP_NOACTIVATE));
  if (!takeForeground) return;
  SetForegroundWindow(search.dialog);
  SetActiveWindow(search.dialog);
}

void WebMainFrm::RestoreHidden() {
  // Only showing takes a window out of the minimised state (its style bit
  // cannot be cleared): it is shown with an empty region, so nothing of it
  // reaches the screen, hidden again, then laid out with its own region.
  restoringHidden_ = true;
  SetWindowRgn(hWnd(), CreateRectRgn(0, 0, 0, 0), FALSE);
  ::ShowWindow(hWnd(), SW_SHOWNOACTIVATE);
  ::ShowWindow(hWnd(), SW_HIDE);
  restoringHidden_ = false;
  Layout();
}

void WebMainFrm::PopupAppMenu() {
  if (IsLoaded()) appmenu_.Popup(hWnd());
}

void WebMainFrm::RestoreTrayIcon() { tray_.OnTaskbarCreated(); }

bool WebMainFrm::OnDdeExecute(const std::string& command) {
  // Any local program can send this: only web addresses open a tab.
  const std::optional<std::string> url = AcceptDdeUrl(command);
  if (!IsLoaded() || !url) return false;
  // The window state to normal: un-minimised; hidden by F10 it stays hidden.
  // The program that sent the execute keeps the foreground.
  if (IsIconic(hWnd())) {
    if (IsWindowVisible(hWnd())) ::ShowWindow(hWnd(), SW_SHOWNOACTIVATE);
    else RestoreHidden();
  }
  OpenTabURL(*url);
  // A dialog asking stays in front of the window that gained a tab.
  DialogToFront(false);
  return true;
}

void WebMainFrm::OnCommand(int id) {
  switch (id) {
    case kMenuRefresh:
      try {
        webuTab_->RefreshPage();
      } catch (const TabError&) {
      }
      break;
    case kMenuHideRestore:
      ToggleVisibility();
      break;
    case kMenuClearCache:
      ClearCache();
      break;
    case kMenuUpdate:
      menuUpdate_.CheckForUpdate();
      break;
    case kMenuExit:
      CloseWindow();
      break;
    default:
      break;
  }
}

void WebMainFrm::CloseWindow() { Unload(); }

void WebMainFrm::ClearCache() {
  // The clearing blocks the window until it is done.
  {
    const WaitCursor wait;
    ClearBrowserCache();
  }
  Prompt(hWnd(), kCacheClearedMessage, kCacheClearedTitle, MB_ICONINFORMATION);
}

void WebMainFrm::OpenPortal() { Process().shellOpen(W(PortalPageUrl(settings_.portal)), L""); }

void WebMainFrm::EndForUpdate() {
  // The updater waits for this process: nothing may keep it, not a pending
  // question nor a login window still open.
  m_bExit = true;
  if (exitDialog_ && exitDialog_->IsLoaded()) {
    // The close that asks goes on, confirmed, once the dialog's loop ends.
    endAfterClose_ = true;
    exitDialog_->Hide();
    return;
  }
  if (!Unload() || Form::LoadedCount() > 0) EndAtOnce();
}

void WebMainFrm::EndAtOnce() {
  tray_.DeleteNotifyIcon();
  Process().endAtOnce();
}

bool WebMainFrm::ConfirmClose() {
  if (m_bExit) return true;
  const LifeWatch life = life_.Watch();
  MsgFrm dialog(*this);
  dialog.SetOwnerForm(this);
  exitDialog_ = &dialog;
  dialog.ShowModal();
  if (!life.Alive()) return false;
  exitDialog_ = nullptr;
  return m_bExit;
}

void WebMainFrm::OnQueryUnload(bool& cancel, UnloadMode) {
  if (!ConfirmClose()) cancel = true;
}

LRESULT WebMainFrm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kDialogToFrontMessage) {
    DialogToFront(true);
    return 0;
  }
  if (msg == WM_WINDOWPOSCHANGED && (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))
    PostMessageW(hWnd(), kDialogToFrontMessage, 0, 0);
  if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE && closeAsked_) {
    // Declined when objStyle reported it: the command stops here.
    closeAsked_ = false;
    return 0;
  }
  return Form::WndProc(msg, wParam, lParam);
}

void WebMainFrm::OnUnload(bool&) {
  dde_.Close();
  UnhookMainWindow(hWnd());
  webuTab_->TabItems()->Clear();
  objStyle_.reset();
  tray_.DeleteNotifyIcon();
}

void WebMainFrm::OnWindowDestroyed() {
  // The icons were in use until the window went (the tray's was deleted at unload).
  smallIcon_.reset();
  bigIcon_.reset();
  trayIcon_.reset();
  Form::OnWindowDestroyed();
  if (std::exchange(endAfterClose_, false) && Form::LoadedCount() > 0) EndAtOnce();
}

}  // namespace vorn2
