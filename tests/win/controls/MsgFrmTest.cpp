#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/win/MsgFrm.h"
#include "framework/win/Screen.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"
#include "win/controls/ControlsTestSupport.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using namespace vorn2::test;

namespace {

// The main window's part: the flag, and the region made the way it makes it.
struct ExitHost : IMsgHost {
  bool ExitFlag() const override { return flag; }
  void SetExitFlag(bool m_bExit) override {
    flag = m_bExit;
    answers.push_back({m_bExit, dialog && dialog->IsLoaded()});
  }
  void RectRgn(HWND hWnd, int right, int bottom, int ellipseW, int ellipseH) override {
    regions.push_back({right, bottom, ellipseW, ellipseH});
    SetWindowRgn(hWnd, CreateRoundRectRgn(0, 0, right, bottom, ellipseW, ellipseH), TRUE);
  }

  bool flag = false;
  const MsgFrm* dialog = nullptr;
  std::vector<std::pair<bool, bool>> answers;  // value, dialog still loaded then
  std::vector<std::vector<int>> regions;
};

// A child's rectangle in its parent's client area: left, top, right, bottom.
std::vector<long> Place(HWND child) {
  RECT rc;
  GetWindowRect(child, &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return {rc.left, rc.top, rc.right, rc.bottom};
}

// Real mouse input, queued at once: a press that starts a system move loop
// then finds the rest of the gesture waiting.
void Mouse(const std::vector<std::pair<POINT, DWORD>>& steps) {
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  std::vector<INPUT> seq;
  for (const auto& [pt, flags] : steps) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (pt.x * 65535 + sw / 2) / (sw - 1);
    in.mi.dy = (pt.y * 65535 + sh / 2) / (sh - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    seq.push_back(in);
  }
  SendInput(static_cast<UINT>(seq.size()), seq.data(), sizeof(INPUT));
}

void ClickCentre(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  const POINT pt = ScreenPoint(hwnd, rc.right / 2, rc.bottom / 2);
  Mouse({{pt, 0}, {pt, MOUSEEVENTF_LEFTDOWN}, {pt, MOUSEEVENTF_LEFTUP}});
}

class ExitDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCursorPos(3, 3);
    ASSERT_EQ(TwipsPerPixelX(), 15) << "the expected pixels are those of 96 dpi";
    host.dialog = &dialog;
  }
  void TearDown() override {
    dialog.Unload();
    SetCursorPos(3, 3);
  }

  ExitHost host;
  MsgFrm dialog{host};
};

}  // namespace

