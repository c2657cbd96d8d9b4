#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "controls/win/iButton.h"
#include "framework/win/Resources.h"
#include "resource_ids.h"
#include "win/controls/ControlsTestSupport.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using namespace vorn2::test;

namespace {

constexpr COLORREF kRed = RGB(200, 0, 0), kGreen = RGB(0, 200, 0), kBlue = RGB(0, 0, 200);
constexpr COLORREF kYellow = RGB(255, 255, 0), kCyan = RGB(0, 200, 200), kGrey = RGB(90, 90, 90);

POINT Away() { return POINT{3, 3}; }  // the bare desktop: the host sits at 200, 200

struct Counts {
  int click = 0, over = 0, out = 0, dbl = 0, down = 0, up = 0;
  void Attach(iButton& b) {
    b.Events().Click = [this] { ++click; };
    b.Events().MouseOver = [this] { ++over; };
    b.Events().MouseOut = [this] { ++out; };
    b.Events().DBClick = [this] { ++dbl; };
    b.Events().MouseDown = [this](std::int16_t&, std::int16_t&, float&, float&) { ++down; };
    b.Events().MouseUp = [this](std::int16_t&, std::int16_t&, float&, float&) { ++up; };
  }
};

class ButtonOnForm : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCursorPos(Away().x, Away().y);
    ASSERT_TRUE(host.Load());
    host.Show();
    ASSERT_TRUE(button.Create(host.hWnd(), 20, 20, 100, 100));
    counts.Attach(button);
    // The poll's first tick reports the cursor away once; start after it.
    ASSERT_TRUE(PumpUntil([&] { return counts.out == 1; }, 2000));
    counts = Counts{};
  }
  void TearDown() override {
    SetCursorPos(Away().x, Away().y);
    button.Destroy();
    host.Unload();
  }
  COLORREF At(int x, int y) const { return button.Surface().Pixel(x, y); }
  SIZE ClientSize() const {
    RECT rc;
    GetClientRect(button.hWnd(), &rc);
    return SIZE{rc.right, rc.bottom};
  }
  void CursorTo(int x, int y) {
    const POINT pt = ScreenPoint(button.hWnd(), x, y);
    SetCursorPos(pt.x, pt.y);
  }
  void Send(UINT msg, WPARAM wParam, int x = 15, int y = 10) {
    SendMessageW(button.hWnd(), msg, wParam, MAKELPARAM(x, y));
  }

  HostForm host{200, 200, 300, 200};
  iButton button;
  Counts counts;
};

}  // namespace

TEST_F(ButtonOnForm, MouseDrivesTheFramesAndClickIsRaisedOnce) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  EXPECT_EQ(ClientSize().cx, 30);
  EXPECT_EQ(ClientSize().cy, 20);
  EXPECT_EQ(At(15, 10), kRed);

  CursorTo(15, 10);
  Send(WM_MOUSEMOVE, 0);
  EXPECT_EQ(At(15, 10), kGreen);
  EXPECT_EQ(At(0, 0), kGreen);  // stretched over the whole control
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
  EXPECT_EQ(counts.over, 1);
  EXPECT_TRUE(button.LeavePollRunning());

  Send(WM_LBUTTONDOWN, MK_LBUTTON);
  EXPECT_EQ(At(15, 10), kBlue);
  EXPECT_EQ(GetCapture(), button.hWnd());
  Send(WM_LBUTTONUP, 0);
  EXPECT_EQ(counts.click, 1);
  EXPECT_EQ(At(15, 10), kGreen);
  EXPECT_NE(GetCapture(), button.hWnd());

  // What the window shows is the surface (the display catches up
  // asynchronously, the first window of a run takes longest).
  const POINT pt = ScreenPoint(button.hWnd(), 15, 10);
  button.Refresh();
  auto shown = [&] {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, pt.x, pt.y);
    ReleaseDC(nullptr, screen);
    return c;
  };
  EXPECT_TRUE(PumpUntil([&] { return shown() == kGreen; }, 3000)) << std::hex << shown();

  SetCursorPos(Away().x, Away().y);
  ASSERT_TRUE(PumpUntil([&] { return counts.out == 1; }, 2000));
  EXPECT_EQ(At(15, 10), kRed);
  EXPECT_FALSE(button.LeavePollRunning());
  EXPECT_EQ(counts.click, 1);
}

