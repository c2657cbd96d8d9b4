#include "controls/iButtonLogic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace vorn2;

namespace {

// Stands in for the window: a cursor that is over the control or not, a
// strip given in pixels (reported in HIMETRIC like a picture does), and a
// record of everything the logic asked for.
class FakeWindow : public iButtonPlatform {
 public:
  bool over = false;
  bool enabled = true;
  bool hasPicture = false;
  int stripWidthPx = 0, stripHeightPx = 0;

  std::vector<std::pair<int, FrameChoice>> paints;
  int focusRects = 0;
  bool pollRunning = false;
  int pollStarts = 0;
  std::string cursor;
  FrameSize cutFrame;
  int cutStripFrames = 0, cutSlots = 0, cuts = 0;
  int widthTwips = 0, heightTwips = 0, resizes = 0;

  void SetStrip(int w, int h) {
    hasPicture = true;
    stripWidthPx = w;
    stripHeightPx = h;
  }
  int LastFrame() const { return paints.empty() ? -100 : paints.back().second.index; }
  int LastPaintState() const { return paints.empty() ? -100 : paints.back().first; }

  bool CursorOverControl() override { return over; }
  bool ControlEnabled() override { return enabled; }
  void SetHandCursor() override { cursor = "hand"; }
  void SetArrowCursor() override { cursor = "arrow"; }
  void StartLeavePoll() override {
    pollRunning = true;
    ++pollStarts;
  }
  void StopLeavePoll() override { pollRunning = false; }
  void Paint(int state, FrameChoice frame) override { paints.emplace_back(state, frame); }
  void DrawFocusRect() override { ++focusRects; }
  void DiscardFrames() override {}
  bool BackPictureSize(double& w, double& h) override {
    if (!hasPicture) return false;
    // A picture's HIMETRIC size, as the picture object reports it at 96 dpi.
    w = std::round(stripWidthPx * 2540.0 / 96);
    h = std::round(stripHeightPx * 2540.0 / 96);
    return true;
  }
  void CutFrames(FrameSize frame, int stripFrames, int slots) override {
    cutFrame = frame;
    cutStripFrames = stripFrames;
    cutSlots = slots;
    ++cuts;
  }
  void ResizeTwips(int w, int h) override {
    widthTwips = w;
    heightTwips = h;
    ++resizes;
  }
};

struct Recorder {
  std::vector<std::string> seen;
  void Attach(iButtonEvents& e) {
    e.Click = [this] { seen.push_back("Click"); };
    e.MouseDown = [this](std::int16_t& b, std::int16_t&, float&, float&) {
      seen.push_back("MouseDown" + std::to_string(b));
    };
    e.MouseUp = [this](std::int16_t& b, std::int16_t&, float&, float&) {
      seen.push_back("MouseUp" + std::to_string(b));
    };
    e.MouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) { seen.push_back("MouseMove"); };
    e.MouseOut = [this] { seen.push_back("MouseOut"); };
    e.MouseOver = [this] { seen.push_back("MouseOver"); };
    e.DBClick = [this] { seen.push_back("DBClick"); };
    e.KeyDown = [this](std::int16_t& k, std::int16_t&) { seen.push_back("KeyDown" + std::to_string(k)); };
    e.KeyUP = [this](std::int16_t& k, std::int16_t&) { seen.push_back("KeyUP" + std::to_string(k)); };
    e.KeyPress = [this](std::int16_t& k) { seen.push_back("KeyPress" + std::to_string(k)); };
  }
  int Count(const std::string& name) const {
    int n = 0;
    for (const auto& s : seen) n += s == name;
    return n;
  }
};

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    button = std::make_unique<iButtonLogic>(win);
    rec.Attach(button->Events());
  }
  // A button with a strip, created with the cursor elsewhere, whose first
  // poll tick has run (the creation-time MouseOut is gone).
  void CreateWithStrip(int w, int h, int style = 0) {
    win.SetStrip(w, h);
    button->OnCreated();
    if (style != 0) button->SetStyle(style);
    button->OnLeavePollTick();
    rec.seen.clear();
    win.paints.clear();
  }
  void Enter() { button->OnMouseMove(0, 0, 10, 10), win.over = true, button->OnMouseMove(0, 0, 10, 10); }
  void LeftClick() {
    button->OnMouseDown(kButtonLeft, 0, 10, 10);
    button->OnMouseUp(kButtonLeft, 0, 10, 10);
  }

  FakeWindow win;
  Recorder rec;
  std::unique_ptr<iButtonLogic> button;
};

}  // namespace