TEST_F(ExitDialog, LayoutRegionAndLook) {
  dialog.Show();
  Pump(300);
  HWND hwnd = dialog.hWnd();
  RECT window;
  GetWindowRect(hwnd, &window);
  // Borderless (client = window), centred, white, no taskbar button (hidden owner).
  const SIZE screen = ScreenSizePixels();
  EXPECT_EQ((std::vector<long>{window.left, window.top, window.right - window.left, window.bottom - window.top}),
            (std::vector<long>{(screen.cx - 242) / 2, (screen.cy - 140) / 2, 242, 140}));
  EXPECT_EQ(dialog.Surface().width(), 242);
  EXPECT_EQ(dialog.Surface().height(), 140);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  ASSERT_TRUE(GetWindow(hwnd, GW_OWNER));
  EXPECT_FALSE(IsWindowVisible(GetWindow(hwnd, GW_OWNER)));
  EXPECT_EQ(dialog.Surface().Pixel(120, 60), RGB(255, 255, 255));

  // Controls where the design puts them; the close button 730 twips left of the right edge.
  EXPECT_EQ(Place(dialog.BForm1().hWnd()), (std::vector<long>{0, 0, 242, 33}));
  EXPECT_EQ(Place(dialog.closebtn().hWnd()), (std::vector<long>{193, 1, 236, 19}));
  EXPECT_EQ(Place(dialog.Label1()), (std::vector<long>{24, 56, 233, 97}));
  EXPECT_EQ(Place(dialog.iButton1().hWnd()), (std::vector<long>{56, 88, 121, 113}));
  EXPECT_EQ(Place(dialog.iButton2().hWnd()), (std::vector<long>{136, 88, 201, 113}));
  EXPECT_EQ(dialog.BForm1().Caption(), "Vornhold 2客户端");
  EXPECT_EQ(dialog.BForm1().BackColor(), "14606046");
  EXPECT_EQ(dialog.BForm1().frmHwnd(), nullptr);

  // The region: asked of the host with 4 x 4 corners; the corner pixels are cut.
  ASSERT_EQ(host.regions.size(), 1u);
  EXPECT_EQ(host.regions[0], (std::vector<int>{243, 141, 4, 4}));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(hwnd, rgn), ERROR);
  for (POINT corner : {POINT{0, 0}, POINT{241, 0}, POINT{0, 139}, POINT{241, 139}})
    EXPECT_FALSE(PtInRegion(rgn, corner.x, corner.y)) << corner.x << "," << corner.y;
  for (POINT edge : {POINT{121, 0}, POINT{0, 70}, POINT{241, 70}, POINT{121, 139}, POINT{2, 2}})
    EXPECT_TRUE(PtInRegion(rgn, edge.x, edge.y)) << edge.x << "," << edge.y;
  DeleteObject(rgn);

  // Pictures: the close glyph strip and the dialog strip behind the captions.
  ASSERT_TRUE(dialog.closebtn().BackPicture());
  EXPECT_EQ(dialog.closebtn().BackPicture()->ResourceId(), IDB_BTN_CLOSE);
  for (iButton* b : {&dialog.iButton1(), &dialog.iButton2()}) {
    ASSERT_TRUE(b->BackPicture());
    EXPECT_EQ(b->BackPicture()->ResourceId(), IDB_BTN_DIALOG);
    ASSERT_TRUE(b->FramesReady());
    const PicturePixels strip(*b->BackPicture());
    EXPECT_EQ(b->Surface().Pixel(10, 0), strip.at(10, 0));
    int ink = 0;
    for (int y = 0; y < 25; ++y)
      for (int x = 0; x < 65; ++x) ink += b->Surface().Pixel(x, y) != strip.at(x, y);
    EXPECT_GT(ink, 15) << b->Caption();
  }
  // The close button stays above the bar, also when the bar repaints.
  iButton& close = dialog.closebtn();
  EXPECT_EQ(WindowFromPoint(ScreenPoint(close.hWnd(), 21, 9)), close.hWnd());
  dialog.BForm1().SetCaption("Vornhold 2客户端");
  HDC screenDC = GetDC(nullptr);
  const POINT glyph = ScreenPoint(close.hWnd(), 21, 9);
  EXPECT_TRUE(PumpUntil([&] { return GetPixel(screenDC, glyph.x, glyph.y) == close.Surface().Pixel(21, 9); }, 2000));
  EXPECT_NE(close.Surface().Pixel(21, 9), dialog.BForm1().Surface().Pixel(193 + 21, 1 + 9));
  EXPECT_EQ(dialog.iButton1().Caption(), "是");
  EXPECT_EQ(dialog.iButton2().Caption(), "否");

  // The question is drawn dark on white in the label.
  wchar_t text[64] = {};
  GetWindowTextW(dialog.Label1(), text, 64);
  EXPECT_EQ(U8(text), MsgFrm::QuestionText());
  int dark = 0, white = 0;
  for (int y = 56; y < 97; ++y) {
    for (int x = 24; x < 233; ++x) {
      const POINT p = ScreenPoint(hwnd, x, y);
      const COLORREF c = GetPixel(screenDC, p.x, p.y);
      dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
      white += c == RGB(255, 255, 255);
    }
  }
  ReleaseDC(nullptr, screenDC);
  EXPECT_GT(dark, 60);
  EXPECT_GT(white, 209 * 41 / 2);

  if (std::getenv("VORN2_EXIT_DIALOG_SCREENSHOT")) Pump(5000);  // time for an X screenshot from outside

  // Another size: region and close button follow it (4500 - 730 twips = 251 px).
  SetWindowPos(hwnd, nullptr, 0, 0, 300, 160, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(host.regions.back(), (std::vector<int>{301, 161, 4, 4}));
  EXPECT_EQ(Place(close.hWnd())[0], 251);
  // The frame is painted again: the right edge is the skin's right column.
  ASSERT_TRUE(dialog.BForm1().PP());
  EXPECT_EQ(dialog.Surface().Pixel(298, 100), PicturePixels(*dialog.BForm1().PP()).at(92, 53));
}