TEST_F(ButtonOnForm, RealInputClicksThroughTheSystem) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  const POINT pt = ScreenPoint(button.hWnd(), 15, 10);
  INPUT in[3] = {};
  for (auto& i : in) i.type = INPUT_MOUSE;
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  in[0].mi.dx = (pt.x * 65535 + sw / 2) / (sw - 1);
  in[0].mi.dy = (pt.y * 65535 + sh / 2) / (sh - 1);
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ASSERT_EQ(SendInput(1, &in[0], sizeof(INPUT)), 1u);
  ASSERT_TRUE(PumpUntil([&] { return counts.over == 1; }, 2000));
  EXPECT_EQ(At(15, 10), kGreen);
  ASSERT_EQ(SendInput(1, &in[1], sizeof(INPUT)), 1u);
  ASSERT_TRUE(PumpUntil([&] { return counts.down == 1; }, 2000));
  EXPECT_EQ(At(15, 10), kBlue);
  ASSERT_EQ(SendInput(1, &in[2], sizeof(INPUT)), 1u);
  ASSERT_TRUE(PumpUntil([&] { return counts.up == 1; }, 2000));
  Pump(100);
  EXPECT_EQ(counts.click, 1);
  EXPECT_EQ(At(15, 10), kGreen);
  EXPECT_EQ(GetFocus(), button.hWnd());  // a press takes the focus
}

TEST_F(ButtonOnForm, PressLeaveReleaseOutsideEndsNormalWithoutClick) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  CursorTo(15, 10);
  Send(WM_MOUSEMOVE, 0);
  Send(WM_LBUTTONDOWN, MK_LBUTTON);
  SetCursorPos(Away().x, Away().y);
  Send(WM_MOUSEMOVE, MK_LBUTTON, -150, 10);  // captured: still ours
  ASSERT_TRUE(PumpUntil([&] { return At(15, 10) == kRed; }, 2000));  // the poll paints normal
  EXPECT_EQ(counts.out, 0);
  CursorTo(15, 10);
  ASSERT_TRUE(PumpUntil([&] { return At(15, 10) == kBlue; }, 2000));  // back over: pressed
  SetCursorPos(Away().x, Away().y);
  Send(WM_LBUTTONUP, 0, -150, 10);
  EXPECT_EQ(counts.click, 0);
  EXPECT_EQ(At(15, 10), kRed);
  ASSERT_TRUE(PumpUntil([&] { return counts.out == 1; }, 2000));
  EXPECT_EQ(counts.click, 0);
}

TEST_F(ButtonOnForm, CaptureTakenAwayEndsThePress) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  CursorTo(15, 10);
  Send(WM_MOUSEMOVE, 0);
  Send(WM_LBUTTONDOWN, MK_LBUTTON);
  ASSERT_EQ(At(15, 10), kBlue);
  SetCapture(host.hWnd());  // another window takes the mouse
  EXPECT_EQ(At(15, 10), kGreen);
  // Back over the button the pressed frame does not return, and a release
  // there that ends a press made elsewhere is no click.
  Pump(150);
  EXPECT_EQ(At(15, 10), kGreen);
  ReleaseCapture();
  Send(WM_LBUTTONUP, 0);
  EXPECT_EQ(counts.click, 0);
  SetCursorPos(Away().x, Away().y);
  ASSERT_TRUE(PumpUntil([&] { return counts.out == 1; }, 2000));
  EXPECT_FALSE(button.LeavePollRunning());
  // The system cancelling the mode does the same; an ordinary click still clicks.
  CursorTo(15, 10);
  Send(WM_MOUSEMOVE, 0);
  Send(WM_LBUTTONDOWN, MK_LBUTTON);
  Send(WM_CANCELMODE, 0, 0, 0);
  EXPECT_NE(GetCapture(), button.hWnd());
  Send(WM_LBUTTONUP, 0);
  EXPECT_EQ(counts.click, 0);
  Send(WM_LBUTTONDOWN, MK_LBUTTON);
  Send(WM_LBUTTONUP, 0);
  EXPECT_EQ(counts.click, 1);
}

