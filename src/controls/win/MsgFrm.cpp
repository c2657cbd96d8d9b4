#include "controls/win/MsgFrm.h"

#include <cstdint>
#include <string>

#include "framework/PropertyBag.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"

namespace vorn2 {
namespace {

constexpr int kClientWidthTwips = 3630;  // 242 x 140 px at 96 dpi
constexpr int kClientHeightTwips = 2100;
constexpr TwipsRect kBForm1{0, 0, kClientWidthTwips, 495};
constexpr int kClosebtnFromRight = 730;  // its left edge, from the dialog's width
constexpr TwipsRect kClosebtn{kClientWidthTwips - kClosebtnFromRight, 15, 645, 270};
constexpr TwipsRect kLabel1{360, 840, 3135, 615};
constexpr TwipsRect kIButton1{840, 1320, 975, 375};
constexpr TwipsRect kIButton2{2040, 1320, 975, 375};
constexpr int kCornerEllipse = 4;
constexpr std::int64_t kBarBackColor = 0x00DEDEDE;
// Black: the small Chinese glyphs are drawn smoothed, and any lighter colour
// turns them pale on the white dialog and on the light button frames.
constexpr COLORREF kTextColor = RGB(0, 0, 0);

FormDesign MsgDesign() {
  FormDesign d;
  d.className = L"Vorn2MsgFrm";
  d.caption = MsgFrm::QuestionText();
  d.style = WS_POPUP | WS_CLIPCHILDREN;
  d.clientWidthTwips = kClientWidthTwips;
  d.clientHeightTwips = kClientHeightTwips;
  d.startUp = StartUpPosition::CenterScreen;
  d.showInTaskbar = false;
  d.appIcon = false;
  d.autoRedraw = true;
  d.backColor = RGB(255, 255, 255);
  return d;
}

// Design data of "是" and "否": the dialog button strip behind the caption.
PropertyBag CaptionedButton(const char* caption) {
  PropertyBag bag;
  bag.Set("BackPicture", std::int64_t{IDB_BTN_DIALOG});
  bag.Set("Caption", std::string(caption));
  bag.Set("cForeColor", std::int64_t{kTextColor});
  return bag;
}

}  // namespace

const char* MsgFrm::QuestionText() { return "窗口即将关闭，确定要退出游戏？"; }

MsgFrm::MsgFrm(IMsgHost& host) : Form(MsgDesign()), host_(host) {}

MsgFrm::~MsgFrm() { Destroy(); }

std::array<ControlPlace, 4> MsgFrm::DesignLayout() {
  // The close button lies on the bar: the bar must not paint over it.
  return {{{bForm1_, kBForm1, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS},
           {closebtn_, kClosebtn},
           {iButton1_, kIButton1},
           {iButton2_, kIButton2}}};
}

void MsgFrm::CreateControls() {
  // The question is a system label, not one of our controls, so not in the
  // table. Made before the buttons, it stays above their top rows, which it
  // overlaps.
  const DeviceRect label = Scale().FromTwips(kLabel1);
  label1_ =
      CreateWindowExW(0, L"STATIC", W(QuestionText()).c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, label.x,
                      label.y, label.width, label.height, hWnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
  SetLabelFont();
  CreateAtDesign(hWnd(), DesignLayout());

  PropertyBag bar;
  bar.Set("BackColor", kBarBackColor);
  bForm1_.ReadProperties(bar);
  // The bar's own drag (frmHwnd) stays off: the dialog drags itself. Only
  // the left button: after any other press the system's move loop would
  // keep the dialog on the pointer until the next left click.
  bForm1_.Events().MouseDown = [this](std::int16_t Button, std::int16_t, float, float) {
    if (Button != 1) return;
    ReleaseCapture();
    SendMessageW(hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  };

  // Later siblings start below earlier ones; this one belongs above the bar.
  SetWindowPos(closebtn_.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  closebtn_.Events().Click = [this] { Answer(false); };
  closebtn_.SetAccessibleName("关闭");

  iButton1_.ReadProperties(CaptionedButton("是"));
  iButton1_.Events().Click = [this] { Answer(true); };
  iButton2_.ReadProperties(CaptionedButton("否"));
  iButton2_.Events().Click = [this] { Answer(false); };
}

void MsgFrm::SetLabelFont() {
  LOGFONTW lf{};
  lf.lfHeight = Scale().FontHeight(9);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = GB2312_CHARSET;
  wcsncpy_s(lf.lfFaceName, W("宋体").c_str(), _TRUNCATE);
  HFONT font = CreateFontIndirectW(&lf);
  SendMessageW(label1_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  labelFont_.reset(font);  // the label no longer uses the old one
}

void MsgFrm::OnDpiChanged() {
  Form::OnDpiChanged();
  if (!bForm1_.Exists()) return;
  // Every control at its design place at the new factor; the buttons have
  // cut their strips again for it.
  MoveToDesign(DesignLayout());
  const DeviceRect label = Scale().FromTwips(kLabel1);
  MoveWindow(label1_, label.x, label.y, label.width, label.height, TRUE);
  SetLabelFont();
  FitBarAndClose();
}

void MsgFrm::OnLoad() {
  CreateControls();
  closebtn_.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_CLOSE));
  bForm1_.SetCaption("Vornhold 2" "客户端");
  FitBarAndClose();
}

void MsgFrm::FitBarAndClose() {
  RECT window;
  GetWindowRect(hWnd(), &window);
  const RECT bar = bForm1_.Bounds();
  bForm1_.Move(bar.left, bar.top, window.right - window.left, bar.bottom - bar.top);
  // The window got its size before its controls existed.
  OnResize();
}

void MsgFrm::OnResize() {
  if (!bForm1_.Exists()) return;
  RECT client;
  GetClientRect(hWnd(), &client);
  const int corner = Scale().Px(kCornerEllipse);
  host_.RectRgn(hWnd(), client.right + 1, client.bottom + 1, corner, corner);
  bForm1_.Printform(*this);
  RECT window;
  GetWindowRect(hWnd(), &window);
  closebtn_.MoveLeftTwips(Scale().ToTwips(window.right - window.left) - kClosebtnFromRight);
}

LRESULT MsgFrm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == label1_) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, kTextColor);
    SetBkColor(dc, BackColor());
    SetDCBrushColor(dc, BackColor());
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
  }
  return Form::WndProc(msg, wParam, lParam);
}

void MsgFrm::Answer(bool m_bExit) {
  // Stored before the dialog goes, so the caller finds it when ShowModal returns.
  host_.SetExitFlag(m_bExit);
  Unload();
}

}  // namespace vorn2
