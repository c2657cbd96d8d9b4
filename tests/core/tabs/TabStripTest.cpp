#include <gtest/gtest.h>

#include <limits>

#include "core/tabs/TabFakes.h"
#include "tabs/TabStrip.h"

using namespace vorn2;
using namespace vorn2::test;

namespace {

struct Strip {
  std::shared_ptr<FakeStrip> strip;
  std::shared_ptr<CTabItems> items;
  std::vector<std::shared_ptr<FakeForm>> forms;
  std::vector<std::string> events;

  explicit Strip(int width = 600, int style = 0, int left = 40, int right = 0) : strip(FakeStrip::New(width)) {
    items = strip->TabItems();
    strip->SetTabStyle(style);
    strip->SetTabLeftSize(left);
    strip->TabRight(right);
    strip->SetContainerForTest(0x900);
    auto mouse = [this](const char* name) {
      return [this, name](std::int32_t i, std::int16_t b, std::int16_t s, float x, float y) {
        events.push_back(std::string(name) + " " + std::to_string(i) + " " + std::to_string(b) + " " +
                         std::to_string(s) + " " + std::to_string(static_cast<int>(x)) + "," +
                         std::to_string(static_cast<int>(y)));
      };
    };
    strip->Events().TabChanged = [this] { events.push_back("TabChanged"); };
    strip->Events().OnDblClick = mouse("DblClick");
    strip->Events().OnMouseDown = mouse("Down");
    strip->Events().OnMouseHover = mouse("Hover");
    strip->Events().OnMouseMove = mouse("Move");
    strip->Events().OnMouseUp = mouse("Up");
    strip->Events().OnMouseLeave = [this] { events.push_back("Leave"); };
    strip->Events().OnItemColose = [this](std::int32_t i, bool& cancel) {
      events.push_back("Close " + std::to_string(i));
      cancel = cancelClose;
    };
  }
  void AddTabs(int n, bool lockFirst = false) {
    for (int i = 0; i < n; ++i) {
      auto form = std::make_shared<FakeForm>(0x100 + forms.size());
      forms.push_back(form);
      items->Add("t" + std::to_string(forms.size() - 1), form);
    }
    if (lockFirst) items->Item(0)->SetLockSize(true);
  }
  std::vector<int> Lefts() const {
    std::vector<int> out;
    for (int i = 0; i < items->Count(); ++i) out.push_back(items->Item(i)->Left());
    return out;
  }
  std::vector<int> Widths() const {
    std::vector<int> out;
    for (int i = 0; i < items->Count(); ++i) out.push_back(items->Item(i)->Width());
    return out;
  }
  std::vector<std::string> Take() { return std::exchange(events, {}); }
  bool cancelClose = false;
};

}  // namespace

