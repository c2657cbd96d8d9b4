#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "winplumbing/SetStyleCore.h"

using namespace vorn2::setstyle;

namespace {

TEST(SetStyleZones, CornersWinOverEdgesAndEdgesNeedMoreThanFivePixelsFromTheCorners) {
  const Rect w{100, 100, 920, 800};
  EXPECT_EQ(ZoneAt(w, 103, 797), 5);  // 3 px from left and bottom
  EXPECT_EQ(ZoneAt(w, 95, 105), 7);
  EXPECT_EQ(ZoneAt(w, 925, 795), 3);
  EXPECT_EQ(ZoneAt(w, 917, 98), 1);
  EXPECT_EQ(ZoneAt(w, 500, 105), 0);  // exactly 5 px below the top
  EXPECT_EQ(ZoneAt(w, 500, 106), -1);
  EXPECT_EQ(ZoneAt(w, 500, 95), 0);   // 5 px outside still counts
  EXPECT_EQ(ZoneAt(w, 500, 94), -1);
  EXPECT_EQ(ZoneAt(w, 920, 400), 2);
  EXPECT_EQ(ZoneAt(w, 500, 803), 4);
  EXPECT_EQ(ZoneAt(w, 101, 400), 6);
  EXPECT_EQ(ZoneAt(w, 500, 400), -1);
  // Between a corner's reach and an edge's range (x = L + 5 is neither).
  EXPECT_EQ(ZoneAt(w, 106, 100), 0);
  EXPECT_EQ(ZoneAt(w, 105, 400), 6);
}

TEST(SetStyleZones, PointerShapes) {
  const std::vector<int> expected{7, 6, 9, 8, 7, 6, 9, 8};
  for (int zone = 0; zone < 8; ++zone) EXPECT_EQ(PointerForZone(zone), expected[zone]) << zone;
  EXPECT_EQ(PointerForZone(-1), 1);
}

TEST(SetStyleNewRect, SideZonesKeepTheMinimumSizeTopZonesOnlyTheTrackingMinimum) {
  Rect n{100, 100, 920, 800};  // 820 x 700
  ApplyZone(n, 2, 910, 0, {});
  EXPECT_EQ(n.right, 910);
  ApplyZone(n, 2, 901, 0, {});
  EXPECT_EQ(n.right, 901);
  ApplyZone(n, 2, 900, 0, {});  // would be 800 wide: stops following
  EXPECT_EQ(n.right, 901);
  ApplyZone(n, 4, 0, 700, {});
  EXPECT_EQ(n.bottom, 800);
  ApplyZone(n, 4, 0, 701, {});
  EXPECT_EQ(n.bottom, 701);
  ApplyZone(n, 6, 101, 0, {});  // 901 - 101 = 800: refused
  EXPECT_EQ(n.left, 100);
  ApplyZone(n, 6, 99, 0, {});
  EXPECT_EQ(n.left, 99);
  ApplyZone(n, 0, 0, 690, {});  // top edge: no minimum at all
  EXPECT_EQ(n.top, 690);
  ApplyZone(n, 7, 850, 695, {});
  EXPECT_EQ(n, (Rect{850, 695, 901, 701}));
  Rect c{100, 100, 920, 800};
  ApplyZone(c, 3, 950, 650, {});  // right moves, bottom refused
  EXPECT_EQ(c, (Rect{100, 100, 950, 800}));
  ApplyZone(c, 5, 200, 900, {});  // left refused (950 - 200 = 750), bottom moves
  EXPECT_EQ(c, (Rect{100, 100, 950, 900}));
  ApplyZone(c, 1, 990, 50, {});
  EXPECT_EQ(c, (Rect{100, 50, 990, 900}));
  // Dragged past the opposite edge: the top and left edges stop at the
  // system's tracking minimum instead of turning the rectangle inside out.
  const MinSize track{136, 39};
  Rect t{100, 100, 920, 800};
  ApplyZone(t, 0, 0, 5000, track);
  EXPECT_EQ(t, (Rect{100, 761, 920, 800}));
  t = Rect{100, 100, 920, 800};
  ApplyZone(t, 7, 5000, 5000, track);
  EXPECT_EQ(t, (Rect{784, 761, 920, 800}));
  t = Rect{100, 100, 920, 800};
  ApplyZone(t, 1, -5000, 5000, track);
  EXPECT_EQ(t, (Rect{100, 761, 236, 800}));
}

class FakeHost : public SetStyleHost {
 public:
  int x = 0, y = 0;
  Rect window{100, 100, 920, 800};
  Bounds form{1500, 1500, 12300, 10500};
  std::vector<std::string> calls;
  std::vector<Rect> drawn;
  bool minimised = false;
  int taskbar = 600;
  int pointer = 0;
  std::vector<int> mouseSizes;
  int closeClicks = 0, settingChanges = 0;
  bool dieOnClose = false;

