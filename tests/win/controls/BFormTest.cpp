#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/win/BForm.h"
#include "resource_ids.h"
#include "win/controls/ControlsTestSupport.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using namespace vorn2::test;

namespace {

// A plain window that records the system-move request instead of moving.
std::vector<WPARAM> g_ncDown;
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCLBUTTONDOWN) {
    g_ncDown.push_back(wParam);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}
HWND MakeRecordingWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Vorn2MoveTarget";
    RegisterClassW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, L"Vorn2MoveTarget", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

class BarOnForm : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCursorPos(3, 3);
    ASSERT_TRUE(host.Load());
    host.Show();
    ASSERT_TRUE(bar.Create(host.hWnd(), 0, 0, 300, 50));
    bar.ReadProperties(PropertyBag{});
    bar.SetCaption("");
    skin = std::make_unique<PicturePixels>(*bar.PP());
    Pump(30);
  }
  void TearDown() override { host.Unload(); }
  COLORREF At(int x, int y) const { return bar.Surface().Pixel(x, y); }
  int Width() const { return bar.Surface().width(); }

  HostForm host{200, 200, 300, 200, true};
  BForm bar;
  std::unique_ptr<PicturePixels> skin;
};

}  // namespace

TEST_F(BarOnForm, HeightIsAlwaysFiveHundredTwips) {
  RECT rc;
  GetClientRect(bar.hWnd(), &rc);
  EXPECT_EQ(rc.bottom, 33);
  EXPECT_EQ(rc.right, 300);
  bar.Move(0, 0, 250, 120);
  GetClientRect(bar.hWnd(), &rc);
  EXPECT_EQ(rc.bottom, 33);
  EXPECT_EQ(rc.right, 250);
  ASSERT_TRUE(bar.PP());
  EXPECT_EQ(bar.PP()->WidthPixels(), 94);
  EXPECT_EQ(bar.PP()->HeightPixels(), 85);
}

TEST_F(BarOnForm, CapsAndTilesComeFromTheSkin) {
  ASSERT_EQ(Width(), 300);
  int wrong = 0;
  for (int y = 0; y < 33; ++y) {
    for (int x = 0; x < 300; ++x) {
      COLORREF expected;
      if (x >= 300 - 67) expected = skin->at(27 + x - (300 - 67), y);  // right cap
      else if (x < 36) expected = skin->at(x, y);                       // left cap
      else expected = skin->at(20 + (x - 20) % 20, y);                 // middle tiles
      wrong += At(x, y) != expected;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(BarOnForm, NarrowBarKeepsBothCapsRightOneOnTop) {
  bar.Move(0, 0, 50, 33);  // narrower than 1545 twips
  ASSERT_EQ(Width(), 50);
  // The right cap (67 px) starts left of the bar and covers everything.
  for (int x = 0; x < 50; ++x) EXPECT_EQ(At(x, 10), skin->at(27 + 17 + x, 10)) << x;
}

TEST_F(BarOnForm, CaptionIsWhiteAndMovesRightForTheLogo) {
  std::vector<COLORREF> plain;
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 300; ++x) plain.push_back(At(x, y));
  auto inkLeft = [&](int& whites) {
    int left = 1000;
    whites = 0;
    for (int y = 0; y < 33; ++y) {
      for (int x = 0; x < 300; ++x) {
        const COLORREF c = At(x, y);
        if (c == plain[y * 300 + x]) continue;
        left = std::min(left, x);
        whites += c == RGB(255, 255, 255);
      }
    }
    return left;
  };
  bar.SetCaption("国国");
  int whites = 0;
  const int without = inkLeft(whites);
  EXPECT_GE(without, 10);
  EXPECT_LE(without, 13);
  EXPECT_GT(whites, 10);
  bar.SetHasLogo(true);
  const int with = inkLeft(whites);
  EXPECT_EQ(with - without, 30);  // 450 twips further right
  EXPECT_GT(whites, 10);
  bar.SetCaption("");
  EXPECT_EQ(inkLeft(whites), 1000);  // nothing drawn, no logo either
}

TEST_F(BarOnForm, PropertiesAndDesignData) {
  EXPECT_EQ(bar.BackColor(), "14346732");
  bar.SetBackColor("14606046");
  EXPECT_EQ(bar.BackColor(), "14606046");
  bar.SetBackColor("not a colour");
  EXPECT_EQ(bar.BackColor(), "14606046");
  bar.SetCaption("Vornhold 2");
  EXPECT_EQ(bar.ChangedProperties().count("BackColor"), 1u);

  PropertyBag bag;
  bar.WriteProperties(bag);
  EXPECT_EQ(bag.ReadInt("BackColor", 0), 14606046);
  EXPECT_EQ(bag.ReadString("Caption", ""), "Vornhold 2");
  EXPECT_FALSE(bag.Contains("frmHwnd"));
  ASSERT_TRUE(bag.Contains("HasLogo"));  // always written
  EXPECT_FALSE(bag.ReadBool("HasLogo", true));

  BForm other;
  ASSERT_TRUE(other.Create(host.hWnd(), 0, 40, 300, 33));
  EXPECT_EQ(other.Caption(), "NewForm");
  other.ReadProperties(bag);
  EXPECT_EQ(other.BackColor(), "14606046");
  EXPECT_EQ(other.Caption(), "Vornhold 2");
  EXPECT_FALSE(other.HasLogo());
  EXPECT_EQ(other.frmHwnd(), nullptr);
  EXPECT_EQ(other.Surface().Pixel(0, 0), skin->at(0, 0));
}

TEST_F(BarOnForm, LeftPressAsksTheSystemToMoveTheTargetWindow) {
  HWND target = MakeRecordingWindow();
  ASSERT_TRUE(target);
  std::vector<std::string> order;
  bar.Events().MouseDown = [&](std::int16_t button, std::int16_t, float x, float) {
    order.push_back("MouseDown" + std::to_string(button) + "@" + std::to_string(static_cast<int>(x)));
    order.push_back("moves so far " + std::to_string(g_ncDown.size()));
  };
  int dbl = 0;
  bar.Events().DblClick = [&] { ++dbl; };
  g_ncDown.clear();

  SendMessageW(bar.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 5));
  EXPECT_TRUE(g_ncDown.empty());  // frmHwnd 0: nothing moves
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0], "MouseDown1@600");

  bar.SetfrmHwnd(target);
  SendMessageW(bar.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 5));
  ASSERT_EQ(g_ncDown.size(), 1u);
  EXPECT_EQ(g_ncDown[0], static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(order[3], "moves so far 1");  // MouseDown after the move
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));

  SendMessageW(bar.hWnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 5));
  EXPECT_EQ(g_ncDown.size(), 1u);  // only the left button drags
  EXPECT_EQ(order[4], "MouseDown2@600");

  SendMessageW(bar.hWnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 5));
  EXPECT_EQ(dbl, 1);
  DestroyWindow(target);
}

