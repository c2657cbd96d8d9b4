#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/win/Form.h"
#include "framework/win/Screen.h"
#include "framework/win/SharedRouter.h"
#include "framework/win/WindowProcHook.h"
#include "win/support/WinTest.h"
#include "winplumbing/ModGetTaskbarHei.h"
#include "winplumbing/win/cFormSubclass.h"
#include "winplumbing/win/cSetStyle.h"

using namespace vorn2;

namespace {

constexpr UINT kProbe = WM_APP + 7;

class ProbeForm : public Form {
 public:
  ProbeForm() : Form(Design()) {}
  std::vector<WPARAM> probes;
  std::vector<UINT> sysCommands;
  bool keepOnClose = true;
  int queries = 0;

  static FormDesign Design() {
    FormDesign d;
    d.className = L"Vorn2PlumbForm";
    d.caption = "Vornhold 2客户端";
    d.style = WS_POPUP;
    d.clientWidthTwips = 900 * 15;
    d.clientHeightTwips = 700 * 15;
    d.leftTwips = 100 * 15;
    d.topTwips = 100 * 15;
    d.appIcon = false;
    return d;
  }

 protected:
  void OnQueryUnload(bool& cancel, UnloadMode) override {
    ++queries;
    cancel = keepOnClose;
  }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kProbe) {
      probes.push_back(wParam);
      return 40 + static_cast<LRESULT>(wParam);
    }
      if (msg == WM_SYSCOMMAND) sysCommands.push_back(static_cast<UINT>(wParam & 0xFFF0));
    return Form::WndProc(msg, wParam, lParam);
  }
};

LONG_PTR ProcOf(HWND h) { return GetWindowLongPtrW(h, GWLP_WNDPROC); }

TEST(FormSubclassWin, OffersEveryMessageFirstAndKeepsChineseCaptions) {
  ProbeForm form;
  ASSERT_TRUE(form.Load());
  const LONG_PTR own = ProcOf(form.hWnd());
  auto sub = std::make_unique<cFormSubclass>();
  std::vector<UINT> offered;
  sub->Events().MsgCome = [&](bool before, bool& handled, LRESULT& r, HWND&, UINT& m, WPARAM& w, LPARAM&) {
    if (before) offered.push_back(m);
    if (before && m == kProbe && w == 1) w = 2;  // the window sees the change
    if (before && m == kProbe && w == 9) {
      handled = true;
      r = 5;
    }
  };
  EXPECT_TRUE(sub->AddWindowMsgs(form.hWnd()));
  EXPECT_NE(ProcOf(form.hWnd()), own);
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 1, 0), 42);
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 9, 0), 5);
  EXPECT_EQ(form.probes, std::vector<WPARAM>{2});
  form.SetCaption("网页游戏 Vornhold 2客户端");
  EXPECT_EQ(form.Caption(), "网页游戏 Vornhold 2客户端");
  EXPECT_NE(std::find(offered.begin(), offered.end(), static_cast<UINT>(WM_SETTEXT)), offered.end());
  EXPECT_FALSE(sub->DeleteWindowMsg(form.hWnd()));
  sub.reset();
  EXPECT_EQ(ProcOf(form.hWnd()), own);
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 1, 0), 41);
  form.keepOnClose = false;
  form.Unload();
}

TEST(FormSubclassWin, DestroyedInsideItsOwnWindowsMessage) {
  ProbeForm form;
  ASSERT_TRUE(form.Load());
  const LONG_PTR own = ProcOf(form.hWnd());
  // Records of earlier tests finish their release first; a timer can come
  // late under load, so wait for it rather than for a fixed time.
  test::PumpUntil([] { return SharedHookRouter().LiveRecords() == 0; }, 2000);
  const std::size_t liveBefore = SharedHookRouter().LiveRecords();
  auto sub = std::make_unique<cFormSubclass>();
  std::size_t liveInside = 0;
  sub->Events().MsgCome = [&](bool before, bool&, LRESULT&, HWND&, UINT& m, WPARAM&, LPARAM&) {
    if (!before || m != kProbe) return;
    sub.reset();
    test::Pump(200);  // the release timer may fire, but must not free a running router
    liveInside = SharedHookRouter().LiveRecords();
  };
  ASSERT_TRUE(sub->AddWindowMsgs(form.hWnd()));
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 3, 0), 43);
  EXPECT_EQ(sub, nullptr);
  EXPECT_EQ(liveInside, liveBefore + 1);
  EXPECT_EQ(ProcOf(form.hWnd()), own);
  EXPECT_TRUE(test::PumpUntil([&] { return SharedHookRouter().LiveRecords() == liveBefore; }, 2000));
  form.keepOnClose = false;
  form.Unload();
}

