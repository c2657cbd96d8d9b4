#include "controls/win/iButton.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "framework/win/Input.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

constexpr std::uint32_t kSurfaceBackColor = 0x80000000u | COLOR_WINDOW;
constexpr std::uint32_t kMaskKey = 0x00FF00FF;  // magenta, as DIB pixel and as COLORREF

std::map<UINT_PTR, iButton*>& PollTimers() {
  static std::map<UINT_PTR, iButton*> timers;
  return timers;
}

// A region of the pixels that are not the key colour, row by row.
UniqueRegion RegionFromPixels(const std::uint32_t* bits, int width, int height) {
  std::vector<RECT> runs;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = bits + static_cast<std::size_t>(y) * width;
    int x = 0;
    while (x < width) {
      while (x < width && (row[x] & 0xFFFFFF) == kMaskKey) ++x;
      const int start = x;
      while (x < width && (row[x] & 0xFFFFFF) != kMaskKey) ++x;
      if (x > start) runs.push_back(RECT{start, y, x, y + 1});
    }
  }
  std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = static_cast<DWORD>(runs.size());
  header->nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
  header->rcBound = RECT{0, 0, width, height};
  if (!runs.empty()) std::memcpy(data.data() + sizeof(RGNDATAHEADER), runs.data(), runs.size() * sizeof(RECT));
  return UniqueRegion(
      ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data())));
}

// The disabled look: every pixel but the key colour pulled towards light grey.
void WashOut(std::uint32_t* bits, int width, int height) {
  GdiFlush();
  for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
    const std::uint32_t v = bits[i] & 0xFFFFFF;
    if (v == kMaskKey) continue;
    const unsigned r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
    const unsigned grey = 128 + (r * 30 + g * 59 + b * 11) / 200;
    bits[i] = (grey << 16) | (grey << 8) | grey;
  }
}

// A palette from the system's on palette displays (256 colours), else null.
UniquePalette SystemPaletteIfAny(HDC screen) {
  if (!(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) || GetDeviceCaps(screen, SIZEPALETTE) != 256) return {};
  std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
  auto* logPalette = reinterpret_cast<LOGPALETTE*>(buffer.data());
  logPalette->palVersion = 0x300;
  logPalette->palNumEntries = 256;
  GetSystemPaletteEntries(screen, 0, 256, logPalette->palPalEntry);
  return UniquePalette(CreatePalette(logPalette));
}

}  // namespace

COLORREF OleColorToColorRef(std::uint32_t color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0xFFFFFF;
}

iButton::iButton() : logic_(*this) {}

iButton::~iButton() {
  life_.End();
  StopLeavePoll();
  Destroy();
  frames_.clear();
  backPicture_.reset();
}

void iButton::OnCreated() {
  SetBackColor(OleColorToColorRef(kSurfaceBackColor));
  SetAutoRedraw(true);
  if (!enabled_) EnableWindow(hWnd(), FALSE);
  logic_.OnCreated();
}

// --- properties -----------------------------------------------------------

void iButton::SetcDrawMode(std::int16_t mode) {
  drawMode_ = mode;
  logic_.Repaint();
  MarkChanged("cDrawMode");
}

void iButton::SetcFont(const FontDesc& font) {
  font_ = font;
  hfont_.reset();
  logic_.Repaint();
  MarkChanged("cFont");
}

void iButton::SetcForeColor(std::uint32_t color) {
  foreColor_ = color;
  logic_.Repaint();
  MarkChanged("cForeColor");
}

void iButton::SetAutoSize(bool autoSize) {
  logic_.SetAutoSize(autoSize);
  MarkChanged("AutoSize");
}

void iButton::SetStyle(std::int32_t style) {
  logic_.SetStyle(style);
  MarkChanged("Style");
}

void iButton::SetBackPicture(PicturePtr picture) {
  backPicture_ = std::move(picture);
  logic_.CutStrip();
  MarkChanged("BackPicture");
}