TEST_F(ButtonOnForm, RightClickAndDoubleClicks) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  CursorTo(15, 10);
  Send(WM_MOUSEMOVE, 0);
  Send(WM_RBUTTONDOWN, MK_RBUTTON);
  Send(WM_RBUTTONUP, 0);
  EXPECT_EQ(counts.click, 0);
  EXPECT_EQ(counts.down, 1);
  EXPECT_EQ(At(15, 10), kGreen);
  Send(WM_RBUTTONDBLCLK, MK_RBUTTON);
  Send(WM_RBUTTONUP, 0);
  EXPECT_EQ(counts.dbl, 1);
  EXPECT_EQ(At(15, 10), kGreen);  // not a left double click: frame kept
  Send(WM_LBUTTONDOWN, MK_LBUTTON);
  Send(WM_LBUTTONUP, 0);
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON);
  EXPECT_EQ(At(15, 10), kBlue);
  Send(WM_LBUTTONUP, 0);
  EXPECT_EQ(counts.dbl, 2);
  EXPECT_EQ(counts.click, 1);
}

TEST_F(ButtonOnForm, ToggleStripFromTheResourcesShowsTheValueFrames) {
  button.SetStyle(1);
  button.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_MINMAX));
  ASSERT_TRUE(button.BackPicture());
  EXPECT_EQ(ClientSize().cx, 25);  // 150 / 6
  EXPECT_EQ(ClientSize().cy, 18);
  PicturePixels strip(*button.BackPicture());
  auto showsSlice = [&](int slice) {
    for (int x : {2, 12, 22}) {
      for (int y : {3, 9, 15}) {
        if (At(x, y) != strip.at(slice * 25 + x, y)) return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(showsSlice(0));
  button.SetValue(true);
  EXPECT_TRUE(showsSlice(3));
  CursorTo(12, 9);
  Send(WM_MOUSEMOVE, 0);
  EXPECT_TRUE(showsSlice(4));
  Send(WM_LBUTTONDOWN, MK_LBUTTON);
  EXPECT_TRUE(showsSlice(5));
  Send(WM_LBUTTONUP, 0);
  EXPECT_FALSE(button.Value());
  EXPECT_TRUE(showsSlice(1));
  EXPECT_EQ(counts.click, 1);
}

TEST_F(ButtonOnForm, PushStripSlotsBeyondTheStripHaveNoImage) {
  button.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_CLOSE));
  ASSERT_TRUE(button.BackPicture());
  EXPECT_EQ(ClientSize().cx, 43);
  PicturePixels strip(*button.BackPicture());
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(button.Frame(i)) << i;
    PicturePixels frame(*button.Frame(i));
    EXPECT_EQ(frame.width(), 43);
    EXPECT_EQ(frame.at(20, 9), strip.at(i * 43 + 20, 9));
    EXPECT_EQ(frame.at(42, 17), strip.at(i * 43 + 42, 17));
  }
  EXPECT_FALSE(button.Frame(3));
  // Without AutoSize the host's size stays and the frame is stretched.
  button.SetAutoSize(false);
  button.Move(20, 20, 86, 36);
  EXPECT_EQ(ClientSize().cx, 86);
  EXPECT_EQ(At(41, 19), strip.at(20, 9));
  button.SetAutoSize(true);
  EXPECT_EQ(ClientSize().cx, 43);
  button.Move(20, 20, 86, 36);  // the host resizes an auto-sized button: it keeps one frame
  EXPECT_EQ(ClientSize().cx, 43);
  EXPECT_EQ(ClientSize().cy, 18);
}