class SetStyleWin : public ::testing::Test {
 protected:
  ProbeForm form;
  std::unique_ptr<cSetStyle> style;
  std::vector<int> zones;
  int closeClicks = 0;
  int settingChanges = 0;

  void SetUp() override {
    ASSERT_TRUE(form.Load());
    style = std::make_unique<cSetStyle>();
    style->objForm(&form);
    style->Events().MouseSize = [this](int z) { zones.push_back(z); };
    style->Events().CloseClick = [this] { ++closeClicks; };
    style->Events().SettingChange = [this] { ++settingChanges; };
    style->SetWindowStyle(form.hWnd());
    form.Show();
    test::Pump(50);
  }
  void TearDown() override {
    style.reset();
    form.keepOnClose = false;
    form.Unload();
  }
  RECT Bounds() {
    RECT rc{};
    GetWindowRect(form.hWnd(), &rc);
    return rc;
  }
  static void Input(DWORD flags, int x, int y) {
    SetCursorPos(x, y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags) SendInput(1, &in, sizeof(in));
    test::Pump(60);
  }
};

TEST_F(SetStyleWin, StyleIsExactlySysMenuAndMinimizeBox) {
  // The system adds WS_CLIPSIBLINGS to every top-level window.
  EXPECT_EQ(GetWindowLongPtrW(form.hWnd(), GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE | WS_CLIPSIBLINGS), 0xA0000);
}

TEST_F(SetStyleWin, ZonesFollowTheRealCursor) {
  const RECT rc = Bounds();
  test::Pump(50);
  zones.clear();  // moves the system made while showing the form
  SetCursorPos(rc.left + 2, rc.bottom - 3);
  SendMessageW(form.hWnd(), WM_MOUSEMOVE, 0, 0);
  SetCursorPos((rc.left + rc.right) / 2, rc.top + 5);
  SendMessageW(form.hWnd(), WM_MOUSEMOVE, 0, 0);
  SetCursorPos((rc.left + rc.right) / 2, rc.top + 6);
  SendMessageW(form.hWnd(), WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(zones, (std::vector<int>{5, 0, -1}));
  EXPECT_EQ(style->MousePointer(), 1);
  SetCursorPos(rc.right - 2, (rc.top + rc.bottom) / 2);
  SendMessageW(form.hWnd(), WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(style->MousePointer(), 9);
  EXPECT_EQ(SendMessageW(form.hWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.hWnd()), HTCLIENT), TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEWE)));
}

