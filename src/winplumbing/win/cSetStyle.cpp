#include "winplumbing/win/cSetStyle.h"

#include "framework/Notify.h"
#include "framework/win/Screen.h"
#include "winplumbing/ModGetTaskbarHei.h"

namespace vorn2 {

namespace {

HCURSOR CursorForPointer(int code) {
  LPCWSTR id = IDC_ARROW;
  switch (code) {
    case 6: id = IDC_SIZENESW; break;
    case 7: id = IDC_SIZENS; break;
    case 8: id = IDC_SIZENWSE; break;
    case 9: id = IDC_SIZEWE; break;
    default: break;
  }
  return LoadCursorW(nullptr, id);
}

}  // namespace

class cSetStyle::Host final : public setstyle::SetStyleHost {
 public:
  explicit Host(cSetStyle& owner) : o_(owner) {}

  void CursorPos(int& x, int& y) override {
    POINT pt{};
    GetCursorPos(&pt);
    x = pt.x;
    y = pt.y;
  }
  setstyle::Rect WindowRect() override {
    RECT rc{};
    GetWindowRect(o_.Target(), &rc);
    return {rc.left, rc.top, rc.right, rc.bottom};
  }
  void AcquireScreenDC() override {
    if (!o_.screenDC_) o_.screenDC_ = WindowDC(nullptr);
  }
  void DrawFocusRect(const setstyle::Rect& r) override {
    if (!o_.screenDC_) return;
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::DrawFocusRect(o_.screenDC_.get(), &rc);
  }
  void ReleaseScreenDC() override { o_.screenDC_.reset(); }
  void MoveWindow(const setstyle::Rect& r) override {
    ::MoveWindow(o_.Target(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  void SetMousePointer(int code) override {
    o_.pointer_ = code;
    SetCursor(CursorForPointer(code));
  }
  void Capture(bool on) override {
    if (on) SetCapture(o_.Target());
    else if (GetCapture() == o_.Target()) ReleaseCapture();
  }
  setstyle::Bounds FormBounds() override {
    RECT rc{};
    GetWindowRect(o_.Target(), &rc);
    return {PixelsToTwipsX(rc.left), PixelsToTwipsY(rc.top), PixelsToTwipsX(rc.right - rc.left),
            PixelsToTwipsY(rc.bottom - rc.top)};
  }
  void MoveForm(const setstyle::Bounds& b) override {
    ::MoveWindow(o_.Target(), TwipsToPixelsX(b.left), TwipsToPixelsY(b.top), TwipsToPixelsX(b.width),
                 TwipsToPixelsY(b.height), TRUE);
  }
  bool IsMinimised() override { return IsIconic(o_.Target()) != FALSE; }
  int ScreenWidthTwips() override { return PixelsToTwipsX(ScreenSizePixels().cx); }
  int ScreenHeightTwips() override { return PixelsToTwipsY(ScreenSizePixels().cy); }
  int TaskbarHeightTwips() override { return ModGetTaskbarHei(); }
  setstyle::MinSize MinTrackSize() override {
    return {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  }

  bool RaiseCloseClick() override { return RaiseWatched([](cSetStyle& s) { Raise(s.events_.CloseClick); }); }
  bool RaiseSettingChange() override {
    return RaiseWatched([](cSetStyle& s) { Raise(s.events_.SettingChange); });
  }
  bool RaiseMouseSize(int zone) override {
    return RaiseWatched([zone](cSetStyle& s) { Raise(s.events_.MouseSize, zone); });
  }

 private:
  template <class F>
  bool RaiseWatched(F raise) {
    const LifeWatch life = o_.life_.Watch();
    raise(o_);
    return life.Alive();
  }
  cSetStyle& o_;
};

cSetStyle::cSetStyle()
    : host_(std::make_unique<Host>(*this)), core_(*host_), objSubclass_(std::make_unique<cFormSubclass>()) {
  objSubclass_->Events().MsgCome = [this](bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& hWnd, UINT& uMsg,
                                 WPARAM& wParam, LPARAM& lParam) {
    OnMsg(bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam);
  };
}

cSetStyle::~cSetStyle() {
  life_.End();
  if (screenDC_ && core_.Dragging()) {
    // Gone mid-drag: take the rubber band off the screen.
    const setstyle::Rect& r = core_.Drawn();
    RECT rc{r.left, r.top, r.right, r.bottom};
    ::DrawFocusRect(screenDC_.get(), &rc);
  }
  screenDC_.reset();
  if (core_.Dragging() && GetCapture() == Target()) ReleaseCapture();
  objSubclass_->DeleteWindowMsg(hWnd_);
  objSubclass_.reset();
}

HWND cSetStyle::Target() const { return hWnd_ ? hWnd_ : (form_ ? form_->hWnd() : nullptr); }

void cSetStyle::SetWindowStyle(HWND hWnd) {
  hWnd_ = hWnd;
  const LONG_PTR visible = GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_VISIBLE;
  SetWindowLongPtrW(hWnd, GWL_STYLE, static_cast<LONG_PTR>(WS_SYSMENU | WS_MINIMIZEBOX) | visible);
  SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  objSubclass_->AddWindowMsgs(hWnd);
}

bool cSetStyle::CallWindowStateChange() { return core_.CallWindowStateChange(); }

void cSetStyle::OnMsg(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam,
                      LPARAM lParam) {
  if (!bBefore) return;
  // The form's mouse pointer holds over its own client area until changed.
  if (uMsg == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == hWnd && LOWORD(lParam) == HTCLIENT) {
    SetCursor(CursorForPointer(pointer_));
    bHandled = true;
    lReturn = TRUE;
    return;
  }
  core_.OnMessage(uMsg, wParam);
}

}  // namespace vorn2