TEST(ButtonArithmetic, StripOfNinetyByTwentyCutsIntoThirtyByTwentyFrames) {
  // 90 x 20 pixels as HIMETRIC (2381 x 529) comes back as whole pixels.
  FrameSize f = StripFrameSize(2381, 529, 0);
  EXPECT_EQ(f.width, 30);
  EXPECT_EQ(f.height, 20);
  f = StripFrameSize(std::round(150 * 2540.0 / 96), std::round(18 * 2540.0 / 96), 1);
  EXPECT_EQ(f.width, 25);
  EXPECT_EQ(f.height, 18);
  // A strip narrower than its frame count yields empty frames, not negative ones.
  f = StripFrameSize(26, 26, 0);
  EXPECT_EQ(f.width, 0);
  EXPECT_EQ(HimetricToPixels(26.45836 * 2.5), 3);  // halves round up
}

TEST(ButtonArithmetic, FrameChoiceFollowsLockedDrawnStateAndValue) {
  EXPECT_EQ(ChooseFrame(false, false, 1, false, 0).index, -1);  // nothing cut yet
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ(ChooseFrame(true, false, s, false, 0).index, s);
    EXPECT_EQ(ChooseFrame(true, false, s, true, 1).index, s + 3);
    EXPECT_EQ(ChooseFrame(true, true, s, false, 0).index, 2);
    EXPECT_EQ(ChooseFrame(true, true, s, true, 1).index, 5);
  }
  // Disabled: the group's normal frame, washed out; never a missing slot.
  FrameChoice d = ChooseFrame(true, false, kButtonDisabled, false, 0);
  EXPECT_EQ(d.index, 0);
  EXPECT_TRUE(d.greyed);
  d = ChooseFrame(true, false, kButtonDisabled, true, 1);
  EXPECT_EQ(d.index, 3);
  EXPECT_TRUE(d.greyed);
  EXPECT_FALSE(ChooseFrame(true, true, kButtonDisabled, false, 0).greyed);
  // States outside the strip pick no frame instead of reading past it.
  EXPECT_EQ(ChooseFrame(true, false, 7, false, 0).index, -1);
  EXPECT_EQ(ChooseFrame(true, false, -4, false, 0).index, -1);
}

TEST(ButtonArithmetic, CaptionAndIconLayout) {
  // 450 x 300 twips control, caption 150 x 180 twips.
  ButtonLayout l = LayoutButton(450, 300, 150, 180, false, 0, kButtonHover);
  EXPECT_DOUBLE_EQ(l.captionX, 150);
  EXPECT_DOUBLE_EQ(l.captionY, 60);
  l = LayoutButton(450, 300, 150, 180, false, 0, kButtonPressed);
  EXPECT_DOUBLE_EQ(l.captionX, 165);
  EXPECT_DOUBLE_EQ(l.captionY, 75);
  // A 16 px icon (423 HIMETRIC) counts as 16 * 15 twips; the caption moves
  // right by that, the icon sits left of the centred caption.
  const int iw = IconWidthTwips(423);
  EXPECT_EQ(iw, 16 * 15);
  l = LayoutButton(450, 300, 150, 180, true, iw, kButtonNormal);
  EXPECT_DOUBLE_EQ(l.captionX, 150 + 240);
  EXPECT_DOUBLE_EQ(l.iconX, 225 - 75 - 120);
  EXPECT_DOUBLE_EQ(l.iconY, 0);
  // The icon width is ignored when there is no icon.
  EXPECT_DOUBLE_EQ(LayoutButton(450, 300, 0, 180, false, 240, kButtonNormal).captionX, 225);
  PixelRect r = FocusRectangle(30, 20);
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.right, 27);
  EXPECT_EQ(r.bottom, 17);
}

