#include <gtest/gtest.h>

#include <functional>

#include "core/tabs/TabFakes.h"
#include "tabs/TabAccessibility.h"

using namespace vorn2;
using namespace vorn2::test;

TEST(TabAccessibility, EachChangeOfTheStripIsAnnouncedOnceWithTheIndexThatNamesItsTab) {
  using C = TabChange;
  const struct {
    const char* what;
    std::function<void(CTabItems&)> change;
    std::vector<TabAnnouncement> expected;
  } rows[] = {
      {"opened", [](CTabItems& items) { items.Add("t3", std::make_shared<FakeForm>(0x203)); }, {{C::Opened, 3}}},
      {"closed left of the selection, which moves down but stays on its tab",
       [](CTabItems& items) { items.Remove(0, true); },
       {{C::Closed, 0}}},
      {"selected one closed", [](CTabItems& items) { items.Remove(1, true); }, {{C::Closed, 1}, {C::Selected, 0}}},
      {"retitled", [](CTabItems& items) { items.Item(2)->SetCaption("news"); }, {{C::Retitled, 2}}},
      {"selection moved", [](CTabItems& items) { items.SetSelected(2); }, {{C::Deselected, 1}, {C::Selected, 2}}},
      {"cleared, last first",
       [](CTabItems& items) { items.Clear(); },
       {{C::Closed, 2}, {C::Closed, 1}, {C::Closed, 0}}},
  };
  for (const auto& row : rows) {
    const std::shared_ptr<FakeStrip> strip = FakeStrip::New(600);
    strip->LockReDraw(false);
    std::shared_ptr<CTabItems> items = strip->TabItems();
    for (int i = 0; i < 3; ++i) items->Add("t" + std::to_string(i), std::make_shared<FakeForm>(0x200 + i));
    items->SetSelected(1);
    const TabLook before = LookAt(*strip);
    row.change(*items);
    EXPECT_EQ(CompareLooks(before, LookAt(*strip)), row.expected) << row.what;
    EXPECT_TRUE(CompareLooks(LookAt(*strip), LookAt(*strip)).empty()) << row.what;
  }
}

TEST(TabAccessibility, DefaultActionsClickWhereTheHitTestFindsTheTabOrItsGlyph) {
  for (const int style : {0, 1}) {
    const std::shared_ptr<FakeStrip> strip = FakeStrip::New(600);
    strip->SetTabStyle(style);
    strip->LockReDraw(false);
    std::shared_ptr<CTabItems> items = strip->TabItems();
    for (int i = 0; i < 3; ++i) items->Add("t", std::make_shared<FakeForm>(0x200 + i));
    for (const bool onClose : {false, true}) {
      const std::optional<TabPoint> at = TabClickPoint(*strip, 1, onClose);
      ASSERT_TRUE(at) << style;
      const TabHit hit = strip->HitTest(at->x, at->y);
      EXPECT_EQ(hit.index, 1) << style;
      EXPECT_EQ(hit.onClose, onClose) << style;
    }
    items->Item(1)->SetHideButton(true);
    EXPECT_FALSE(TabClickPoint(*strip, 1, true)) << style;
    strip->width = 40;  // no room left for any tab
    strip->CalcItemWidth();
    strip->LayoutItems();
    EXPECT_FALSE(TabClickPoint(*strip, 1, false)) << style;
  }
}