TEST_F(ButtonOnForm, TransparentStyleShapesTheWindowByTheMagentaMask) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}, 6));
  EXPECT_EQ(GetWindowRgn(button.hWnd(), CreateRectRgn(0, 0, 0, 0)), ERROR);  // opaque: no shape
  button.SetcBackStyle(0);
  button.cMouseAction(button.DrawnState(), true);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(button.hWnd(), rgn), ERROR);
  EXPECT_FALSE(PtInRegion(rgn, 2, 10));
  EXPECT_FALSE(PtInRegion(rgn, 5, 0));
  EXPECT_TRUE(PtInRegion(rgn, 6, 10));
  EXPECT_TRUE(PtInRegion(rgn, 29, 19));
  DeleteObject(rgn);
  // The cut-out part belongs to the form underneath.
  const POINT cut = ScreenPoint(button.hWnd(), 2, 10);
  EXPECT_EQ(WindowFromPoint(cut), host.hWnd());
  const POINT solid = ScreenPoint(button.hWnd(), 15, 10);
  EXPECT_EQ(WindowFromPoint(solid), button.hWnd());

  // The same without AutoSize, over a stretched frame: the mask stretches too.
  button.SetAutoSize(false);
  button.Move(20, 20, 60, 20);
  rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(button.hWnd(), rgn), ERROR);
  EXPECT_FALSE(PtInRegion(rgn, 10, 10));
  EXPECT_TRUE(PtInRegion(rgn, 13, 10));
  DeleteObject(rgn);

  button.SetcBackStyle(1);
  button.cMouseAction(button.DrawnState(), true);
  EXPECT_EQ(GetWindowRgn(button.hWnd(), CreateRectRgn(0, 0, 0, 0)), ERROR);
}

TEST_F(ButtonOnForm, CaptionCentredAndMovedWhenPressed) {
  button.SetBackPicture(SolidStrip(60, 30, {kCyan, kCyan, kCyan}));
  button.SetcForeColor(RGB(0, 0, 0));
  auto inkBox = [&] {
    RECT box{1000, 1000, -1, -1};
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 60; ++x) {
        if (At(x, y) == kCyan) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x);
        box.bottom = std::max<LONG>(box.bottom, y);
      }
    }
    return box;
  };
  EXPECT_EQ(inkBox().right, -1);  // empty caption: background only
  button.SetCaption("WW");
  const RECT normal = inkBox();
  ASSERT_GE(normal.right, 0);
  // Roughly centred.
  EXPECT_LE(std::abs((normal.left + normal.right) / 2 - 30), 3);
  button.cMouseAction(kButtonPressed, false);
  const RECT pressed = inkBox();
  EXPECT_EQ(pressed.left, normal.left + 1);
  EXPECT_EQ(pressed.top, normal.top + 1);
  // Locked: the pressed frame everywhere, the caption stays put unless pressed.
  button.SetLocked(true);
  button.cMouseAction(kButtonNormal, true);
  EXPECT_EQ(inkBox().left, normal.left);
}

TEST_F(ButtonOnForm, IconShowsFromTheNextStateChangeOn) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  button.SetIcon(SolidStrip(8, 8, {kYellow}));
  EXPECT_EQ(At(12, 3), kRed);  // not repainted yet
  button.cMouseAction(kButtonNormal, true);
  // No caption: x = 450/2 - 0 - 120/2 twips = 11 px, y = 0.
  EXPECT_EQ(At(11, 0), kYellow);
  EXPECT_EQ(At(18, 7), kYellow);
  EXPECT_EQ(At(10, 0), kRed);
  EXPECT_EQ(At(19, 7), kRed);
  // Transparent buttons draw no icon.
  button.SetcBackStyle(0);
  button.cMouseAction(kButtonNormal, true);
  EXPECT_EQ(At(12, 3), kRed);
}