TEST(TabStripLayout, CompactStyleCapsTheWidthAt108) {
  Strip s(600, 0, 40, 0);
  s.AddTabs(3);
  // Nothing is laid out while drawing is locked.
  EXPECT_EQ(s.Lefts(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(s.Widths(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(s.strip->tabDraws, 0);
  EXPECT_EQ(s.strip->backgrounds, 0);
  EXPECT_EQ(s.items->Selected(), 0);
  s.strip->LockReDraw(false);
  EXPECT_EQ(s.Lefts(), (std::vector<int>{14, 122, 230}));
  EXPECT_EQ(s.Widths(), (std::vector<int>{108, 108, 108}));
  EXPECT_EQ(s.strip->backgrounds, 1);
  EXPECT_EQ(s.strip->tabDraws, 1);
}

TEST(TabStripLayout, RoundedStyleSharesTheAreaRoundingHalvesToEven) {
  Strip s(681, 1, 10, 0);
  s.strip->LockReDraw(false);
  s.AddTabs(4);  // 651 / 4 = 162.75 -> 163
  EXPECT_EQ(s.Lefts(), (std::vector<int>{0, 168, 336, 504}));
  EXPECT_EQ(s.Widths(), (std::vector<int>{163, 163, 163, 163}));

  Strip t(610, 1, 10, 0);  // A = 600
  t.strip->LockReDraw(false);
  t.AddTabs(3, /*lockFirst=*/true);
  EXPECT_EQ(t.Widths(), (std::vector<int>{195, 195, 195}));  // LockSize shows at the next layout
  t.strip->LockReDraw(false);
  EXPECT_EQ(t.Widths(), (std::vector<int>{200, 192, 192}));  // 385 / 2 = 192.5 -> 192
  EXPECT_EQ(t.Lefts(), (std::vector<int>{0, 205, 402}));
}

TEST(TabStripLayout, WidthHasNoLowerLimitAndBandsCount) {
  Strip s(200, 0, 40, 20);
  s.strip->LockReDraw(false);
  s.AddTabs(30);  // (140 - 14) / 30 = 4.2 -> 4
  EXPECT_EQ(s.strip->ItemWidth(), 4);
  Strip narrow(30, 1, 10, 0);
  narrow.strip->LockReDraw(false);
  narrow.AddTabs(6);  // 20 - 30 = -10; -10 / 6 -> -2
  EXPECT_EQ(narrow.strip->ItemWidth(), -2);
  EXPECT_EQ(narrow.Lefts()[1], 3);
  // All tabs locked: the full width.
  Strip locked(300, 0, 40, 0);
  locked.strip->LockReDraw(false);
  locked.AddTabs(2);
  locked.items->Item(0)->SetLockSize(true);
  locked.items->Item(1)->SetLockSize(true);
  locked.strip->LockReDraw(false);
  EXPECT_EQ(locked.strip->ItemWidth(), 108);
}

TEST(TabStripLayout, AbsurdBandWidthsNeitherOverflowNorWrap) {
  constexpr int kMax = std::numeric_limits<std::int32_t>::max();
  constexpr int kMin = std::numeric_limits<std::int32_t>::min();
  // Bands wider than any screen: the tab area is held at -1,000,000 px
  // instead of wrapping to a positive width.
  Strip wide(600, 0, kMax, kMax);
  wide.AddTabs(3);
  wide.strip->LockReDraw(false);
  EXPECT_EQ(wide.strip->TabAreaWidth(), -1000000);
  EXPECT_EQ(wide.strip->ItemWidth(), -333338);  // (-1000000 - 14) / 3
  EXPECT_EQ(wide.Lefts(), (std::vector<int>{14, 14 - 333338, 14 - 2 * 333338}));
  EXPECT_EQ(wide.strip->HitTest(300, 10).index, kHitSideBand);
  // Bands of negative width leave a huge tab area: full-width tabs, and a
  // point right of them is no tab.
  Strip negative(600, 1, kMin, kMin);
  negative.AddTabs(2);
  negative.strip->LockReDraw(false);
  EXPECT_EQ(negative.Widths(), (std::vector<int>{200, 200}));
  EXPECT_EQ(negative.strip->HitTest(300, 10).index, kHitNoTab);
  // A point beyond a (fake) client wider than a million pixels is outside.
  Strip huge(16716799, 0, 0, 0);
  huge.strip->LockReDraw(false);
  EXPECT_EQ(huge.strip->HitTest(2.2e9f, 10).index, kHitOutside);
}

TEST(TabStripLayout, AtAnyFactorEveryDesignLengthIsScaledOnce) {
  for (int dpi : {120, 144, 192}) {
    const DpiScale k(dpi);
    Strip s(k.Px(600), 0, 40, 0);  // the band keeps its design value
    s.strip->SetLayoutScale(k);
    s.strip->LockReDraw(false);
    s.AddTabs(3);
    const int slope = k.Px(14), full = k.Px(108), band = k.Px(40);
    EXPECT_EQ(s.strip->TabLeftSize(), 40);
    EXPECT_EQ(s.strip->TabAreaWidth(), k.Px(600) - band) << dpi;
    EXPECT_EQ(s.Lefts(), (std::vector<int>{slope, slope + full, slope + 2 * full})) << dpi;
    EXPECT_EQ(s.Widths(), (std::vector<int>{full, full, full})) << dpi;
    // The close box of tab 0 and the band's bottom, scaled.
    const int right = band + slope + full;
    EXPECT_TRUE(s.strip->HitTest(right - k.Px(24), k.Px(6)).onClose) << dpi;
    EXPECT_TRUE(s.strip->HitTest(right - k.Px(12), k.Px(18)).onClose) << dpi;
    EXPECT_FALSE(s.strip->HitTest(right - k.Px(24) - 1, k.Px(6)).onClose) << dpi;
    EXPECT_FALSE(s.strip->HitTest(right - k.Px(12), k.Px(18) + 1).onClose) << dpi;
    EXPECT_EQ(s.strip->HitTest(band + 2, k.Px(25)).index, 0) << dpi;
    EXPECT_EQ(s.strip->HitTest(band + 2, k.Px(25) + 1).index, kHitOutside) << dpi;
    EXPECT_EQ(s.strip->HitTest(band - 1, 5).index, kHitSideBand) << dpi;

    Strip r(k.Px(681), 1, 10, 0);  // rounded: the gaps scale too
    r.strip->SetLayoutScale(k);
    r.strip->LockReDraw(false);
    r.AddTabs(2);
    EXPECT_EQ(r.Lefts(), (std::vector<int>{0, k.Px(200) + k.Px(5)})) << dpi;
  }
}

TEST(TabStripHitTest, CodesAndBoundaries) {
  Strip empty(600, 0, 40, 30);
  empty.strip->LockReDraw(false);
  EXPECT_EQ(empty.strip->HitTest(100, 10).index, kHitNoTab);
  EXPECT_EQ(empty.strip->HitTest(39, 10).index, kHitSideBand);
  EXPECT_EQ(empty.strip->HitTest(40, 10).index, kHitNoTab);
  EXPECT_EQ(empty.strip->HitTest(571, 10).index, kHitSideBand);
  EXPECT_EQ(empty.strip->HitTest(570, 10).index, kHitNoTab);
  EXPECT_EQ(empty.strip->HitTest(600, 25).index, kHitSideBand);
  EXPECT_EQ(empty.strip->HitTest(601, 10).index, kHitOutside);
  EXPECT_EQ(empty.strip->HitTest(-1, 10).index, kHitOutside);
  EXPECT_EQ(empty.strip->HitTest(100, 26).index, kHitOutside);
  EXPECT_EQ(empty.strip->HitTest(100, -1).index, kHitOutside);
  // Coordinates round halves to even: 25.5 -> 26 is outside, 24.5 -> 24.
  EXPECT_EQ(empty.strip->HitTest(100, 25.5f).index, kHitOutside);
  EXPECT_EQ(empty.strip->HitTest(100, 24.5f).index, kHitNoTab);

  Strip s(600, 0, 40, 0);
  s.strip->LockReDraw(false);
  s.AddTabs(3);  // Left 14, 122, 230, width 108
  EXPECT_EQ(s.strip->HitTest(40, 10).index, 0);
  EXPECT_EQ(s.strip->HitTest(40 + 14, 10).index, 0);
  EXPECT_EQ(s.strip->HitTest(40 + 122, 10).index, 0);  // Left + Width belongs to the left tab
  EXPECT_EQ(s.strip->HitTest(40 + 123, 10).index, 1);
  EXPECT_EQ(s.strip->HitTest(40 + 338, 10).index, 2);
  EXPECT_EQ(s.strip->HitTest(40 + 339, 10).index, kHitNoTab);
  // Close box of tab 0: x 98..110, y 6..18 of the tab area.
  EXPECT_TRUE(s.strip->HitTest(40 + 98, 6).onClose);
  EXPECT_TRUE(s.strip->HitTest(40 + 110, 18).onClose);
  EXPECT_FALSE(s.strip->HitTest(40 + 97, 10).onClose);
  EXPECT_FALSE(s.strip->HitTest(40 + 111, 10).onClose);
  EXPECT_FALSE(s.strip->HitTest(40 + 100, 5).onClose);
  EXPECT_FALSE(s.strip->HitTest(40 + 100, 19).onClose);
  EXPECT_EQ(s.strip->HitTest(40 + 206, 12).index, 1);
  EXPECT_TRUE(s.strip->HitTest(40 + 206, 12).onClose);
  s.items->Item(1)->SetHideButton(true);
  EXPECT_FALSE(s.strip->HitTest(40 + 206, 12).onClose);

  Strip r(681, 1, 10, 0);
  r.strip->LockReDraw(false);
  r.AddTabs(4);  // Left 0, 168, ...; width 163
  EXPECT_EQ(r.strip->HitTest(10 + 165, 10).index, kHitNoTab);  // the 5 px gap
  EXPECT_EQ(r.strip->HitTest(10 + 168, 10).index, 1);
  EXPECT_TRUE(r.strip->HitTest(10 + 168 + 143, 7).onClose);
  EXPECT_TRUE(r.strip->HitTest(10 + 168 + 155, 19).onClose);
  EXPECT_FALSE(r.strip->HitTest(10 + 168 + 156, 19).onClose);
  EXPECT_FALSE(r.strip->HitTest(10 + 168 + 150, 6).onClose);
  EXPECT_EQ(r.strip->HitTest(10 + 200, 26).index, kHitOutside);
}

TEST(TabStripSelection, WritesAndRemovals) {
  Strip s;
  s.strip->LockReDraw(false);
  s.AddTabs(1);
  EXPECT_EQ(s.strip->Selected(), 0);
  EXPECT_TRUE(s.strip->placed.empty());  // the first tab's window stays hidden
  s.AddTabs(3);
  // Each later window change places the selected window again.
  EXPECT_EQ(s.strip->placed, (std::vector<WindowHandle>{0x100, 0x100, 0x100}));
  s.strip->placed.clear();

  const int backgrounds = s.strip->backgrounds;
  s.strip->SetSelected(4);  // Count: ignored, no repaint
  EXPECT_EQ(s.strip->Selected(), 0);
  EXPECT_EQ(s.strip->backgrounds, backgrounds);
  s.strip->SetSelected(-5);
  EXPECT_EQ(s.strip->Selected(), -1);
  EXPECT_EQ(s.strip->backgrounds, backgrounds + 1);
  EXPECT_TRUE(s.strip->placed.empty());
  s.strip->SetSelected(2);
  EXPECT_EQ(s.strip->placed, std::vector<WindowHandle>{0x102});

  s.items->Remove(3, false);  // right of the selection: unchanged
  EXPECT_EQ(s.strip->Selected(), 2);
  s.items->Remove(0, false);  // left of it: the same tab, one less
  EXPECT_EQ(s.strip->Selected(), 1);
  EXPECT_EQ(s.items->Item(1)->Caption(), "t2");
  s.strip->placed.clear();
  s.items->Remove(1, true);  // the selected one: tab 0, shown before the window closes
  EXPECT_EQ(s.strip->Selected(), 0);
  EXPECT_EQ(s.strip->placed, std::vector<WindowHandle>{0x101});
  EXPECT_EQ(s.forms[2]->unloadCalls, 1);
  s.items->Remove(0, true);
  EXPECT_EQ(s.strip->Selected(), 0);
  EXPECT_EQ(s.items->Count(), 0);
  s.strip->SetSelected(0);  // nothing to select
  EXPECT_EQ(s.strip->Selected(), 0);
  for (auto& f : s.forms) f->Unload();
}

TEST(TabStripSelection, ShowSelectedFormNeedsAContainerAndRefreshPageASelection) {
  Strip s;
  s.strip->SetContainerForTest(0);
  s.strip->LockReDraw(false);
  s.AddTabs(2);
  s.strip->SetSelected(1);
  EXPECT_TRUE(s.strip->placed.empty());
  s.strip->RefreshPage();
  EXPECT_EQ(s.forms[1]->refreshCalls, 1);
  s.strip->SetSelected(-1);
  try {
    s.strip->RefreshPage();
    ADD_FAILURE() << "no error";
  } catch (const TabError& e) {
    EXPECT_EQ(e.Number(), 91);
  }
}

TEST(TabStripMouse, HoverRaisesOneEventPerHitChange) {
  Strip s;
  s.strip->LockReDraw(false);
  s.AddTabs(3);
  s.Take();
  const int draws = s.strip->tabDraws;
  s.strip->MouseMove(0, 0, 60, 10);  // tab 0 body
  s.strip->MouseMove(0, 0, 70, 10);  // same: only the move
  s.strip->MouseMove(0, 1, 140, 10);  // tab 0 close: repaint, no hover
  s.strip->MouseMove(0, 0, 200, 10);  // tab 1
  s.strip->MouseMove(0, 0, 20, 10);   // left band
  EXPECT_EQ(s.Take(), (std::vector<std::string>{"Hover 0 0 0 60,10", "Move 0 0 0 60,10", "Move 0 0 0 70,10",
                                                "Move 0 0 1 140,10", "Hover 1 0 0 200,10", "Move 1 0 0 200,10",
                                                "Hover -2 0 0 20,10", "Move -2 0 0 20,10"}));
  EXPECT_EQ(s.strip->tabDraws, draws + 4);
  EXPECT_EQ(s.strip->leaveRequests, 5);
  // With a button held the hover is frozen and the index is 0.
  s.strip->MouseMove(kButtonLeft | kButtonRight, 0, 200, 10);
  EXPECT_EQ(s.Take(), std::vector<std::string>{"Move 0 3 0 200,10"});
  EXPECT_EQ(s.strip->HotIndex(), -2);
  EXPECT_EQ(s.strip->leaveRequests, 5);

  s.strip->MouseLeave();
  EXPECT_EQ(s.strip->HotIndex(), -1);
  const int afterLeave = s.strip->tabDraws;
  s.strip->MouseLeave();  // nothing changed: still reported, no repaint
  EXPECT_EQ(s.strip->tabDraws, afterLeave);
  EXPECT_EQ(s.Take(), (std::vector<std::string>{"Leave", "Leave"}));
}

TEST(TabStripMouse, PressSelectsAndReleaseOverTheCloseBoxCloses) {
  Strip s;
  s.strip->LockReDraw(false);
  s.AddTabs(3);
  s.strip->SetSelected(0);
  s.Take();
  s.strip->placed.clear();

  // Press on tab 1's body, never hovered: the hover follows it, then it is
  // selected and shown, TabChanged before OnMouseDown.
  s.strip->MouseDown(kButtonLeft, 0, 200, 10);
  EXPECT_EQ(s.strip->Selected(), 1);
  EXPECT_EQ(s.strip->placed, std::vector<WindowHandle>{0x101});
  s.strip->MouseUp(kButtonLeft, 0, 200, 10);
  EXPECT_EQ(s.Take(),
            (std::vector<std::string>{"Hover 1 1 0 200,10", "TabChanged", "Down 1 1 0 200,10", "Up 1 1 0 200,10"}));
  // Press on the already selected tab still raises TabChanged; the right button does not.
  s.strip->MouseDown(kButtonRight, kShiftCtrl, 200, 10);
  s.strip->MouseDown(kButtonLeft, 0, 200, 10);
  EXPECT_EQ(s.Take(), (std::vector<std::string>{"Down 0 2 2 200,10", "TabChanged", "Down 1 1 0 200,10"}));
  s.strip->MouseUp(kButtonLeft, 0, 200, 10);

  // Hover tab 2's close box, press: pressed state, no selection change.
  s.strip->MouseMove(0, 0, 40 + 230 + 90, 12);
  EXPECT_EQ(s.strip->HotState(), 1);
  s.strip->MouseDown(kButtonLeft, 0, 40 + 230 + 90, 12);
  EXPECT_EQ(s.strip->HotState(), 2);
  EXPECT_EQ(s.strip->Selected(), 1);
  s.strip->MouseMove(kButtonLeft, 0, 40 + 230 + 91, 13);
  EXPECT_EQ(s.strip->HotState(), 2);  // frozen while held
  s.Take();
  const int backgrounds = s.strip->backgrounds;
  s.strip->MouseUp(kButtonLeft, 0, 40 + 230 + 91, 13);
  EXPECT_EQ(s.Take(), (std::vector<std::string>{"Close 2", "Up 2 1 0 361,13"}));
  EXPECT_EQ(s.items->Count(), 2);
  EXPECT_EQ(s.forms[2]->unloadCalls, 1);
  EXPECT_EQ(s.strip->HotState(), 0);
  EXPECT_GT(s.strip->backgrounds, backgrounds);
}

TEST(TabStripMouse, ReleaseClosesOnlyTheHoveredTabAndHonoursCancel) {
  Strip s;
  s.strip->LockReDraw(false);
  s.AddTabs(3);
  s.Take();
  // Hover tab 0's body, then release over tab 1's close box: hover index differs.
  s.strip->MouseMove(0, 0, 60, 10);
  s.strip->MouseDown(kButtonLeft, 0, 60, 10);
  s.strip->MouseUp(kButtonLeft, 0, 40 + 206, 12);
  EXPECT_EQ(s.items->Count(), 3);

  // The host cancels: the tab stays, the close box is drawn unpressed.
  s.cancelClose = true;
  s.strip->MouseMove(0, 0, 40 + 206, 12);
  s.strip->MouseDown(kButtonLeft, 0, 40 + 206, 12);
  EXPECT_EQ(s.strip->HotState(), 2);
  s.Take();
  s.strip->MouseUp(kButtonLeft, 0, 40 + 206, 12);
  EXPECT_EQ(s.Take(), (std::vector<std::string>{"Close 1", "Up 1 1 0 246,12"}));
  EXPECT_EQ(s.items->Count(), 3);
  EXPECT_EQ(s.strip->HotState(), 0);
  EXPECT_EQ(s.forms[1]->unloadCalls, 0);

  // The tabs slide under a pointer that has not moved (tab 0 closed): the
  // press acts on what lies under it, not on the last move's hover.
  s.cancelClose = false;
  s.strip->MouseMove(0, 0, 40 + 100, 12);  // tab 0's body
  s.items->Remove(0, true);
  s.Take();
  s.strip->MouseDown(kButtonLeft, 0, 40 + 206, 12);  // now tab 1's close box, never hovered
  EXPECT_EQ(s.strip->HotIndex(), 1);
  EXPECT_EQ(s.strip->HotState(), 2);
  s.strip->MouseUp(kButtonLeft, 0, 40 + 206, 12);
  EXPECT_EQ(s.Take(), (std::vector<std::string>{"Hover 1 1 0 246,12", "TabChanged", "Down 1 1 0 246,12", "Close 1",
                                                "Up 1 1 0 246,12"}));
  EXPECT_EQ(s.items->Count(), 1);

  // A tab without close button is not closed from its box.
  s.AddTabs(2);
  s.items->Item(1)->SetHideButton(true);
  s.strip->MouseDown(kButtonLeft, 0, 40 + 206, 12);
  s.strip->MouseUp(kButtonLeft, 0, 40 + 206, 12);
  EXPECT_EQ(s.items->Count(), 3);
}

TEST(TabStripMouse, HostDroppingTheStripInsideTheCloseQuestionIsSafe) {
  auto log = std::make_shared<std::vector<std::string>>();
  std::shared_ptr<FakeStrip> holder = FakeStrip::New();
  std::weak_ptr<FakeStrip> weak = holder;
  holder->LockReDraw(false);
  auto form = std::make_shared<FakeForm>(0x10);
  holder->TabItems()->Add("only", form);
  // The last tab's close closes the whole window: the host lets the strip go.
  holder->Events().OnItemColose = [&holder, log](std::int32_t, bool& cancel) {
    cancel = true;
    holder->TabItems()->Clear();
    holder.reset();
    log->push_back("closed");
  };
  holder->Events().OnMouseUp = [log](std::int32_t i, std::int16_t, std::int16_t, float, float) {
    log->push_back("up " + std::to_string(i));
  };
  holder->MouseMove(0, 0, 40 + 100, 12);
  holder->MouseDown(kButtonLeft, 0, 40 + 100, 12);
  weak.lock()->MouseUp(kButtonLeft, 0, 40 + 100, 12);
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(*log, (std::vector<std::string>{"closed", "up 0"}));
  EXPECT_EQ(form->unloadCalls, 1);
}

TEST(TabStripMouse, DoubleClickReplaysTheRecordedPress) {
  Strip s;
  s.strip->LockReDraw(false);
  s.AddTabs(3);
  s.strip->SetSelected(0);
  s.Take();
  s.strip->MouseDown(kButtonLeft, kShiftShift, 300, 8);
  s.strip->MouseUp(kButtonLeft, kShiftShift, 300, 8);
  s.Take();
  s.strip->SetSelected(0);
  s.strip->DblClick();
  EXPECT_EQ(s.strip->Selected(), 2);
  EXPECT_EQ(s.Take(), (std::vector<std::string>{"TabChanged", "Down 2 1 1 300,8", "DblClick 2 1 1 300,8"}));
}

TEST(TabStripIuTab, ClearAndChangeFormIgnoreWindowFailures) {
  class ThrowingForm : public FakeForm {
   public:
    ThrowingForm() : FakeForm(0) {}
    WindowHandle hWnd() override { throw std::runtime_error("gone"); }
  };
  Strip s;
  s.strip->LockReDraw(false);
  s.AddTabs(2);
  s.strip->SetSelected(1);
  auto item = s.items->Item(0);
  auto bad = std::make_shared<ThrowingForm>();
  EXPECT_NO_THROW(item->SetForm(bad));  // ChangeForm swallows it
  // Outside ChangeForm the window's error reaches the caller.
  EXPECT_THROW(s.items->Add("x", std::make_shared<ThrowingForm>()), std::runtime_error);
  s.items->Clear();
  EXPECT_EQ(s.strip->Selected(), 0);
  EXPECT_EQ(bad->unloadCalls, 1);
}

TEST(TabStripMouse, HandlersReplacedInsideANotificationFinishRunning) {
  Strip s;
  s.strip->LockReDraw(false);
  s.AddTabs(2);
  // Each handler clears every handler, then reads its own closure.
  auto payload = std::make_shared<std::string>(500, 'p');
  std::vector<std::size_t> seen;
  auto clearing = [&s, payload, &seen] {
    s.strip->Events() = uTabEvents{};
    seen.push_back(payload->size());
  };
  s.strip->Events().TabChanged = clearing;
  s.strip->MouseDown(kButtonLeft, 0, 200, 10);
  s.strip->MouseUp(kButtonLeft, 0, 200, 10);
  s.strip->Events().OnItemColose = [clearing](std::int32_t, bool&) { clearing(); };
  payload.reset();
  s.strip->MouseMove(0, 0, 40 + 100, 12);
  s.strip->MouseDown(kButtonLeft, 0, 40 + 100, 12);
  s.strip->MouseUp(kButtonLeft, 0, 40 + 100, 12);
  EXPECT_EQ(seen, (std::vector<std::size_t>{500, 500}));
}