  void CursorPos(int& cx, int& cy) override { cx = x, cy = y; }
  Rect WindowRect() override { return window; }
  void AcquireScreenDC() override { calls.push_back("GetDC"); }
  void DrawFocusRect(const Rect& r) override { drawn.push_back(r); }
  void ReleaseScreenDC() override { calls.push_back("ReleaseDC"); }
  void MoveWindow(const Rect& r) override {
    calls.push_back("MoveWindow");
    window = r;
  }
  void SetMousePointer(int code) override { pointer = code; }
  void Capture(bool on) override { calls.push_back(on ? "SetCapture" : "ReleaseCapture"); }
  Bounds FormBounds() override { return form; }
  void MoveForm(const Bounds& b) override { form = b; }
  bool IsMinimised() override { return minimised; }
  int ScreenWidthTwips() override { return 1280 * 15; }
  int ScreenHeightTwips() override { return 1024 * 15; }
  int TaskbarHeightTwips() override { return taskbar; }
  MinSize MinTrackSize() override { return {136, 39}; }
  bool RaiseCloseClick() override {
    ++closeClicks;
    return !dieOnClose;
  }
  bool RaiseSettingChange() override {
    ++settingChanges;
    return true;
  }
  bool RaiseMouseSize(int zone) override {
    mouseSizes.push_back(zone);
    return true;
  }
};

class SetStyleCoreTest : public ::testing::Test {
 protected:
  FakeHost host;
  SetStyleCore core{host};
  void Move(int x, int y, std::uintptr_t buttons = 0) {
    host.x = x, host.y = y;
    core.OnMessage(SetStyleCore::kWmMouseMove, buttons);
  }
  void Press(int x, int y) {
    host.x = x, host.y = y;
    core.OnMessage(SetStyleCore::kWmLButtonDown, 1);
  }
};

TEST_F(SetStyleCoreTest, MovesReportTheZoneAndSetItsPointer) {
  Move(103, 797);
  Move(500, 400);
  EXPECT_EQ(host.mouseSizes, (std::vector<int>{5, -1}));
  EXPECT_EQ(host.pointer, 1);
  Move(920, 400);
  EXPECT_EQ(host.pointer, 9);
}

TEST_F(SetStyleCoreTest, DragDrawsTheRubberBandAndMovesTheWindowOnceAtTheRelease) {
  Press(920, 400);  // right edge
  ASSERT_TRUE(core.Dragging());
  Move(950, 420, 1);
  Move(700, 430, 1);  // narrower than 800: the band stays
  Move(960, 440, 1);
  host.x = 10, host.y = 10;
  core.OnMessage(SetStyleCore::kWmLButtonUp, 0);
  EXPECT_FALSE(core.Dragging());
  const Rect start{100, 100, 920, 800}, r950{100, 100, 950, 800}, r960{100, 100, 960, 800};
  // Start drawn, then each move erases the last band and draws the new one; the release erases.
  EXPECT_EQ(host.drawn, (std::vector<Rect>{start, start, r950, r950, r950, r950, r960, r960}));
  EXPECT_EQ(host.window, r960);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"SetCapture", "GetDC", "MoveWindow", "ReleaseDC", "ReleaseCapture"}));
  EXPECT_TRUE(host.mouseSizes.empty());  // no zone reports while dragging
}