TEST_F(ButtonOnForm, DisabledButtonIsGreyedAndDeaf) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  button.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(button.hWnd()));
  EXPECT_EQ(button.DrawnState(), kButtonDisabled);
  const COLORREF c = At(15, 10);
  EXPECT_EQ(GetRValue(c), GetGValue(c));
  EXPECT_EQ(GetGValue(c), GetBValue(c));
  EXPECT_GE(GetRValue(c), 128);
  button.SetEnabled(true);
  EXPECT_EQ(At(15, 10), kRed);
}

TEST_F(ButtonOnForm, KeyboardClicksAndTheHostCanCancelTheKey) {
  button.SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  SetFocus(button.hWnd());
  Pump(20);
  Send(WM_KEYDOWN, VK_RETURN, 0, 0);
  EXPECT_EQ(counts.click, 1);
  Send(WM_KEYDOWN, VK_SPACE, 0, 0);
  EXPECT_EQ(At(15, 10), kBlue);
  Send(WM_KEYUP, VK_SPACE, 0, 0);
  EXPECT_EQ(counts.click, 2);
  button.Events().KeyDown = [](std::int16_t& key, std::int16_t&) {
    if (key == VK_RETURN) key = 0;
  };
  Send(WM_KEYDOWN, VK_RETURN, 0, 0);
  EXPECT_EQ(counts.click, 2);
  // The focus rectangle: drawn with XOR over the frame, 3 px in.
  button.cMouseAction(kButtonNormal, true);
  SendMessageW(button.hWnd(), WM_KILLFOCUS, 0, 0);
  SendMessageW(button.hWnd(), WM_SETFOCUS, 0, 0);
  int marked = 0;
  for (int x = 3; x < 27; ++x) marked += At(x, 3) != kRed;
  EXPECT_GT(marked, 5);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(At(x, 2), kRed) << x;
  EXPECT_EQ(At(15, 10), kRed);
}

TEST(ButtonDesign, FirstPollTickRaisesMouseOutWithoutMouseOver) {
  SetCursorPos(3, 3);
  HostForm form(200, 200, 300, 200);
  ASSERT_TRUE(form.Load());
  form.Show();
  iButton button;
  Counts counts;
  ASSERT_TRUE(button.Create(form.hWnd(), 20, 20, 50, 20));
  counts.Attach(button);
  EXPECT_TRUE(button.LeavePollRunning());
  ASSERT_TRUE(PumpUntil([&] { return counts.out == 1; }, 2000));
  EXPECT_EQ(counts.over, 0);
  EXPECT_FALSE(button.LeavePollRunning());
  Pump(150);
  EXPECT_EQ(counts.out, 1);
  button.Destroy();
  form.Unload();
}

