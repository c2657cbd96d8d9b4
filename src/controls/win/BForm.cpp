#include "controls/win/BForm.h"

#include <windowsx.h>

#include <cmath>

#include "controls/TitleBarLayout.h"
#include "controls/win/iButton.h"
#include "framework/Notify.h"
#include "framework/win/Input.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"

namespace vorn2 {
namespace {

// Copies the skin slices onto a surface, each clipped to skin and surface.
// The skin is scaled by the window's factor, so slices keep their places.
void CopySlices(const std::vector<SkinCopy>& copies, const Picture& skin, DpiScale scale, DrawingSurface& target) {
  HDC dc = target.hdc();
  if (!dc) return;
  const UniqueDC source(CreateCompatibleDC(dc));
  const SelectGuard selected(source.get(), skin.Handle());
  for (const SkinCopy& c : copies) {
    SkinCopy px;
    if (!SkinCopyToPixels(c, scale, skin.WidthPixels(), skin.HeightPixels(), target.width(), target.height(), px)) {
      continue;
    }
    BitBlt(dc, px.dstX, px.dstY, px.width, px.height, source.get(), px.srcX, px.srcY, SRCCOPY);
  }
}

}  // namespace

BForm::BForm() : tag_(kTitleBarDefaultCaption) {}

BForm::~BForm() {
  life_.End();
  Destroy();
}

void BForm::OnCreated() {
  pp_ = Picture::FromBitmapResource(IDB_TITLE_SKIN);
  Window::SetBackColor(OleColorToColorRef(backColor_));
  SetAutoRedraw(true);
  // The bar has one height whatever it was created with.
  RECT rc;
  GetClientRect(hWnd(), &rc);
  SetWindowPos(hWnd(), nullptr, 0, 0, rc.right, Scale().FromTwips(kTitleBarHeightTwips),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PaintBar();
}

void BForm::OnDpiChanged() {
  font_.reset();
  RECT rc;
  GetClientRect(hWnd(), &rc);
  // The height is held to the bar's (WM_WINDOWPOSCHANGING); this repaints.
  SetWindowPos(hWnd(), nullptr, 0, 0, rc.right, rc.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PaintBar();
}

PicturePtr BForm::ScaledSkin() const { return pp_ ? pp_->Scaled(Scale()) : nullptr; }

std::string BForm::BackColor() const { return ColorToText(backColor_); }

void BForm::ApplyBackColor(std::uint32_t color) {
  backColor_ = color;
  Window::SetBackColor(OleColorToColorRef(color));
}

void BForm::SetBackColor(std::string_view New_BackColor) {
  std::uint32_t color = 0;
  if (!ColorFromText(New_BackColor, color)) return;
  ApplyBackColor(color);
  PaintBar();
  changed_.insert("BackColor");
}

void BForm::SetCaption(std::string New_caption) {
  tag_ = std::move(New_caption);
  PaintBar();
  changed_.insert("Caption");
  if (Exists()) AnnounceAccessible(hWnd(), EVENT_OBJECT_NAMECHANGE);
}

void BForm::SetHasLogo(bool vNewValue) {
  hasLogo_ = vNewValue;
  PaintBar();
  changed_.insert("HasLogo");
}

void BForm::SetfrmHwnd(HWND New_frmHwnd) {
  frmHwnd_ = New_frmHwnd;
  changed_.insert("frmHwnd");
}

void BForm::ReadProperties(const PropertyBag& bag) {
  std::uint32_t color = 0;
  if (ColorFromText(bag.ReadString("BackColor", kTitleBarDefaultBackColorText), color)) ApplyBackColor(color);
  tag_ = bag.ReadString("Caption", kTitleBarDefaultCaption);
  PaintBar();
  frmHwnd_ = reinterpret_cast<HWND>(static_cast<INT_PTR>(bag.ReadInt("frmHwnd", 0)));
  hasLogo_ = bag.ReadBool("HasLogo", false);
}

void BForm::WriteProperties(PropertyBag& bag) const {
  bag.WriteInt("BackColor", static_cast<std::int32_t>(backColor_), kTitleBarDefaultBackColor);
  bag.WriteString("Caption", tag_, kTitleBarDefaultCaption);
  bag.WriteInt("frmHwnd", static_cast<std::int64_t>(reinterpret_cast<INT_PTR>(frmHwnd_)), 0);
  bag.Set("HasLogo", hasLogo_);
}

HFONT BForm::TitleFont() {
  if (font_) return font_.get();
  LOGFONTW lf{};
  lf.lfHeight = Scale().FontHeight(9);
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = GB2312_CHARSET;
  wcsncpy_s(lf.lfFaceName, W("宋体").c_str(), _TRUNCATE);
  font_.reset(CreateFontIndirectW(&lf));
  return font_.get();
}

void BForm::PaintBar() {
  if (!Exists()) return;
  DrawingSurface& surface = Surface();
  if (!surface.hdc()) return;
  surface.Clear(OleColorToColorRef(backColor_));
  const DpiScale scale = Scale();
  if (const PicturePtr skin = ScaledSkin()) {
    CopySlices(TitleBarCopies(scale.ToTwips(surface.width()), SkinTwips(pp_->WidthPixels()),
                              SkinTwips(pp_->HeightPixels())),
               *skin, scale, surface);
  }
  if (!tag_.empty()) {
    HDC dc = surface.hdc();
    const TwipsPoint at = TitleCaptionPosition(hasLogo_);
    const SelectGuard fontSelected(dc, TitleFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const std::wstring text = W(tag_);
    TextOutW(dc, scale.FromTwips(at.x), scale.FromTwips(at.y), text.c_str(), static_cast<int>(text.size()));
  }
  Refresh();
}

void BForm::Printform(Window& host) {
  if (!host.Exists()) return;
  if (!host.AutoRedraw()) host.SetAutoRedraw(true);
  DrawingSurface& surface = host.Surface();
  surface.Clear(host.BackColor());
  // The host's scale: the bar's own, since it sits on the host.
  const DpiScale scale = host.Scale();
  if (const PicturePtr skin = pp_ ? pp_->Scaled(scale) : nullptr) {
    CopySlices(WindowFrameCopies(scale.ToTwips(surface.width()), scale.ToTwips(surface.height()),
                                 SkinTwips(pp_->WidthPixels()), SkinTwips(pp_->HeightPixels())),
               *skin, scale, surface);
  }
  host.Refresh();
}

LRESULT BForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const float x = static_cast<float>(Scale().ToTwipsExact(GET_X_LPARAM(lParam)));
  const float y = static_cast<float>(Scale().ToTwipsExact(GET_Y_LPARAM(lParam)));
  switch (msg) {
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOSIZE)) pos->cy = Scale().FromTwips(kTitleBarHeightTwips);
      break;
    }
    case WM_SIZE: {
      const LRESULT r = Control::WndProc(msg, wParam, lParam);
      PaintBar();
      return r;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      const std::int16_t button = (msg == WM_LBUTTONDOWN) ? 1 : (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK) ? 4 : 2;
      const LifeWatch life = life_.Watch();
      ShowArrowCursor();
      if (button == 1) {
        ReleaseCapture();
        // The system moves that window until the button is released.
        if (frmHwnd_ && IsWindow(frmHwnd_)) SendMessageW(frmHwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        if (!life.Alive()) return 0;
        ShowArrowCursor();
      }
      Raise(events_.MouseDown, button, ShiftKeysDown(), x, y);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      Raise(events_.DblClick);
      return 0;
    case WM_GETOBJECT:
      if (const std::optional<LRESULT> object = accessible_.Answer(wParam, lParam)) return *object;
      break;
    case WM_MOUSEMOVE: {
      ShowArrowCursor();
      std::int16_t held = 0;
      if (wParam & MK_LBUTTON) held |= 1;
      if (wParam & MK_RBUTTON) held |= 2;
      if (wParam & MK_MBUTTON) held |= 4;
      Raise(events_.MouseMove, held, ShiftKeysDown(), x, y);
      return 0;
    }
    default:
      break;
  }
  return Control::WndProc(msg, wParam, lParam);
}

}  // namespace vorn2
