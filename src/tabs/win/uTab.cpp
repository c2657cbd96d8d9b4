#include "tabs/win/uTab.h"

#include <commctrl.h>
#include <windowsx.h>

#include "framework/FailureTrace.h"
#include "framework/Notify.h"
#include "framework/win/Input.h"
#include "framework/win/Screen.h"
#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"
#include "tabs/win/TabSkin.h"
#include "tabs/win/Win32TabWindowApi.h"
#include "tabs/win/mdlTabAPI.h"

namespace vorn2 {
namespace {

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }
WindowHandle I(HWND w) { return reinterpret_cast<WindowHandle>(w); }

// The default GUI font is 8 points: 11 pixels at 96 dpi.
constexpr int kCaptionFontDesignHeight = -11;

}  // namespace

std::shared_ptr<uTab> uTab::New() {
  auto tab = std::make_shared<uTab>(Private{});
  tab->AttachList();
  return tab;
}

uTab::uTab(Private)
    : TabStripCore(std::make_shared<Win32TabWindowApi>()),
      skin0Artwork_(Picture::FromBitmapResource(tab_skin::kSkin0.resourceId)),
      skin1Artwork_(Picture::FromBitmapResource(tab_skin::kSkin1.resourceId)),
      c_Subclass(this, life_.Weak()) {
  MakeDrawingResources(SystemScale());
  m_lItemWidth = kItemWidth0;
  m_TabLeftSize = kDefaultTabLeftSize;
  m_TabRightSize = kDefaultTabRightSize;
  m_Selected = -1;
  m_lHotIndex = -1;
}