TEST(ButtonDesign, PropertiesRoundTripWithDefaultsAndCutOnFirstShow) {
  SetCursorPos(3, 3);
  PropertyBag bag;
  {
    iButton fresh;
    fresh.WriteProperties(bag);
    // Only the three without defaults are written by a default button.
    EXPECT_EQ(bag.Size(), 3u);
    EXPECT_TRUE(bag.Contains("cFont"));
    EXPECT_TRUE(bag.Contains("cDrawMode"));
    EXPECT_TRUE(bag.Contains("cForeColor"));
  }
  HostForm form(200, 200, 300, 200);
  ASSERT_TRUE(form.Load());  // hidden: the controls are not shown yet
  iButton a;
  ASSERT_TRUE(a.Create(form.hWnd(), 10, 10, 100, 40));
  a.SetBackPicture(Picture::FromBitmapResource(IDB_BTN_DIALOG));
  a.SetIcon(SolidStrip(4, 4, {kGrey}));
  a.SetCaption("是");
  a.SetAutoSize(false);
  a.SetStyle(1);
  a.SetcBackStyle(0);
  FontDesc font;
  font.name = "Tahoma";
  font.weight = 700;
  a.SetcFont(font);
  a.SetcForeColor(RGB(1, 2, 3));
  a.SetcDrawMode(R2_XORPEN);
  a.SetEnabled(false);
  EXPECT_EQ(a.ChangedProperties().size(), 10u);
  bag.Clear();
  a.WriteProperties(bag);
  EXPECT_EQ(bag.ReadInt("BackPicture", 0), IDB_BTN_DIALOG);

  iButton b;
  ASSERT_TRUE(b.Create(form.hWnd(), 10, 60, 100, 40));
  b.ReadProperties(bag);
  EXPECT_EQ(b.Caption(), "是");
  EXPECT_EQ(b.Style(), 1);
  EXPECT_FALSE(b.AutoSize());
  EXPECT_EQ(b.cBackStyle(), 0);
  EXPECT_EQ(b.cFont(), font);
  EXPECT_EQ(b.cForeColor(), static_cast<std::uint32_t>(RGB(1, 2, 3)));
  EXPECT_EQ(b.cDrawMode(), R2_XORPEN);
  EXPECT_FALSE(b.Enabled());
  EXPECT_FALSE(IsWindowEnabled(b.hWnd()));
  ASSERT_TRUE(b.BackPicture());
  EXPECT_EQ(b.BackPicture()->ResourceId(), IDB_BTN_DIALOG);
  ASSERT_TRUE(b.Icon());
  PicturePixels icon(*b.Icon());  // a picture without a resource travels as a file
  EXPECT_EQ(icon.width(), 4);
  EXPECT_EQ(icon.at(3, 3), kGrey);
  EXPECT_FALSE(b.FramesReady());  // reading does not cut

  // An auto-sized one read from the bag is sized when it is first shown.
  PropertyBag small;
  WritePicture(small, "BackPicture", Picture::FromBitmapResource(IDB_BTN_MIN));
  iButton c;
  ASSERT_TRUE(c.Create(form.hWnd(), 10, 110, 100, 40));
  c.ReadProperties(small);
  EXPECT_TRUE(c.Tag().empty());
  form.Show();
  ASSERT_TRUE(PumpUntil([&] { return c.FramesReady(); }, 2000));
  EXPECT_EQ(c.Tag(), "1");
  RECT rc;
  GetClientRect(c.hWnd(), &rc);
  EXPECT_EQ(rc.right, 24);
  EXPECT_EQ(rc.bottom, 18);
  EXPECT_TRUE(b.FramesReady());
  form.Unload();
}

TEST(ButtonDesign, HostMayDestroyTheButtonFromClick) {
  SetCursorPos(3, 3);
  HostForm form(200, 200, 300, 200);
  ASSERT_TRUE(form.Load());
  form.Show();
  auto button = std::make_unique<iButton>();
  ASSERT_TRUE(button->Create(form.hWnd(), 20, 20, 50, 20));
  button->SetBackPicture(SolidStrip(30, 20, {kRed, kGreen, kBlue}));
  const POINT pt = ScreenPoint(button->hWnd(), 15, 10);
  SetCursorPos(pt.x, pt.y);
  HWND hwnd = button->hWnd();
  button->Events().Click = [&] { button.reset(); };
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 10));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(15, 10));
  EXPECT_EQ(button, nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
  Pump(150);  // a queued poll tick finds no button
  SetCursorPos(3, 3);
  form.Unload();
}

TEST(ButtonDesign, GifPictureDecodesIntoAStrip) {
  const std::vector<unsigned char> gif = ReadResourceBytes(IDR_GIF_MINI, L"GIF");
  ASSERT_FALSE(gif.empty());
  PicturePtr picture = Picture::FromImageBytes(gif);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->WidthPixels(), 28);
  EXPECT_EQ(picture->HeightPixels(), 28);
  EXPECT_EQ(picture->Width(), 741);  // HIMETRIC at 96 dpi
  PicturePixels pixels(*picture);
  EXPECT_EQ(pixels.at(0, 0), RGB(254, 254, 254));
  // Damaged bytes give no picture rather than a broken one.
  EXPECT_FALSE(Picture::FromImageBytes(std::vector<unsigned char>(gif.begin(), gif.begin() + 20)));
  EXPECT_FALSE(Picture::FromImageBytes({}));
}