TEST(ButtonArithmetic, FontTextRoundTripsAndRejectsDamage) {
  FontDesc f;
  f.name = "Tahoma;Bold";  // the name may hold the separator
  f.sizePoints = 10.5;
  f.weight = 700;
  f.underline = true;
  f.charset = 0;
  FontDesc back;
  ASSERT_TRUE(FontDescFromText(FontDescToText(f), back));
  EXPECT_EQ(back, f);

  FontDesc untouched;
  for (const char* bad : {"", "9;400;0;0;0;134;", "x;400;0;0;0;134;Arial", "9;400;2;0;0;134;Arial",
                          "0;400;0;0;0;134;Arial", "9;400;0;0;0;300;Arial", "9;400;0;0;0;Arial"}) {
    EXPECT_FALSE(FontDescFromText(bad, untouched)) << bad;
  }
  EXPECT_EQ(untouched, FontDesc{});
}

TEST_F(ButtonTest, AutoSizeMakesOneFrameInTwipsAndStatesShowTheirThirds) {
  win.SetStrip(90, 20);
  button->OnCreated();
  EXPECT_EQ(win.cutFrame.width, 30);
  EXPECT_EQ(win.cutFrame.height, 20);
  EXPECT_EQ(win.cutStripFrames, 3);
  EXPECT_EQ(win.widthTwips, 450);
  EXPECT_EQ(win.heightTwips, 300);
  EXPECT_TRUE(button->FramesReady());
  EXPECT_EQ(win.LastFrame(), 0);

  win.over = true;
  button->OnMouseMove(0, 0, 1, 1);
  EXPECT_EQ(win.LastFrame(), 1);
  button->OnMouseDown(kButtonLeft, 0, 1, 1);
  EXPECT_EQ(win.LastFrame(), 2);
  button->OnMouseUp(kButtonLeft, 0, 1, 1);
  EXPECT_EQ(win.LastFrame(), 1);
}

TEST_F(ButtonTest, WithoutAutoSizeOrPictureNothingIsResized) {
  button->OnCreated();
  EXPECT_FALSE(button->FramesReady());
  EXPECT_EQ(win.LastFrame(), -1);  // painted, but without a frame
  button->SetAutoSize(false);
  win.SetStrip(90, 20);
  button->CutStrip();
  EXPECT_EQ(win.resizes, 0);
  button->OnResize();
  EXPECT_EQ(win.resizes, 0);
  button->SetAutoSize(true);  // cuts again, which sizes
  EXPECT_EQ(win.resizes, 1);
  button->OnResize();  // the host resized it: back to one frame
  EXPECT_EQ(win.resizes, 2);
  EXPECT_EQ(win.widthTwips, 450);
}

TEST_F(ButtonTest, ToggleButtonFlipsOnLeftReleaseEnterAndSpaceRelease) {
  CreateWithStrip(150, 18, 1);
  EXPECT_EQ(win.cutStripFrames, 6);
  EXPECT_EQ(win.cutSlots, 8);
  Enter();
  LeftClick();
  EXPECT_TRUE(button->Value());
  EXPECT_EQ(win.LastFrame(), 4);  // hover of the Value group
  button->OnKeyDown(kKeyEnter, 0);
  EXPECT_FALSE(button->Value());
  button->OnKeyDown(kKeySpace, 0);
  EXPECT_FALSE(button->Value());  // Space acts on release
  EXPECT_EQ(win.LastFrame(), 2);
  button->OnKeyUp(kKeySpace, 0);
  EXPECT_TRUE(button->Value());
  EXPECT_EQ(rec.Count("Click"), 3);
  win.over = false;
  button->OnLeavePollTick();
  EXPECT_EQ(win.LastFrame(), 3);
  // Space and Enter while not hovering leave a focus rectangle.
  const int rects = win.focusRects;
  button->OnKeyDown(kKeyEnter, 0);
  EXPECT_EQ(win.focusRects, rects + 1);
}