TEST_F(BarOnForm, RealDragMovesTheHostWindow) {
  bar.SetfrmHwnd(host.hWnd());
  RECT before;
  GetWindowRect(host.hWnd(), &before);
  const POINT start = ScreenPoint(bar.hWnd(), 150, 15);
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  auto absolute = [&](int x, int y, DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65535 + sw / 2) / (sw - 1);
    in.mi.dy = (y * 65535 + sh / 2) / (sh - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
  };
  // The whole gesture is queued before the press is handled: the system's
  // move loop then runs inside the bar's press handling and consumes it.
  INPUT seq[] = {absolute(start.x, start.y, 0), absolute(start.x, start.y, MOUSEEVENTF_LEFTDOWN),
                 absolute(start.x + 20, start.y + 10, 0), absolute(start.x + 40, start.y + 30, 0),
                 absolute(start.x + 40, start.y + 30, MOUSEEVENTF_LEFTUP)};
  ASSERT_EQ(SendInput(5, seq, sizeof(INPUT)), 5u);
  RECT after = before;
  PumpUntil(
      [&] {
        GetWindowRect(host.hWnd(), &after);
        return after.left != before.left;
      },
      3000);
  Pump(100);
  GetWindowRect(host.hWnd(), &after);
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 30);
  SetCursorPos(3, 3);
}

TEST_F(BarOnForm, PrintformPaintsTheHostFrameFromTheSkin) {
  const COLORREF back = host.BackColor();
  bar.Printform(host);
  const DrawingSurface& s = host.Surface();
  ASSERT_EQ(s.width(), 300);
  ASSERT_EQ(s.height(), 200);
  const int W = 300, H = 200;
  // Side edges from skin row 53 down, restarting every 20 px.
  for (int y = 20; y < H - 4; y += 7) {
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(s.Pixel(k, y), skin->at(k, 53 + (y - 20) % 20)) << k << "," << y;
      EXPECT_EQ(s.Pixel(W - 4 + k, y), skin->at(90 + k, 53 + (y - 20) % 20)) << k << "," << y;
    }
  }
  // Bottom edge tiles and the two corners.
  for (int j = 0; j < 4; ++j) {
    for (int x = 36; x < W - 33; x += 5) EXPECT_EQ(s.Pixel(x, H - 4 + j), skin->at(20 + (x - 20) % 20, 81 + j));
    for (int x = 0; x < 36; ++x) EXPECT_EQ(s.Pixel(x, H - 4 + j), skin->at(x, 81 + j));
    for (int k = 0; k < 33; ++k) EXPECT_EQ(s.Pixel(W - 33 + k, H - 4 + j), skin->at(61 + k, 81 + j));
  }
  // Everything else is the host's background: the top strip under the bar,
  // the inside, and the edges above row 20.
  EXPECT_EQ(s.Pixel(1, 10), back);
  EXPECT_EQ(s.Pixel(150, 100), back);
  EXPECT_EQ(s.Pixel(4, 100), back);
  EXPECT_EQ(s.Pixel(W - 5, 100), back);
  EXPECT_EQ(s.Pixel(150, H - 5), back);
  // And it stays: a repaint of the host shows the same frame.
  HDC screen = GetDC(nullptr);
  const POINT corner = ScreenPoint(host.hWnd(), W - 1, H - 1);
  InvalidateRect(host.hWnd(), nullptr, FALSE);
  UpdateWindow(host.hWnd());
  // The window's pixels reach the display asynchronously.
  EXPECT_TRUE(PumpUntil([&] { return GetPixel(screen, corner.x, corner.y) == skin->at(93, 84); }, 3000));
  ReleaseDC(nullptr, screen);
}