void iButton::SetIcon(PicturePtr picture) {
  icon_ = std::move(picture);
  MarkChanged("Icon");
}

void iButton::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (Exists()) EnableWindow(hWnd(), enabled ? TRUE : FALSE);
  logic_.ForcedRepaint();
  MarkChanged("Enabled");
}

void iButton::SetcBackStyle(std::int16_t style) {
  backStyle_ = style;
  logic_.Repaint();
  MarkChanged("cBackStyle");
}

void iButton::SetCaption(std::string caption) {
  logic_.SetCaption(std::move(caption));
  MarkChanged("Caption");
}

PicturePtr iButton::Image() const {
  const DrawingSurface& s = Surface();
  return Picture::FromDC(s.hdc(), 0, 0, s.width(), s.height());
}

PicturePtr iButton::Frame(int index) const {
  if (index < 0 || index >= static_cast<int>(frames_.size())) return nullptr;
  return frames_[index];
}

void iButton::ReadProperties(const PropertyBag& bag) {
  backPicture_ = ReadPicture(bag, "BackPicture");
  icon_ = ReadPicture(bag, "Icon");
  enabled_ = bag.ReadBool("Enabled", true);
  if (Exists()) EnableWindow(hWnd(), enabled_ ? TRUE : FALSE);
  backStyle_ = static_cast<std::int16_t>(bag.ReadInt("cBackStyle", 1));
  logic_.LoadCaption(bag.ReadString("Caption", ""));
  logic_.LoadStyle(static_cast<int>(bag.ReadInt("Style", 0)));
  logic_.LoadAutoSize(bag.ReadBool("AutoSize", true));
  foreColor_ = static_cast<std::uint32_t>(bag.ReadInt("cForeColor", foreColor_));
  FontDesc font = font_;
  if (FontDescFromText(bag.ReadString("cFont", FontDescToText(font_)), font)) {
    font_ = font;
    hfont_.reset();
  }
  drawMode_ = static_cast<std::int16_t>(bag.ReadInt("cDrawMode", drawMode_));
}

void iButton::WriteProperties(PropertyBag& bag) const {
  WritePicture(bag, "BackPicture", backPicture_);
  WritePicture(bag, "Icon", icon_);
  bag.WriteBool("Enabled", enabled_, true);
  bag.WriteInt("Style", logic_.Style(), 0);
  bag.WriteInt("cBackStyle", backStyle_, 1);
  bag.WriteString("Caption", logic_.Caption(), "");
  bag.WriteBool("AutoSize", logic_.AutoSize(), true);
  bag.Set("cFont", FontDescToText(font_));
  bag.Set("cDrawMode", static_cast<std::int64_t>(drawMode_));
  bag.Set("cForeColor", static_cast<std::int64_t>(foreColor_));
}

// --- platform for the logic -------------------------------------------------

bool iButton::CursorOverControl() {
  if (!Exists()) return false;
  if (clickForAccessibility_) return true;
  POINT pt;
  if (!GetCursorPos(&pt)) return false;
  return WindowFromPoint(pt) == hWnd();
}

void iButton::SetHandCursor() { SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND))); }

void iButton::SetArrowCursor() { ShowArrowCursor(); }

void iButton::StartLeavePoll() {
  if (pollTimer_) return;
  pollTimer_ = SetTimer(nullptr, 0, 50, &iButton::PollTick);
  if (pollTimer_) PollTimers()[pollTimer_] = this;
}

void iButton::StopLeavePoll() {
  if (!pollTimer_) return;
  KillTimer(nullptr, pollTimer_);
  PollTimers().erase(pollTimer_);
  pollTimer_ = 0;
}

void CALLBACK iButton::PollTick(HWND, UINT, UINT_PTR id, DWORD) {
  auto& timers = PollTimers();
  auto it = timers.find(id);
  if (it == timers.end()) {
    KillTimer(nullptr, id);  // a tick that was already queued for a stopped poll
    return;
  }
  it->second->logic_.OnLeavePollTick();
}