TEST_F(ButtonTest, ValueStaysFalseOnAPushButton) {
  CreateWithStrip(90, 20);
  const auto paints = win.paints.size();
  button->SetValue(true);
  EXPECT_FALSE(button->Value());
  EXPECT_EQ(win.paints.size(), paints);  // and nothing repainted
  Enter();
  LeftClick();
  button->OnKeyDown(kKeyEnter, 0);
  EXPECT_FALSE(button->Value());
  // Leaving the toggle style drops a Value that only it could hold.
  button->SetStyle(1);
  button->SetValue(true);
  EXPECT_TRUE(button->Value());
  button->SetStyle(0);
  EXPECT_FALSE(button->Value());
  EXPECT_EQ(win.LastFrame(), 1);
}

TEST_F(ButtonTest, PressLeaveReleaseOutsideRaisesNoClick) {
  CreateWithStrip(90, 20);
  Enter();
  button->OnMouseDown(kButtonLeft, 0, 1, 1);
  win.over = false;
  button->OnMouseMove(1, 0, -50, 1);
  button->OnLeavePollTick();
  EXPECT_EQ(win.LastFrame(), 0);  // normal while held outside
  EXPECT_TRUE(win.pollRunning);   // but still watching
  EXPECT_EQ(rec.Count("MouseOut"), 0);
  win.over = true;
  button->OnLeavePollTick();
  EXPECT_EQ(win.LastFrame(), 2);  // back over: pressed again
  win.over = false;
  button->OnLeavePollTick();
  button->OnMouseUp(kButtonLeft, 0, -50, 1);
  EXPECT_EQ(rec.Count("Click"), 0);
  EXPECT_EQ(win.LastFrame(), 0);
  EXPECT_EQ(rec.Count("MouseOut"), 0);
  button->OnLeavePollTick();
  EXPECT_EQ(rec.Count("MouseOut"), 1);
  EXPECT_FALSE(win.pollRunning);
  EXPECT_FALSE(button->Hovering());
  EXPECT_EQ(rec.seen.back(), "MouseOut");
}

TEST_F(ButtonTest, RightClickRaisesMouseEventsButNoClickAndKeepsTheFrame) {
  CreateWithStrip(90, 20);
  Enter();
  const auto paints = win.paints.size();
  button->OnMouseDown(kButtonRight, 0, 1, 1);
  button->OnMouseUp(kButtonRight, 0, 1, 1);
  EXPECT_EQ(rec.Count("MouseDown2"), 1);
  EXPECT_EQ(rec.Count("MouseUp2"), 1);
  EXPECT_EQ(rec.Count("Click"), 0);
  EXPECT_EQ(win.paints.size(), paints);
  EXPECT_EQ(button->DrawnState(), kButtonHover);
}

TEST_F(ButtonTest, EveryDoubleClickRaisesDBClickOnlyLeftOnePaintsPressed) {
  CreateWithStrip(150, 18, 1);
  Enter();
  // Left: down, up (Click), double click, up.
  LeftClick();
  EXPECT_TRUE(button->Value());
  button->OnDoubleClick(kButtonLeft);
  EXPECT_EQ(win.LastFrame(), 5);
  button->OnMouseUp(kButtonLeft, 0, 1, 1);
  EXPECT_EQ(rec.Count("DBClick"), 1);
  EXPECT_EQ(rec.Count("Click"), 1);
  // Value changed exactly as often as Click was raised.
  EXPECT_TRUE(button->Value());
  EXPECT_EQ(win.LastFrame(), 4);

  button->OnMouseDown(kButtonRight, 0, 1, 1);
  button->OnMouseUp(kButtonRight, 0, 1, 1);
  const auto paints = win.paints.size();
  button->OnDoubleClick(kButtonRight);
  EXPECT_EQ(win.paints.size(), paints);
  EXPECT_EQ(rec.Count("DBClick"), 2);
}

