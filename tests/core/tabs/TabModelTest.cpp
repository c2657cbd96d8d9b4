#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "core/tabs/TabFakes.h"
#include "tabs/TabModel.h"

using namespace vorn2;
using namespace vorn2::test;

namespace {

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const TabError& e) {
    return e.Number();
  }
  return 0;
}

struct StripWithForms {
  std::shared_ptr<FakeStrip> strip = FakeStrip::New();
  std::shared_ptr<CTabItems> items = strip->TabItems();
  std::vector<std::shared_ptr<FakeForm>> forms;

  std::shared_ptr<FakeForm> AddTab(const std::string& key) {
    auto form = std::make_shared<FakeForm>(0x1000 + forms.size());
    forms.push_back(form);
    items->Add("Game" + key, form, key);
    return form;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (int i = 0; i < items->Count(); ++i) out.push_back(items->Item(i)->Caption());
    return out;
  }
};

}  // namespace

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(162.75), 163);
  EXPECT_EQ(RoundHalfEven(192.5), 192);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

TEST(TabModel, AddRunsItsStepsInOrderAndTellsTheStrip) {
  auto api = std::make_shared<FakeWindowApi>();
  auto strip = FakeStrip::New();
  // A list with window calls, attached like the strip's own.
  auto items = std::make_shared<CTabItems>(api);
  items->SetTab(strip);
  auto form = std::make_shared<FakeForm>(0x77);

  EXPECT_TRUE(items->Add("Caption", form, std::string("k")));
  ASSERT_EQ(items->Count(), 1);
  auto item = items->Item(0);
  EXPECT_EQ(item->Caption(), "Caption");
  EXPECT_EQ(item->Form(), form);
  EXPECT_EQ(form->initializeCalls, 2);
  EXPECT_EQ(form->item, item);
  EXPECT_EQ(form->strip.lock(), strip);
  // ChangeForm adopted it once, the strip's Add once more.
  EXPECT_EQ(strip->adopted, (std::vector<WindowHandle>{0x77, 0x77}));
  EXPECT_EQ(api->calls, (std::vector<std::string>{"GetStyle 119", "SetActiveWindow 1280"}));
  // The strip selects the first tab but does not show its window.
  EXPECT_EQ(items->Selected(), 0);
  EXPECT_TRUE(strip->placed.empty());
}

TEST(TabModel, AddIndexInsertsRoundsAndRejects) {
  StripWithForms s;
  s.AddTab("a");
  s.AddTab("b");
  s.AddTab("c");
  auto f = std::make_shared<FakeForm>(1);
  EXPECT_TRUE(s.items->Add("first", f, std::nullopt, 0));
  EXPECT_EQ(s.Captions(), (std::vector<std::string>{"first", "Gamea", "Gameb", "Gamec"}));
  EXPECT_TRUE(s.items->Add("end", std::make_shared<FakeForm>(2), std::nullopt, 4));
  EXPECT_EQ(s.Captions().back(), "end");
  // 1.5 -> 2 and 2.5 -> 2 (halves to even); numeric text counts as a number.
  EXPECT_TRUE(s.items->Add("x", std::make_shared<FakeForm>(3), std::nullopt, 2.5));
  EXPECT_EQ(s.items->Item(2)->Caption(), "x");
  EXPECT_TRUE(s.items->Add("y", std::make_shared<FakeForm>(4), std::nullopt, " 1.5 "));
  EXPECT_EQ(s.items->Item(2)->Caption(), "y");
  EXPECT_EQ(s.items->Count(), 7);
}