TEST_F(SetStyleWin, DragFromTheRightEdgeEndsInOneMoveToTheRubberBand) {
  const RECT rc = Bounds();
  const int y = (rc.top + rc.bottom) / 2;
  Input(0, rc.right - 2, y);
  Input(MOUSEEVENTF_LEFTDOWN, rc.right - 2, y);
  ASSERT_TRUE(style->Dragging());
  EXPECT_EQ(GetCapture(), form.hWnd());
  EXPECT_EQ(Bounds().right, rc.right);  // nothing moves during the drag
  Input(MOUSEEVENTF_MOVE, rc.right + 40, y + 10);  // outside the window: capture keeps it ours
  Input(MOUSEEVENTF_MOVE, rc.left + 500, y);      // would be narrower than 800: ignored
  Input(MOUSEEVENTF_LEFTUP, rc.left + 500, y);
  EXPECT_FALSE(style->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  const RECT after = Bounds();
  EXPECT_EQ(after.right, rc.right + 40);
  EXPECT_EQ(after.left, rc.left);
  EXPECT_EQ(after.top, rc.top);
  EXPECT_EQ(after.bottom, rc.bottom);
}

TEST_F(SetStyleWin, FillsTheWorkAreaAndRestores) {
  const RECT own = Bounds();
  EXPECT_TRUE(style->CallWindowStateChange());
  const RECT filled = Bounds();
  const SIZE screen = ScreenSizePixels();
  EXPECT_EQ(filled.left, 0);
  EXPECT_EQ(filled.top, 0);
  EXPECT_EQ(filled.right, screen.cx);
  EXPECT_EQ(filled.bottom, TwipsToPixelsY(PixelsToTwipsY(screen.cy) - ModGetTaskbarHei()));
  EXPECT_EQ(filled.bottom, WorkArea().bottom);
  // While filled a press on the edge starts nothing.
  Input(MOUSEEVENTF_LEFTDOWN, 1, 300);
  Input(MOUSEEVENTF_LEFTUP, 1, 300);
  EXPECT_FALSE(style->Dragging());
  SendMessageW(form.hWnd(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(settingChanges, 1);
  EXPECT_EQ(Bounds().bottom, filled.bottom);
  EXPECT_FALSE(style->CallWindowStateChange());
  const RECT back = Bounds();
  EXPECT_EQ(back.left, own.left);
  EXPECT_EQ(back.top, own.top);
  EXPECT_EQ(back.right, own.right);
  EXPECT_EQ(back.bottom, own.bottom);
}

TEST_F(SetStyleWin, CloseCommandRaisesCloseClickAndStillReachesTheWindow) {
  SendMessageW(form.hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(closeClicks, 1);
  EXPECT_EQ(form.sysCommands, std::vector<UINT>{SC_CLOSE});
  EXPECT_EQ(form.queries, 1);  // its default handling sent WM_CLOSE, which reached the form's close request
}

TEST_F(SetStyleWin, ReleasingTheObjectPutsTheProcedureBack) {
  const LONG_PTR hooked = ProcOf(form.hWnd());
  EXPECT_EQ(hooked, reinterpret_cast<LONG_PTR>(&SubclassRouterW));
  style.reset();
  EXPECT_NE(ProcOf(form.hWnd()), hooked);
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 1, 0), 41);
}

}  // namespace

namespace {
int g_hotKeyProcActs = 0;
LRESULT CALLBACK HotKeyLikeProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  WindowProcHook::Call call(&HotKeyLikeProc, hWnd);
  if (uMsg == kProbe && call.Active()) ++g_hotKeyProcActs;
  return call.Previous(uMsg, wParam, lParam);
}
}  // namespace

TEST(ReplacedProcedure, RemovedUnderTheRouterItPassesThroughAndNothingIsLeft) {
  // The main window's order: its own procedure first, the resize router on
  // top, then at unload its procedure goes before the router.
  const std::size_t routerBefore = SharedHookRouter().LiveRecords();
  const std::size_t hooksBefore = WindowProcHook::Records();
  ProbeForm form;
  ASSERT_TRUE(form.Load());
    ASSERT_TRUE(WindowProcHook::Install(form.hWnd(), &HotKeyLikeProc));
  auto style = std::make_unique<cSetStyle>();
  style->SetWindowStyle(form.hWnd());
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 1, 0), 41);
  EXPECT_EQ(g_hotKeyProcActs, 1);

  WindowProcHook::Remove(form.hWnd(), &HotKeyLikeProc);  // not on top: stays, passing through
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 2, 0), 42);
  EXPECT_EQ(g_hotKeyProcActs, 1);
  EXPECT_EQ(form.probes.size(), 2u);  // the window's own procedure still gets everything
  style.reset();  // the router leaves: the chain below it is intact
  EXPECT_EQ(SendMessageW(form.hWnd(), kProbe, 3, 0), 43);
  EXPECT_EQ(form.probes.size(), 3u);

  form.keepOnClose = false;
  form.Unload();
  EXPECT_TRUE(test::PumpUntil([&] { return SharedHookRouter().LiveRecords() == routerBefore; }, 2000));
  EXPECT_EQ(WindowProcHook::Records(), hooksBefore);

  // On top it is taken out at once and the window's procedure is back.
  ProbeForm again;
  ASSERT_TRUE(again.Load());
  const LONG_PTR ownAgain = ProcOf(again.hWnd());
  ASSERT_TRUE(WindowProcHook::Install(again.hWnd(), &HotKeyLikeProc));
  ASSERT_TRUE(WindowProcHook::Install(again.hWnd(), &HotKeyLikeProc));  // twice: still one in the chain
  WindowProcHook::Remove(again.hWnd(), &HotKeyLikeProc);
  EXPECT_EQ(ProcOf(again.hWnd()), ownAgain);
  EXPECT_EQ(WindowProcHook::Records(), hooksBefore);
  again.keepOnClose = false;
  again.Unload();
}