TEST_F(ButtonTest, KeyCodeChangedByTheHostIsWhatTheButtonActsOn) {
  CreateWithStrip(90, 20);
  button->Events().KeyDown = [this](std::int16_t& k, std::int16_t&) {
    rec.seen.push_back("KeyDown");
    if (k == kKeyEnter) k = 0;
    else if (k == 'A') k = kKeyEnter;
  };
  button->OnKeyDown(kKeyEnter, 0);
  EXPECT_EQ(rec.Count("Click"), 0);
  button->OnKeyDown('A', 0);
  EXPECT_EQ(rec.Count("Click"), 1);
  button->Events().KeyUP = [](std::int16_t& k, std::int16_t&) { k = 0; };
  button->OnKeyUp(kKeySpace, 0);
  EXPECT_EQ(rec.Count("Click"), 1);
  button->OnChar('x');
  EXPECT_EQ(rec.seen.back(), "KeyPress120");
}

TEST_F(ButtonTest, LockedShowsPressedFrameButCaptionMovesOnlyWhenPressed) {
  CreateWithStrip(90, 20);
  button->SetLocked(true);
  EXPECT_EQ(win.LastFrame(), 2);
  EXPECT_EQ(win.LastPaintState(), kButtonNormal);
  Enter();
  EXPECT_EQ(win.LastFrame(), 2);
  EXPECT_EQ(win.LastPaintState(), kButtonHover);
  button->OnMouseDown(kButtonLeft, 0, 1, 1);
  EXPECT_EQ(win.LastPaintState(), kButtonPressed);
  // The state passed to painting decides the caption offset.
  const ButtonLayout normal = LayoutButton(450, 300, 60, 180, false, 0, win.paints[0].first);
  const ButtonLayout pressed = LayoutButton(450, 300, 60, 180, false, 0, win.LastPaintState());
  EXPECT_DOUBLE_EQ(pressed.captionX - normal.captionX, 15);
  button->SetLocked(false);
  EXPECT_EQ(win.LastFrame(), 2);
  button->OnMouseUp(kButtonLeft, 0, 1, 1);
  EXPECT_EQ(win.LastFrame(), 1);
}

TEST_F(ButtonTest, HoverCycleAndTheFirstTickMouseOut) {
  win.SetStrip(90, 20);
  button->OnCreated();
  EXPECT_TRUE(win.pollRunning);
  button->OnLeavePollTick();  // cursor elsewhere: one MouseOut, no MouseOver before it
  EXPECT_EQ(rec.seen, std::vector<std::string>{"MouseOut"});
  EXPECT_FALSE(win.pollRunning);
  rec.seen.clear();
  win.over = true;
  button->OnMouseMove(0, 0, 1, 1);
  button->OnMouseMove(0, 0, 2, 1);
  EXPECT_EQ(rec.seen, (std::vector<std::string>{"MouseMove", "MouseOver", "MouseMove"}));
  EXPECT_EQ(win.cursor, "hand");
  EXPECT_TRUE(win.pollRunning);
  button->OnLeavePollTick();  // still over: nothing
  EXPECT_EQ(rec.seen.size(), 3u);
  win.over = false;
  button->OnLeavePollTick();
  EXPECT_EQ(rec.seen.back(), "MouseOut");
  EXPECT_EQ(win.LastFrame(), 0);
  button->OnMouseDown(kButtonLeft, 0, 1, 1);
  EXPECT_EQ(win.cursor, "arrow");
}