TEST(TabModel, AddErrorsLeaveTheWindowAdoptedButAddNoTab) {
  StripWithForms s;
  s.AddTab("a");
  s.AddTab("b");
  s.AddTab("c");
  auto bad = std::make_shared<FakeForm>(0x99);
  EXPECT_EQ(ErrorOf([&] { s.items->Add("z", bad, std::nullopt, 4); }), 9);
  EXPECT_EQ(ErrorOf([&] { s.items->Add("z", bad, std::nullopt, -1); }), 9);
  EXPECT_EQ(ErrorOf([&] { s.items->Add("z", bad, std::nullopt, "abc"); }), 5);
  EXPECT_EQ(ErrorOf([&] { s.items->Add("z", bad, std::nullopt, TabIndex(std::shared_ptr<ITabForm>(bad))); }), 5);
  EXPECT_EQ(ErrorOf([&] { s.items->Add("z", bad, std::string("GAMEa")); }), 0);
  EXPECT_EQ(ErrorOf([&] { s.items->Add("z", bad, std::string("B")); }), 457);
  EXPECT_EQ(ErrorOf([&] { s.items->Add("z", nullptr); }), 5);
  // Four tabs: only the one with the new key "GAMEa" was added.
  EXPECT_EQ(s.items->Count(), 4);
  // Six adds reached the window: twice Initialize and one adoption each, and
  // the strip's own adoption for the one that succeeded.
  EXPECT_EQ(bad->initializeCalls, 2 * 6);
  EXPECT_EQ(std::count(s.strip->adopted.begin(), s.strip->adopted.end(), 0x99), 6 + 1);
  // It keeps the item of its latest add, which failed and let go of it.
  EXPECT_EQ(s.items->Item(3)->Form(), bad);
  ASSERT_NE(bad->item, nullptr);
  EXPECT_EQ(bad->item->Form(), nullptr);
  // The failed adds did not close the window.
  EXPECT_EQ(bad->unloadCalls, 0);
}

TEST(TabModel, FindItemAndItem) {
  StripWithForms empty;
  EXPECT_EQ(empty.items->FindItem("a"), -1);
  EXPECT_EQ(empty.items->FindItem(0), -1);
  EXPECT_EQ(empty.items->FindItem(TabIndex()), -1);

  StripWithForms s;
  s.AddTab("a");
  s.AddTab("2");
  auto third = s.AddTab("c");
  EXPECT_EQ(s.items->FindItem("2"), 1);  // text is a key, not a position
  EXPECT_EQ(s.items->FindItem("C"), 2);
  EXPECT_EQ(s.items->FindItem("zz"), -1);
  EXPECT_EQ(s.items->FindItem(2), 2);
  EXPECT_EQ(s.items->FindItem(3), -1);
  EXPECT_EQ(s.items->FindItem(-1), -1);
  EXPECT_EQ(s.items->FindItem(1.5), 2);
  EXPECT_EQ(s.items->FindItem(0.5), 0);
  EXPECT_EQ(s.items->FindItem(1e12), -1);
  EXPECT_EQ(s.items->FindItem(third), 2);
  EXPECT_EQ(s.items->FindItem(std::make_shared<FakeForm>(5)), -1);
  EXPECT_EQ(s.items->FindItem(s.items->Item(1)), 1);
  EXPECT_EQ(s.items->FindItem(std::make_shared<CTabItem>()), -1);
  EXPECT_EQ(s.items->FindItem(TabIndex()), -1);

  EXPECT_EQ(s.items->Item("A")->Caption(), "Gamea");
  EXPECT_EQ(s.items->Item(1)->Caption(), "Game2");
  EXPECT_EQ(s.items->Item(-1), nullptr);
  EXPECT_EQ(s.items->Item(3), nullptr);
  EXPECT_EQ(ErrorOf([&] { s.items->Item("none"); }), 5);
}