bool iButton::BackPictureSize(double& widthHimetric, double& heightHimetric) {
  if (!backPicture_) return false;
  widthHimetric = backPicture_->Width();
  heightHimetric = backPicture_->Height();
  return true;
}

void iButton::CutFrames(FrameSize frame, int stripFrames, int slots) {
  (void)stripFrames;
  frames_.assign(static_cast<std::size_t>(std::max(slots, 0)), nullptr);
  if (!backPicture_ || frame.width <= 0 || frame.height <= 0) return;
  // Cut in the artwork's pixels, then scaled: every frame gets the same size.
  const DpiScale scale = Scale();
  const int width = scale.Px(frame.width), height = scale.Px(frame.height);
  const WindowDC screen(nullptr);
  for (int i = 0; i < slots; ++i) {
    // Slots whose slice lies beyond the strip get no image of their own.
    if ((i + 1) * frame.width > backPicture_->WidthPixels()) continue;
    const PicturePtr scaled = backPicture_->Scaled(i * frame.width, 0, frame.width, frame.height, width, height);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    const UniqueDC copy(CreateCompatibleDC(screen.get()));
    const UniqueDC source(CreateCompatibleDC(screen.get()));
    if (!scaled || !bitmap || !copy || !source) continue;
    UniquePalette palette = SystemPaletteIfAny(screen.get());
    {
      const SelectGuard copySelected(copy.get(), bitmap.get());
      const SelectGuard paletteSelected(copy.get(), palette.get());
      if (palette) RealizePalette(copy.get());
      const SelectGuard sourceSelected(source.get(), scaled->Handle());
      BitBlt(copy.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    }
    frames_[i] = std::make_shared<Picture>(std::move(bitmap), std::move(palette));
  }
}

void iButton::ResizeTwips(int widthTwips, int heightTwips) {
  if (!Exists()) return;
  const int w = Scale().FromTwips(widthTwips), h = Scale().FromTwips(heightTwips);
  RECT rc;
  GetClientRect(hWnd(), &rc);
  if (rc.right == w && rc.bottom == h) return;  // also ends the resize -> resize loop
  SetWindowPos(hWnd(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT iButton::CaptionFont() {
  if (hfont_) return hfont_.get();
  LOGFONTW lf{};
  lf.lfHeight = Scale().FontHeight(font_.sizePoints);
  lf.lfWeight = font_.weight;
  lf.lfItalic = font_.italic;
  lf.lfUnderline = font_.underline;
  lf.lfStrikeOut = font_.strikethrough;
  lf.lfCharSet = static_cast<BYTE>(font_.charset);
  const std::wstring face = W(font_.name);
  wcsncpy_s(lf.lfFaceName, face.c_str(), _TRUNCATE);
  hfont_.reset(CreateFontIndirectW(&lf));
  return hfont_.get();
}

void iButton::OnDpiChanged() {
  // A font for the new dpi, the strip cut again (the control takes the new
  // frame size) and the face painted again.
  hfont_.reset();
  logic_.CutStrip();
}

void iButton::ApplyShape(UniqueRegion shape) {
  if (!Exists()) return;
  if (!shape) {
    if (shaped_) SetWindowRgn(hWnd(), nullptr, TRUE);
    shaped_ = false;
    return;
  }
  if (shaped_ && shapeCopy_ && EqualRgn(shape.get(), shapeCopy_.get())) return;
  if (!shapeCopy_) shapeCopy_.reset(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(shapeCopy_.get(), shape.get(), nullptr, RGN_COPY);
  // The system owns the region once the window has it.
  if (SetWindowRgn(hWnd(), shape.get(), TRUE)) (void)shape.detach();
  shaped_ = true;
}

void iButton::Paint(int state, FrameChoice frame) {
  if (!Exists()) return;
  DrawingSurface& surface = Surface();
  HDC dc = surface.hdc();
  if (!dc) return;
  surface.Clear(OleColorToColorRef(kSurfaceBackColor));
  const int wpx = surface.width(), hpx = surface.height();
  const DpiScale scale = Scale();

  SelectGuard fontSelected(dc, CaptionFont());
  const std::wstring text = W(logic_.Caption());
  SIZE extent{0, 0};
  if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  else {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    extent.cy = tm.tmHeight;
  }
  const double iconWidth = icon_ ? IconWidthTwips(icon_->Width()) : 0;
  const ButtonLayout layout =
      LayoutButton(scale.ToTwipsExact(wpx), scale.ToTwipsExact(hpx), scale.ToTwipsExact(extent.cx),
                   scale.ToTwipsExact(extent.cy), icon_ != nullptr, iconWidth, state);

  const PicturePtr picture = Frame(frame.index);
  UniqueRegion shape;
  if (picture) {
    const UniqueDC source(CreateCompatibleDC(dc));
    {
      const SelectGuard selected(source.get(), picture->Handle());
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, 0, 0, wpx, hpx, source.get(), 0, 0, picture->WidthPixels(), picture->HeightPixels(), SRCCOPY);
    }
    if (frame.greyed) WashOut(surface.bits(), wpx, hpx);
    if (backStyle_ != 0) {
      if (const PicturePtr icon = icon_ ? icon_->Scaled(scale) : nullptr) {
        const SelectGuard selected(source.get(), icon->Handle());
        GdiTransparentBlt(dc, scale.FromTwips(layout.iconX), 0, icon->WidthPixels(), icon->HeightPixels(),
                          source.get(), 0, 0, icon->WidthPixels(), icon->HeightPixels(), kMaskKey);
      }
    } else {
      GdiFlush();
      shape = RegionFromPixels(surface.bits(), wpx, hpx);
    }
  }
  ApplyShape(std::move(shape));

  if (!text.empty()) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, OleColorToColorRef(foreColor_));
    TextOutW(dc, scale.FromTwips(layout.captionX), scale.FromTwips(layout.captionY), text.c_str(),
             static_cast<int>(text.size()));
  }
  fontSelected.reset();
  SetROP2(dc, drawMode_);
  Refresh();
}

void iButton::DrawFocusRect() {
  if (!Exists() || !Surface().hdc()) return;
  RECT rc;
  GetClientRect(hWnd(), &rc);
  const PixelRect r = FocusRectangle(rc.right, rc.bottom);
  RECT focus{r.left, r.top, r.right, r.bottom};
  ::DrawFocusRect(Surface().hdc(), &focus);
  Refresh();
}

void iButton::OnWindowDestroyed() {
  accessible_.Disconnect();
  shaped_ = false;
  shapeCopy_.reset();
  tag_.clear();
  releasingCapture_ = false;
  logic_.OnWindowGone();
  Control::OnWindowDestroyed();
}

void iButton::FirstShow() {
  if (!tag_.empty()) return;
  tag_.assign(1, '1');  // first, so the paint that cutting causes does not come back here
  logic_.CutStrip();
}

// --- messages -----------------------------------------------------------

LRESULT iButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const float x = static_cast<float>(Scale().ToTwipsExact(GET_X_LPARAM(lParam)));
  const float y = static_cast<float>(Scale().ToTwipsExact(GET_Y_LPARAM(lParam)));
  std::int16_t button = 0;
  switch (msg) {
    case WM_MOUSEMOVE:
      logic_.OnMouseMove(MouseButtonsHeld(wParam), ShiftKeysDown(), x, y);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      button = msg == WM_LBUTTONDOWN ? kButtonLeft : msg == WM_RBUTTONDOWN ? kButtonRight : kButtonMiddle;
      const LifeWatch life = life_.Watch();
      if (GetFocus() != hWnd()) SetFocus(hWnd());
      if (!life.Alive() || !Exists()) return 0;
      SetCapture(hWnd());
      logic_.OnMouseDown(button, ShiftKeysDown(), x, y);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      button = msg == WM_LBUTTONUP ? kButtonLeft : msg == WM_RBUTTONUP ? kButtonRight : kButtonMiddle;
      if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && GetCapture() == hWnd()) {
        releasingCapture_ = true;  // our own release ends nothing early
        ReleaseCapture();
        releasingCapture_ = false;
      }
      logic_.OnMouseUp(button, ShiftKeysDown(), x, y);
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      button = msg == WM_LBUTTONDBLCLK ? kButtonLeft : msg == WM_RBUTTONDBLCLK ? kButtonRight : kButtonMiddle;
      SetCapture(hWnd());
      logic_.OnDoubleClick(button);
      return 0;
    case WM_CAPTURECHANGED:
      if (!releasingCapture_ && reinterpret_cast<HWND>(lParam) != hWnd()) logic_.OnCaptureLost();
      return 0;
    case WM_CANCELMODE:
      logic_.OnCaptureLost();
      if (GetCapture() == hWnd()) ReleaseCapture();
      return 0;
    case WM_KEYDOWN:
      logic_.OnKeyDown(static_cast<std::int16_t>(wParam), ShiftKeysDown());
      return 0;
    case WM_KEYUP:
      logic_.OnKeyUp(static_cast<std::int16_t>(wParam), ShiftKeysDown());
      return 0;
    case WM_CHAR:
      logic_.OnChar(static_cast<std::int16_t>(wParam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      logic_.OnFocusEnter();
      return 0;
    case WM_KILLFOCUS:
      logic_.OnFocusExit();
      return 0;
    case WM_SETCURSOR:
      // The control sets its own cursor on every move over it.
      if (LOWORD(lParam) == HTCLIENT) return TRUE;
      break;
    case WM_SIZE: {
      const LRESULT r = Control::WndProc(msg, wParam, lParam);
      logic_.OnResize();
      return r;
    }
    case WM_PAINT:
      // The first paint is the first show: it comes after the host has set
      // the control up (design data included), unlike WM_SHOWWINDOW, which
      // a visible child already gets while it is created.
      if (tag_.empty() && IsWindowVisible(hWnd())) FirstShow();
      break;
    case WM_GETOBJECT:
      if (const std::optional<LRESULT> object = accessible_.Answer(wParam, lParam)) return *object;
      break;
    case WM_DESTROY:
      StopLeavePoll();
      break;
    default:
      break;
  }
  return Control::WndProc(msg, wParam, lParam);
}

// --- accessibility --------------------------------------------------------

void iButton::SetAccessibleName(std::string name) {
  const std::string before = AccessibleName();
  accessibleName_ = std::move(name);
  if (AccessibleName() != before && Exists()) AnnounceAccessible(hWnd(), EVENT_OBJECT_NAMECHANGE);
}

AccessibleInfo iButton::AccessibleDescription() const {
  const bool link = accessibleRole_ == ROLE_SYSTEM_LINK;
  AccessibleInfo info{accessibleRole_, AccessibleName(), link ? STATE_SYSTEM_LINKED : 0,
                      link ? kActionJump : kActionPress};
  if (logic_.Hovering()) info.state |= STATE_SYSTEM_HOTTRACKED;
  if (logic_.DrawnState() == kButtonPressed) info.state |= STATE_SYSTEM_PRESSED;
  return info;
}

void iButton::ClickForAccessibility() {
  if (!Exists()) return;
  RECT rc;
  GetClientRect(hWnd(), &rc);
  const LifeWatch life = life_.Watch();
  clickForAccessibility_ = true;
  ClickAsMouse(hWnd(), POINT{rc.right / 2, rc.bottom / 2});
  if (!life.Alive()) return;
  clickForAccessibility_ = false;
  // The pointer is elsewhere: the button shows what it shows for that.
  logic_.cMouseAction(logic_.DerivedState(), false);
}

}  // namespace vorn2