TEST_F(ButtonTest, EmptyCaptionAndIconSettingsRepaintAsTheyShould) {
  CreateWithStrip(90, 20);
  button->SetCaption("");
  ASSERT_EQ(win.paints.size(), 1u);  // caption repaints...
  button->SetCaption("OK");
  EXPECT_EQ(win.paints.size(), 2u);
  EXPECT_EQ(button->DrawnState(), kButtonNormal);
  // ...without making the derived state the drawn one.
  win.over = true;
  button->Repaint();
  EXPECT_EQ(win.LastPaintState(), kButtonHover);
  EXPECT_EQ(win.LastFrame(), 0);
  EXPECT_EQ(button->DrawnState(), kButtonNormal);
}

TEST_F(ButtonTest, DisabledButtonPaintsWashedOutNormalFrame) {
  CreateWithStrip(90, 20);
  win.enabled = false;
  button->ForcedRepaint();
  EXPECT_EQ(button->DrawnState(), kButtonDisabled);
  EXPECT_EQ(win.LastFrame(), 0);
  EXPECT_TRUE(win.paints.back().second.greyed);
}

TEST_F(ButtonTest, FocusRectangleRules) {
  CreateWithStrip(90, 20);
  button->OnFocusEnter();
  EXPECT_EQ(win.focusRects, 1);
  win.over = true;
  button->OnMouseMove(0, 0, 1, 1);
  button->OnMouseDown(kButtonLeft, 0, 1, 1);
  button->OnFocusEnter();  // focus arriving with the press: no rectangle
  EXPECT_EQ(win.focusRects, 1);
  button->OnMouseUp(kButtonLeft, 0, 1, 1);
  button->OnKeyDown(kKeyEnter, 0);  // hovering: no rectangle
  EXPECT_EQ(win.focusRects, 1);
  const auto paints = win.paints.size();
  button->OnFocusExit();
  EXPECT_EQ(win.paints.size(), paints + 1);
}

TEST_F(ButtonTest, HostMayDestroyTheButtonInsideANotification) {
  CreateWithStrip(90, 20);
  Enter();
  button->Events().Click = [this] { button.reset(); };
  LeftClick();
  EXPECT_EQ(button, nullptr);
  // Again from an event raised before the control reacts.
  button = std::make_unique<iButtonLogic>(win);
  button->Events().MouseDown = [this](std::int16_t&, std::int16_t&, float&, float&) { button.reset(); };
  button->OnMouseDown(kButtonLeft, 0, 1, 1);
  EXPECT_EQ(button, nullptr);
  button = std::make_unique<iButtonLogic>(win);
  button->Events().MouseOut = [this] { button.reset(); };
  win.over = false;
  button->OnLeavePollTick();
  EXPECT_EQ(button, nullptr);
}

TEST_F(ButtonTest, LosingTheCaptureEndsThePressWithoutAClick) {
  CreateWithStrip(90, 20);
  Enter();
  button->OnMouseDown(kButtonLeft, 0, 1, 1);
  ASSERT_EQ(win.LastFrame(), 2);
  button->OnCaptureLost();
  EXPECT_FALSE(button->LeftButtonDown());
  EXPECT_EQ(win.LastFrame(), 1);  // over it, no longer pressed
  // Passing over it later shows no pressed frame; leaving stops the poll.
  button->OnLeavePollTick();
  EXPECT_EQ(win.LastFrame(), 1);
  win.over = false;
  button->OnLeavePollTick();
  EXPECT_FALSE(win.pollRunning);
  // A release over it that ends a press made elsewhere is no click.
  win.over = true;
  button->OnMouseMove(0, 0, 10, 10);
  button->OnMouseUp(kButtonLeft, 0, 10, 10);
  EXPECT_EQ(rec.Count("Click"), 0);
}

TEST_F(ButtonTest, HandlerThatReplacesTheHandlersKeepsRunning) {
  CreateWithStrip(90, 20);
  Enter();
  // The handler's own state lives in its closure; replacing the handlers
  // from inside must not free it while it runs.
  auto text = std::make_shared<std::string>(1000, 'x');
  std::size_t seen = 0;
  button->Events().Click = [this, text, &seen] {
    button->Events() = iButtonEvents{};
    seen = text->size();
  };
  text.reset();
  LeftClick();
  EXPECT_EQ(seen, 1000u);
}