TEST_F(SetStyleCoreTest, PressOutsideAZoneOrMovesWithoutButtonsDoNothing) {
  Press(500, 400);
  EXPECT_FALSE(core.Dragging());
  Press(920, 400);
  Move(990, 400, 0);
  core.OnMessage(SetStyleCore::kWmLButtonUp, 0);
  EXPECT_EQ(host.window, (Rect{100, 100, 920, 800}));  // release without a move: start rectangle
}

TEST_F(SetStyleCoreTest, LostCaptureAbandonsTheDragWithoutMoving) {
  Press(920, 400);
  Move(990, 400, 1);
  core.OnMessage(SetStyleCore::kWmCaptureChanged, 0);
  EXPECT_FALSE(core.Dragging());
  EXPECT_EQ(host.window, (Rect{100, 100, 920, 800}));
  EXPECT_EQ(host.calls.back(), "ReleaseCapture");
  EXPECT_EQ(host.drawn.size() % 2, 0u);  // every band drawn was erased
}

TEST_F(SetStyleCoreTest, ToggleFillsTheWorkAreaThenRestoresTheSavedBounds) {
  const Bounds own = host.form;
  EXPECT_TRUE(core.CallWindowStateChange());
  EXPECT_EQ(host.form, (Bounds{0, 0, 1280 * 15, 1024 * 15 - 600}));
  EXPECT_EQ(core.Saved(), own);
  // While filled: no zones, no pointer, no drag.
  Move(0, 500);
  Press(0, 500);
  EXPECT_TRUE(host.mouseSizes.empty());
  EXPECT_FALSE(core.Dragging());
  EXPECT_FALSE(core.CallWindowStateChange());
  EXPECT_EQ(host.form, own);
  // A dpi change while filled: the restore comes back at the new factor;
  // while restored there is nothing saved to scale.
  core.ScaleSaved(96, 120);
  EXPECT_EQ(core.Saved(), own);
  core.CallWindowStateChange();
  core.ScaleSaved(96, 120);
  core.CallWindowStateChange();
  EXPECT_EQ(host.form, (Bounds{own.left, own.top, own.width * 5 / 4, own.height * 5 / 4}));
}

TEST_F(SetStyleCoreTest, SettingChangeRefillsOnlyWhileFilledAndNotMinimised) {
  core.OnMessage(SetStyleCore::kWmSettingChange, 0);
  EXPECT_EQ(host.settingChanges, 1);
  EXPECT_EQ(host.form.left, 1500);
  core.CallWindowStateChange();
  host.taskbar = 900;
  host.minimised = true;
  core.OnMessage(SetStyleCore::kWmSettingChange, 0);
  EXPECT_EQ(host.form.height, 1024 * 15 - 600);
  host.minimised = false;
  core.OnMessage(SetStyleCore::kWmSettingChange, 0);
  EXPECT_EQ(host.form.height, 1024 * 15 - 900);
  EXPECT_EQ(host.settingChanges, 3);
}

TEST_F(SetStyleCoreTest, OnlyTheCloseCommandRaisesCloseClick) {
  core.OnMessage(SetStyleCore::kWmSysCommand, 0xF020);  // minimise
  EXPECT_EQ(host.closeClicks, 0);
  core.OnMessage(SetStyleCore::kWmSysCommand, 0xF060);
  core.OnMessage(SetStyleCore::kWmSysCommand, 0xF063);  // low bits are the system's own
  EXPECT_EQ(host.closeClicks, 2);
}

}  // namespace