void uTab::MakeDrawingResources(DpiScale scale) {
  SetLayoutScale(scale);
  // The ready images were cut from the old skins, whose handles may be reused.
  tabImages_.Clear();
  m_hSkin0DC = tab_skin::LoadSkin(skin0Artwork_, tab_skin::kSkin0, scale);
  m_hSkin1DC = tab_skin::LoadSkin(skin1Artwork_, tab_skin::kSkin1, scale);
  // The stock font's face and attributes, at the strip's dpi.
  LOGFONTW lf{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfHeight = scale.Px(kCaptionFontDesignHeight);
  lf.lfWidth = 0;
  lf.lfWeight = 100;
  m_hFont.reset(CreateFontIndirectW(&lf));
  lf.lfWeight = 700;
  m_hBoldFont.reset(CreateFontIndirectW(&lf));
}

int uTab::StripHeight() const {
  return Scaled(m_TabStyle == 0 ? tab_skin::kCompact.height : tab_skin::kRounded.height);
}

void uTab::OnDpiChanged() {
  MakeDrawingResources(Window::Scale());
  OnResize();
}

uTab::~uTab() {
  c_Subclass.ssc_Terminate();
  life_.End();
  toolTip_.reset();
  Destroy();
  if (m_TabItems) {
    m_TabItems->SetTab({});
    m_TabItems.reset();
  }
}

void uTab::ReadProperties(const PropertyBag& bag) {
  m_TabStyle = static_cast<std::int32_t>(bag.ReadInt("TabStyle", kDefaultTabStyle));
  m_TabLeftSize = static_cast<std::int32_t>(bag.ReadInt("TabLeftSize", kDefaultTabLeftSize));
  m_TabRightSize = static_cast<std::int32_t>(bag.ReadInt("TabRightSize", kDefaultTabRightSize));
}

void uTab::WriteProperties(PropertyBag& bag) const {
  // Always written, also when equal to the default.
  bag.Set("TabStyle", static_cast<std::int64_t>(m_TabStyle));
  bag.Set("TabLeftSize", static_cast<std::int64_t>(m_TabLeftSize));
  bag.Set("TabRightSize", static_cast<std::int64_t>(m_TabRightSize));
}

void uTab::OnWindowDestroyed() {
  m_lHotIndex = -1;
  m_lHotState = 0;
  accessible_.Disconnect();
  vorn2::Control::OnWindowDestroyed();
}

void uTab::OnCreated() {
  if (Window::Scale() != LayoutScale()) MakeDrawingResources(Window::Scale());
  OnResize();
}

void uTab::SethContainerWnd(HWND NewValue) {
  SetContainer(I(NewValue));
  if (!NewValue) return;
  // Our windows are Unicode: take their own flavour so no text is converted.
  bool unicode = true;
  c_Subclass.ssc_Subclass(NewValue, 0, 1, true, unicode, false);
  c_Subclass.ssc_AddMsg(NewValue, WM_SIZE, CSubclass::MSG_AFTER);
}

void uTab::SetToolTipText(const std::string& text) {
  toolTipText_ = text;
  if (!Exists()) return;
  std::wstring wide = W(text);
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = hWnd();
  ti.uId = reinterpret_cast<UINT_PTR>(hWnd());
  ti.lpszText = wide.data();
  if (!toolTip_) {
    if (text.empty()) return;
    // Not a known library: taken from the system folder, on the first tooltip.
    const CommonControlsFunctions* controls = CommonControls();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    if (!controls) return;
    controls->InitCommonControlsEx(&icc);
    toolTip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hWnd(), nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    if (!toolTip_) return;
    SendMessageW(toolTip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    return;
  }
  SendMessageW(toolTip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void uTab::RelayToToolTip(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!toolTip_) return;
  MSG m{hWnd(), msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
  GetCursorPos(&m.pt);
  SendMessageW(toolTip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

// --- Window side of the core ------------------------------------------------

std::int32_t uTab::ClientWidth() const {
  if (!Exists()) return 0;
  RECT rc{};
  GetClientRect(hWnd(), &rc);
  return rc.right - rc.left;
}

WindowHandle uTab::OwnWindow() const { return I(hWnd()); }

WindowHandle uTab::ParentWindow() const {
  if (!Exists()) return 0;
  return I(GetAncestor(hWnd(), GA_ROOT));
}

void uTab::AdoptForm(WindowHandle form) {
  HWND window = H(form);
  HWND container = hContainerWndHandle();
  RECT rc{};
  GetClientRect(container, &rc);
  // A child before it moves: a top-level window that changes its parent is
  // activated, which would take the foreground from whoever has it.
  mdlTabAPI::ModifyStyle(window, GWL_STYLE, WS_CAPTION | WS_THICKFRAME, WS_CHILD, SWP_FRAMECHANGED);
  SetParent(window, container);
  Window::TakeParentScale(window);
  SetWindowPos(window, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
}

void uTab::PlaceSelectedForm(WindowHandle form) {
  RECT rc{};
  GetClientRect(hContainerWndHandle(), &rc);
  SetWindowPos(H(form), HWND_TOP, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void uTab::TrackMouseLeave() {
  if (Exists()) c_Subclass.TrackMouseTracking(hWnd());
}

// --- Buffers and drawing ----------------------------------------------------

void uTab::CreateBuffers() {
  FreeBuffers();
  const int w = ClientWidth();
  const int h = StripHeight();
  m_hFinalDC.reset(mdlTabAPI::CreateMemDC(w, h));
  m_hBackDC.reset(mdlTabAPI::CreateMemDC(w, h));
  m_hTabsDC.reset(mdlTabAPI::CreateMemDC(TabAreaWidth(), h));
}

void uTab::FreeBuffers() {
  m_hFinalDC.reset();
  m_hBackDC.reset();
  m_hTabsDC.reset();
}

void uTab::OnResize() {
  if (!Exists() || resizing_) return;
  resizing_ = true;
  RECT rc{};
  GetClientRect(hWnd(), &rc);
  if (rc.bottom - rc.top != StripHeight()) {
    RECT win{};
    GetWindowRect(hWnd(), &win);
    SetWindowPos(hWnd(), nullptr, 0, 0, win.right - win.left, StripHeight() + (win.bottom - win.top) - rc.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  try {
    CreateBuffers();
  } catch (const TabDrawError&) {
    // A buffer that could not be made is missing: drawing into it does nothing.
    VORN2_TRACE_CAUGHT();
  }
  CalcItemWidth();
  LayoutItems();
  RedrawAll();
  resizing_ = false;
}

void uTab::PaintBackground() {
  const int w = ClientWidth();
  const int h = StripHeight();
  bool skip = false;
  Raise(events_.OnDrawBackground, reinterpret_cast<std::uintptr_t>(m_hBackDC.get()), w, h, skip);
  if (skip || !m_hBackDC) return;
  const tab_skin::StyleMetrics m = tab_skin::MetricsFor(m_TabStyle, LayoutScale());
  HDC skin = m_TabStyle == 0 ? m_hSkin0DC.get() : m_hSkin1DC.get();
  StretchBlt(m_hBackDC.get(), 0, 0, w, m.height, skin, 0, 0, Scaled(1), m.backSrcHeight, SRCCOPY);
}


void uTab::DrawOneTab(std::int32_t index, bool selected) {
  const tab_skin::StyleMetrics m = tab_skin::MetricsFor(m_TabStyle, LayoutScale());
  HDC skin = m_TabStyle == 0 ? m_hSkin0DC.get() : m_hSkin1DC.get();
  const std::shared_ptr<CTabItem> item = m_TabItems->Item(index);
  const int left = item->Left();
  const int width = item->Width();
  const int srcX = selected ? m.srcSelected : (index == m_lHotIndex ? m.srcHover : m.srcNormal);
  const int imageX = left - m.imageLeftExtra, imageWidth = width + m.imageLeftExtra;
  if (!tabImages_.DrawNineSlice(m_hTabsDC.get(), imageX, 0, imageWidth, m.imageHeight, skin, srcX, 0, m.imageSrcWidth,
                                m.imageSrcHeight, m.margin, 0, m.margin, 0, mdlTabAPI::kTransparentKey)) {
    try {
      mdlTabAPI::NineSliceBlt(m_hTabsDC.get(), imageX, 0, imageWidth, m.imageHeight, skin, srcX, 0, m.imageSrcWidth,
                              m.imageSrcHeight, m.margin, 0, m.margin, 0, mdlTabAPI::kTransparentKey);
    } catch (const TabDrawError&) {
      // No temporary buffer: this tab goes without its image.
    }
  }
  const bool button = !item->HideButton();
  const int captionWidth = selected ? (button ? m.captionSelected : m.captionSelectedNoButton)
                                    : (button ? m.captionOther : m.captionOtherNoButton);
  DrawCaption(m_hTabsDC.get(), item->Caption(), left + m.captionDx, 0, width - captionWidth, m.captionHeight);
  if (!button) return;
  int glyph = selected ? m.glyphSelected : m.glyphOther;
  if (index == m_lHotIndex && m_lHotState == 2) glyph = m.glyphPressed;
  else if (index == m_lHotIndex && m_lHotState == 1) glyph = m.glyphHot;
  const int glyphX = left + width - m.glyphDx;
  if (!tabImages_.DrawTransparent(m_hTabsDC.get(), glyphX, m.glyphY, m.glyphSize, m.glyphSize, skin, glyph, 0,
                                  mdlTabAPI::kTransparentKey))
    mdlTabAPI::TransBlt(m_hTabsDC.get(), glyphX, m.glyphY, m.glyphSize, m.glyphSize, skin, glyph, 0, mdlTabAPI::kTransparentKey);
}

void uTab::PaintTabs(bool bPaint) {
  const int w = ClientWidth();
  const int h = StripHeight();
  const int area = TabAreaWidth();
  HDC tabs = m_hTabsDC.get();
  SetBkMode(tabs, TRANSPARENT);
  const SelectGuard normalFont(tabs, m_hFont.get());
  SetTextColor(tabs, 0x00000000);
  BitBlt(tabs, 0, 0, area, h, m_hBackDC.get(), LeftBand(), 0, SRCCOPY);
  const std::int32_t count = m_TabItems->Count();
  for (std::int32_t i = count - 1; i >= 0; --i) {
    if (i != m_Selected) DrawOneTab(i, false);
  }
  const SelectGuard boldFont(tabs, m_hBoldFont.get());
  SetTextColor(tabs, 0x00A36004);
  if (m_Selected >= 0 && m_Selected < count) DrawOneTab(m_Selected, true);
  BitBlt(m_hFinalDC.get(), 0, 0, w, h, m_hBackDC.get(), 0, 0, SRCCOPY);
  BitBlt(m_hFinalDC.get(), LeftBand(), 0, area, h, tabs, 0, 0, SRCCOPY);
  if (bPaint && Exists()) {
    const WindowDC dc(hWnd());
    PaintWindow(dc.get());
  }
  accessible_.Announce();
}

void uTab::DrawCaption(HDC dc, const std::string& text, int x, int y, int width, int height) {
  const std::wstring wide = W(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  if (size.cx > width) {
    const int top = y + static_cast<int>(RoundHalfEven((height - size.cy) / 2.0));
    mdlTabAPI::DrawTextRect(dc, wide, -1, x, top, width, height, DT_END_ELLIPSIS);
  } else {
    mdlTabAPI::DrawTextRect(dc, wide, -1, x, y, width, height, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

void uTab::PaintWindow(HDC dc) {
  if (m_hFinalDC) BitBlt(dc, 0, 0, ClientWidth(), StripHeight(), m_hFinalDC.get(), 0, 0, SRCCOPY);
}

// --- Messages ---------------------------------------------------------------

void uTab::OnPaint(HDC dc) { PaintWindow(dc); }

void uTab::WindowProc(bool bBefore, bool&, LRESULT&, HWND window, UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
  if (!bBefore && uMsg == WM_SIZE && window != hWnd()) ShowSelectedForm();
}

LRESULT uTab::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      RelayToToolTip(msg, wParam, lParam);
      break;
    default:
      break;
  }
  const float x = static_cast<float>(GET_X_LPARAM(lParam));
  const float y = static_cast<float>(GET_Y_LPARAM(lParam));
  switch (msg) {
    case WM_SIZE:
      OnResize();
      return 0;
    case WM_ERASEBKGND:
      // Nothing erased: WM_PAINT copies the whole composed buffer.
      return 0;
    case WM_MOUSELEAVE:
      // The host may destroy the strip in OnMouseLeave: nothing of it is
      // touched afterwards (the default answer is 0 as well).
      MouseLeave();
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(MouseButtonsHeld(wParam), ShiftKeysDown(), x, y);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      // Like a form engine's control: the mouse stays ours while a button is down.
      SetCapture(hWnd());
      const std::int16_t button = (msg == WM_LBUTTONDOWN) ? kButtonLeft
                                  : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) ? kButtonRight
                                                                                       : kButtonMiddle;
      MouseDown(button, ShiftKeysDown(), x, y);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      SetCapture(hWnd());
      DblClick();
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && GetCapture() == hWnd()) ReleaseCapture();
      const std::int16_t button = msg == WM_LBUTTONUP ? kButtonLeft : msg == WM_RBUTTONUP ? kButtonRight
                                                                                          : kButtonMiddle;
      MouseUp(button, ShiftKeysDown(), x, y);
      return 0;
    }
    case WM_GETOBJECT:
      if (const std::optional<LRESULT> object = accessible_.Answer(wParam, lParam)) return *object;
      break;
    case WM_DESTROY:
      toolTip_.reset();  // before the system takes it with its owner
      break;
    default:
      break;
  }
  return vorn2::Control::WndProc(msg, wParam, lParam);
}

}  // namespace vorn2