TEST_F(ExitDialog, EachAnswerStoresTheFlagThenUnloads) {
  // One dialog object, loaded again for every answer.
  struct Case {
    const char* name;
    iButton& (MsgFrm::*button)();
    bool m_bExit;
  };
  const Case cases[] = {
      {"是", &MsgFrm::iButton1, true}, {"否", &MsgFrm::iButton2, false}, {"closebtn", &MsgFrm::closebtn, false}};
  for (const Case& c : cases) {
    host.answers.clear();
    host.flag = !c.m_bExit;  // the answer is stored, not left as found
    dialog.Show();
    Pump(100);
    ASSERT_TRUE(dialog.IsVisible()) << c.name;
    ClickCentre((dialog.*c.button)().hWnd());
    EXPECT_TRUE(PumpUntil([&] { return !dialog.IsLoaded(); }, 3000)) << c.name;
    ASSERT_EQ(host.answers.size(), 1u) << c.name;
    EXPECT_EQ(host.answers[0], std::make_pair(c.m_bExit, true)) << c.name << ": stored while the dialog was loaded";
    EXPECT_EQ(host.flag, c.m_bExit) << c.name;
    SetCursorPos(3, 3);
  }
}

namespace {
std::function<void()> g_tick;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_tick) g_tick();
}
}  // namespace

TEST_F(ExitDialog, ShownModallyItReturnsWhenAnswered) {
  HostForm owner(100, 100, 400, 300);
  ASSERT_TRUE(owner.Load());
  owner.Show();
  SetForegroundWindow(owner.hWnd());
  Pump(100);
  for (const bool yes : {false, true}) {
    host.answers.clear();
    host.flag = !yes;
    bool clicked = false, ownerEnabledMeanwhile = true;
    const DWORD start = GetTickCount();
    // The answer comes from inside the modal loop, as real input.
    g_tick = [&] {
      if (!clicked && dialog.IsVisible()) {
        ownerEnabledMeanwhile = IsWindowEnabled(owner.hWnd());
        ClickCentre((yes ? dialog.iButton1() : dialog.iButton2()).hWnd());
        clicked = true;
      } else if (GetTickCount() - start > 5000) {
        dialog.Unload();  // no answer: fail instead of waiting forever
      }
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &Tick);
    dialog.ShowModal();
    KillTimer(nullptr, timer);
    g_tick = nullptr;
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(ownerEnabledMeanwhile);
    EXPECT_FALSE(dialog.IsLoaded());
    ASSERT_EQ(host.answers.size(), 1u) << yes;
    EXPECT_EQ(host.answers[0], std::make_pair(yes, true));
    EXPECT_EQ(host.flag, yes);
    EXPECT_TRUE(IsWindowEnabled(owner.hWnd()));
    EXPECT_EQ(GetActiveWindow(), owner.hWnd());
    EXPECT_EQ(Form::LoadedCount(), 1u);
    SetCursorPos(3, 3);
  }
  owner.Unload();
}

TEST_F(ExitDialog, TitleBarDragMovesTheDialogWithTheLeftButtonOnly) {
  dialog.Show();
  Pump(200);
  RECT before, after;
  GetWindowRect(dialog.hWnd(), &before);
  auto moved = [&](int dx, int dy) {
    GetWindowRect(dialog.hWnd(), &after);
    return after.left - before.left == dx && after.top - before.top == dy;
  };
  const POINT start = ScreenPoint(dialog.BForm1().hWnd(), 100, 15);
  const POINT mid{start.x + 20, start.y + 10}, end{start.x + 40, start.y + 30};
  // A right press must not leave the dialog stuck to the pointer until the
  // next left click (the click below lands on the dialog's empty white part).
  Mouse({{start, 0}, {start, MOUSEEVENTF_RIGHTDOWN}, {start, MOUSEEVENTF_RIGHTUP}, {end, 0},
         {end, MOUSEEVENTF_LEFTDOWN}, {end, MOUSEEVENTF_LEFTUP}});
  Pump(500);
  EXPECT_TRUE(moved(0, 0)) << after.left - before.left << "," << after.top - before.top;

  Mouse({{start, 0}, {start, MOUSEEVENTF_LEFTDOWN}, {mid, 0}, {end, 0}, {end, MOUSEEVENTF_LEFTUP}});
  EXPECT_TRUE(PumpUntil([&] { return moved(40, 30); }, 3000))
      << after.left - before.left << "," << after.top - before.top;
  Pump(100);
  EXPECT_TRUE(moved(40, 30));
  EXPECT_TRUE(dialog.IsLoaded());  // a drag answers nothing
  EXPECT_TRUE(host.answers.empty());
}