TEST(TabModel, ItemChecksTheRangeBeforeRounding) {
  StripWithForms s;
  s.AddTab("a");
  s.AddTab("b");
  s.AddTab("c");
  EXPECT_FALSE(s.items->Item(-0.4));
  EXPECT_FALSE(s.items->Item(2.3));
  EXPECT_FALSE(s.items->Item(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(s.items->Item(1.5)->Caption(), "Gamec");  // in range, then rounded
  EXPECT_EQ(s.items->Item(0.0)->Caption(), "Gamea");
}

TEST(TabModel, RemoveAsksTheStripAndHonoursCancel) {
  StripWithForms s;
  auto a = s.AddTab("a");
  auto b = s.AddTab("b");
  s.AddTab("c");
  s.items->SetSelected(1);
  std::vector<int> asked;
  bool cancel = true;
  s.strip->Events().OnItemColose = [&](std::int32_t index, bool& Cancel) {
    asked.push_back(index);
    Cancel = cancel;
  };
  EXPECT_FALSE(s.items->Remove("b", true));
  EXPECT_EQ(asked, std::vector<int>{1});
  EXPECT_EQ(s.items->Count(), 3);
  EXPECT_EQ(s.items->Selected(), 1);
  EXPECT_EQ(b->unloadCalls, 0);
  EXPECT_FALSE(s.items->Remove("nothing", true));
  EXPECT_EQ(asked.size(), 1u);

  cancel = false;
  EXPECT_TRUE(s.items->Remove(a, false));
  EXPECT_EQ(a->unloadCalls, 0);  // left open
  EXPECT_EQ(s.items->Selected(), 0);  // the same tab, one position left
  EXPECT_TRUE(s.items->Remove(0, true));
  EXPECT_EQ(b->unloadCalls, 1);
  EXPECT_EQ(s.Captions(), std::vector<std::string>{"Gamec"});
  a->Unload();  // the host closes the window it kept open
}

TEST(TabModel, RemoveOfATabTheHostAlreadyRemovedDoesNothingMore) {
  StripWithForms s;
  s.AddTab("a");
  auto b = s.AddTab("b");
  s.AddTab("c");
  s.strip->Events().OnItemColose = [&](std::int32_t, bool&) {
    s.strip->Events().OnItemColose = nullptr;
    s.items->Remove("a", true);  // the host removes another tab meanwhile
  };
  EXPECT_TRUE(s.items->Remove("b", true));
  EXPECT_EQ(s.Captions(), std::vector<std::string>{"Gamec"});
  EXPECT_EQ(b->unloadCalls, 1);
}

TEST(TabModel, WindowsCloseExactlyOnceAndNothingLeaks) {
  const int before = LiveForms();
  std::weak_ptr<CTabItem> removedItem, clearedItem;
  {
    StripWithForms s;
    auto a = s.AddTab("a");
    auto b = s.AddTab("b");
    auto c = s.AddTab("c");
    removedItem = s.items->Item(0);
    clearedItem = s.items->Item(1);
    s.forms.clear();

    ASSERT_TRUE(s.items->Remove("a", true));
    EXPECT_EQ(a->unloadCalls, 1);
    a.reset();
    EXPECT_TRUE(removedItem.expired());

    EXPECT_FALSE(s.items->Clear());
    EXPECT_EQ(s.items->Count(), 0);
    EXPECT_EQ(b->unloadCalls, 1);
    EXPECT_EQ(c->unloadCalls, 1);
    // The strip was told: selection back to 0 with no tabs.
    EXPECT_EQ(s.items->Selected(), 0);
    b.reset();
    c.reset();
    EXPECT_TRUE(clearedItem.expired());
    EXPECT_EQ(LiveForms(), before);
  }
  EXPECT_EQ(LiveForms(), before);
}

TEST(TabModel, AWindowListedUnderTwoTabsIsUnloadedOnce) {
  StripWithForms s;
  auto shared = s.AddTab("a");
  s.items->Add("again", shared, std::string("b"));
  ASSERT_TRUE(s.items->Remove("a", true));
  ASSERT_TRUE(s.items->Remove("b", true));
  EXPECT_EQ(shared->unloadCalls, 1);

  auto other = s.AddTab("c");
  s.items->Add("again", other, std::string("d"));
  s.items->Clear();
  EXPECT_EQ(other->unloadCalls, 1);
}

TEST(TabModel, AWindowThatKeepsItsItemSurvivesRemovalUntilClosed) {
  const int before = LiveForms();
  StripWithForms s;
  auto form = s.AddTab("a");
  std::weak_ptr<CTabItem> item = s.items->Item(0);
  std::weak_ptr<FakeForm> weakForm = form;
  s.forms.clear();
  form.reset();
  ASSERT_TRUE(s.items->Remove("a", false));
  // Kept alive by each other while the window is open.
  ASSERT_FALSE(weakForm.expired());
  EXPECT_EQ(weakForm.lock()->unloadCalls, 0);
  EXPECT_FALSE(item.expired());
  // The window lets go of its item: the item closes it once and both go.
  {
    auto f = weakForm.lock();
    f->item.reset();
    EXPECT_EQ(f->unloadCalls, 1);
  }
  EXPECT_TRUE(item.expired());
  EXPECT_TRUE(weakForm.expired());
  EXPECT_EQ(LiveForms(), before);
}

TEST(TabModel, AReleasedItemClosesAWindowThatDidNotKeepIt) {
  auto strip = FakeStrip::New();
  auto form = std::make_shared<FakeForm>(0x42, /*keepItem=*/false);
  strip->TabItems()->Add("a", form);
  EXPECT_TRUE(strip->TabItems()->Remove(0, false));
  EXPECT_EQ(form->unloadCalls, 1);
}

TEST(TabModel, ItemWritesRepaintTheStripAndFormWritesReinitialize) {
  StripWithForms s;
  s.AddTab("a");
  s.strip->LockReDraw(false);
  auto item = s.items->Item(0);
  const int widthBefore = item->Width();
  const int backgrounds = s.strip->backgrounds;
  item->SetCaption("new");
  item->SetHideButton(true);
  item->SetLockSize(true);
  EXPECT_EQ(s.strip->backgrounds, backgrounds + 3);
  EXPECT_EQ(item->Width(), widthBefore);  // no layout until the next one

  auto other = std::make_shared<FakeForm>(0x55);
  s.strip->adopted.clear();
  item->SetForm(other);
  EXPECT_EQ(other->initializeCalls, 1);
  EXPECT_EQ(other->item, item);
  EXPECT_EQ(s.strip->adopted, std::vector<WindowHandle>{0x55});

  auto loose = std::make_shared<CTabItem>();
  auto f = std::make_shared<FakeForm>(0x56);
  loose->SetForm(f);  // no strip: Initialize only
  EXPECT_EQ(f->initializeCalls, 1);
  EXPECT_TRUE(f->strip.expired());

  loose->SetItemData(std::string("data"));
  EXPECT_EQ(std::any_cast<std::string>(loose->ItemData()), "data");
  f->Unload();
}

TEST(TabModel, ReleaseFormReturnsTheWindowToTheDesktopCentred) {
  auto api = std::make_shared<FakeWindowApi>();
  auto strip = FakeStrip::New();
  auto items = std::make_shared<CTabItems>(api);
  items->SetTab(strip);
  auto form = std::make_shared<FakeForm>(7);
  items->Add("a", form, std::string("a"));
  api->calls.clear();
  EXPECT_FALSE(items->ReleaseForm("a"));
  EXPECT_EQ(items->Count(), 0);
  EXPECT_EQ(form->unloadCalls, 0);
  // (1280 - 301) / 2 = 489.5 -> 490; (1024 - 200) / 2 = 412.
  EXPECT_EQ(api->calls, (std::vector<std::string>{"SetParentNone 7", "ScreenSize", "WindowRect 7",
                                                  "SetStyle 7 13565952", "PlaceAt 7 490,412 97",
                                                  "RedrawWindow 1536 3"}));
  api->calls.clear();
  EXPECT_FALSE(items->ReleaseForm("a"));
  EXPECT_TRUE(api->calls.empty());
  form->Unload();  // the free window is closed by its user

  // A release the host refuses leaves the window in its tab.
  items->Add("b", std::make_shared<FakeForm>(8), std::string("b"));
  strip->Events().OnItemColose = [](std::int32_t, bool& cancel) { cancel = true; };
  api->calls.clear();
  EXPECT_FALSE(items->ReleaseForm("b"));
  EXPECT_EQ(items->Count(), 1);
  EXPECT_TRUE(api->calls.empty());
}

TEST(TabModel, ListOutlivingItsStripStillWorks) {
  std::shared_ptr<CTabItems> items;
  std::shared_ptr<FakeForm> form = std::make_shared<FakeForm>(3);
  {
    auto strip = FakeStrip::New();
    items = strip->TabItems();
    items->Add("a", form, std::string("a"));
  }
  EXPECT_EQ(items->Selected(), -1);
  items->SetSelected(0);
  items->Item(0)->SetCaption("still fine");
  EXPECT_TRUE(items->Remove("a", true));
  EXPECT_EQ(form->unloadCalls, 1);
}

TEST(TabModel, RandomOperationsMatchAReferenceList) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 20; ++round) {
    StripWithForms s;
    s.strip->LockReDraw(false);
    struct Ref {
      std::string key;
      FakeForm* form;
    };
    std::vector<Ref> ref;
    int nextKey = 0;
    for (int step = 0; step < 200; ++step) {
      const int op = static_cast<int>(rng() % 6);
      if (op <= 1) {
        const std::string key = "K" + std::to_string(nextKey++ % 40);
        const bool dup = std::any_of(ref.begin(), ref.end(), [&](const Ref& r) {
          return std::equal(r.key.begin(), r.key.end(), key.begin(), key.end(),
                            [](char a, char b) { return std::tolower(a) == std::tolower(b); });
        });
        const int pos = static_cast<int>(rng() % (ref.size() + 3)) - 1;
        auto form = std::make_shared<FakeForm>(step + 1);
        const int err = ErrorOf([&] { s.items->Add(key, form, key, pos); });
        if (pos < 0 || pos > static_cast<int>(ref.size())) EXPECT_EQ(err, 9);
        else if (dup) EXPECT_EQ(err, 457);
        else {
          EXPECT_EQ(err, 0);
          ref.insert(ref.begin() + pos, Ref{key, form.get()});
          s.forms.push_back(form);
        }
      } else if (op == 2 && !ref.empty()) {
        const int pos = static_cast<int>(rng() % ref.size());
        const int sel = s.items->Selected();
        EXPECT_TRUE(s.items->Remove(ref[pos].key, true));
        EXPECT_EQ(ref[pos].form->unloadCalls, 1);
        ref.erase(ref.begin() + pos);
        EXPECT_EQ(s.items->Selected(), pos == sel ? 0 : (sel > pos ? sel - 1 : sel));
      } else if (op == 3) {
        const int pos = static_cast<int>(rng() % (ref.size() + 2)) - 1;
        const int sel = s.items->Selected();
        s.items->SetSelected(pos);
        if (pos < 0) EXPECT_EQ(s.items->Selected(), -1);
        else if (pos >= static_cast<int>(ref.size())) EXPECT_EQ(s.items->Selected(), sel);
        else EXPECT_EQ(s.items->Selected(), pos);
      } else if (op == 4 && !ref.empty()) {
        const int pos = static_cast<int>(rng() % ref.size());
        EXPECT_EQ(s.items->FindItem(ref[pos].key), pos);
        EXPECT_EQ(s.items->FindItem(s.items->Item(pos)->Form()), pos);
      } else if (op == 5 && rng() % 10 == 0) {
        s.items->Clear();
        for (const Ref& r : ref) EXPECT_EQ(r.form->unloadCalls, 1);
        ref.clear();
      }
      ASSERT_EQ(s.items->Count(), static_cast<int>(ref.size()));
      for (std::size_t i = 0; i < ref.size(); ++i) {
        ASSERT_EQ(s.items->Item(static_cast<int>(i))->Form().get(), ref[i].form);
        ASSERT_EQ(s.items->Item(static_cast<int>(i))->Caption(), ref[i].key);
      }
      // Layout of the compact style: tabs touch, starting at 14.
      int x = 14;
      for (int i = 0; i < s.items->Count(); ++i) {
        ASSERT_EQ(s.items->Item(i)->Left(), x);
        x += s.items->Item(i)->Width();
      }
    }
  }
}
