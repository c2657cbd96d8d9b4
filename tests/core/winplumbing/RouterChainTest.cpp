// Which record a call into the shared router belongs to, when foreign
// procedures sit between our records and when a handle value names a new window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/framework/FakeWindows.h"
#include "winplumbing/FormSubclassEngine.h"
#include "winplumbing/SubclassEngine.h"

using namespace vorn2::subclass;
using vorn2::test::FakeWindows;
using vorn2::test::OriginalProc;

namespace {

constexpr WinHandle kWnd = 5;

struct Watcher {
  std::shared_ptr<int> alive = std::make_shared<int>(0);
  std::vector<std::string>* order = nullptr;
  std::string name;
  std::vector<WParam> wParams;

  SubclassOwnerLink Link() {
    std::weak_ptr<int> weak = alive;
    SubclassOwnerLink link;
    link.callable = [weak] { return !weak.expired(); };
    link.notify = [this](bool before, bool&, Result&, WinHandle, std::uint32_t, WParam w, LParam, LParam&) {
      if (!before) return;
      wParams.push_back(w);
      if (order) order->push_back(name);
    };
    return link;
  }
};

class RouterChainTest : public ::testing::Test {
 protected:
  FakeWindows sys;
  HookRouter router{sys};
  OriginalProc original;
  ProcAddr originalAddr = 0;
  std::vector<std::string> order;
  Watcher lower, upper;
  SubclassEngine lowerEngine{router, nullptr};
  SubclassEngine upperEngine{router, nullptr};
  int foreignDepth = 0;
  int deepestForeign = 0;

  void SetUp() override {
    sys.router = &router;
    originalAddr = sys.AddProc([this](WinHandle h, std::uint32_t m, WParam w, LParam l) {
      order.push_back("window");
      return original(h, m, w, l);
    });
    sys.AddWindow(kWnd, originalAddr);
    lower.order = upper.order = &order;
    lower.name = "lower";
    upper.name = "upper";
    lowerEngine.SetOwner(lower.Link());
    upperEngine.SetOwner(upper.Link());
  }

  bool Subclass(SubclassEngine& engine, WinHandle h = kWnd) {
    bool unicode = false;
    if (!engine.ssc_Subclass(h, 0, 1, true, unicode, false)) return false;
    engine.ssc_AddMsg(h, ALL_MESSAGES, 1);
    return true;
  }

  // Puts a foreign procedure on top of the window; it runs `body` with its
  // previous procedure. A call nested deeper than a few levels means the
  // router sent the message round in a loop: it is cut off with -1.
  void AddForeign(std::function<Result(ProcAddr prev, WinHandle, std::uint32_t, WParam, LParam)> body) {
    const ProcAddr prev = sys.windows[kWnd].proc;
    sys.windows[kWnd].proc = sys.AddProc([this, prev, body](WinHandle h, std::uint32_t m, WParam w, LParam l) {
      if (foreignDepth >= 4) return Result{-1};
      ++foreignDepth;
      deepestForeign = std::max(deepestForeign, foreignDepth);
      order.push_back("foreign");
      const Result r = body(prev, h, m, w, l);
      --foreignDepth;
      return r;
    });
  }
};

TEST_F(RouterChainTest, ForeignProcedureThatRewritesTheMessageStillPassesItToOurRecordBelow) {
  // As a flavour-converting procedure does with text, or a filter with keys.
  ASSERT_TRUE(Subclass(lowerEngine));
  AddForeign([this](ProcAddr prev, WinHandle h, std::uint32_t m, WParam w, LParam l) {
    return sys.CallProc(prev, false, h, m, w + 1, l + 100);
  });
  ASSERT_TRUE(Subclass(upperEngine));
  EXPECT_EQ(sys.Send(kWnd, 7, 1, 0), 72);
  EXPECT_EQ(deepestForeign, 1);
  EXPECT_EQ(order, (std::vector<std::string>{"upper", "foreign", "lower", "window"}));
  EXPECT_EQ(upper.wParams, std::vector<WParam>{1});
  EXPECT_EQ(lower.wParams, std::vector<WParam>{2});
}

TEST_F(RouterChainTest, SameMessageSentAgainByAForeignProcedureStartsAtTheTop) {
  ASSERT_TRUE(Subclass(lowerEngine));
  bool resent = false;
  AddForeign([this, &resent](ProcAddr prev, WinHandle h, std::uint32_t m, WParam w, LParam l) {
    if (!resent) {
      resent = true;
      sys.Send(h, m, w, l);  // a new message, identical to the one it is handling
    }
    return sys.CallProc(prev, false, h, m, w, l);
  });
  ASSERT_TRUE(Subclass(upperEngine));
  EXPECT_EQ(sys.Send(kWnd, 7, 3, 9), 73);
  EXPECT_EQ(order, (std::vector<std::string>{"upper", "foreign", "upper", "foreign", "lower", "window", "lower",
                                             "window"}));
}

TEST_F(RouterChainTest, WindowProcedureSendingItselfTheSameMessageGoesThroughEveryRecordAgain) {
  bool resent = false;
  const ProcAddr selfSending = sys.AddProc([&](WinHandle h, std::uint32_t m, WParam w, LParam l) {
    order.push_back("window");
    if (!resent) {
      resent = true;
      sys.Send(h, m, w, l);
    }
    return original(h, m, w, l);
  });
  sys.windows[kWnd].proc = selfSending;
  ASSERT_TRUE(Subclass(lowerEngine));
  AddForeign([this](ProcAddr prev, WinHandle h, std::uint32_t m, WParam w, LParam l) {
    return sys.CallProc(prev, false, h, m, w, l);
  });
  ASSERT_TRUE(Subclass(upperEngine));
  EXPECT_EQ(sys.Send(kWnd, 7, 3, 9), 73);
  EXPECT_EQ(order, (std::vector<std::string>{"upper", "foreign", "lower", "window", "upper", "foreign", "lower",
                                             "window"}));
}

TEST_F(RouterChainTest, HandleValueOfADestroyedWindowNamingANewWindowNeverReachesTheOldRecords) {
  // The old window's procedure was replaced from outside, cutting our router
  // out; detaching could not put anything back, and the window then died
  // without its last messages passing through us.
  OriginalProc oldWindow;
  const ProcAddr oldProc = sys.AddProc([&](WinHandle h, std::uint32_t m, WParam w, LParam l) {
    return oldWindow(h, m, w, l);
  });
  sys.windows[kWnd].proc = oldProc;
  ASSERT_TRUE(Subclass(lowerEngine));
  sys.windows[kWnd].proc = oldProc;
  lowerEngine.ssc_UnSubclass(kWnd);
  sys.Destroy(kWnd);
  oldWindow.seen.clear();

  // The same handle value now names a new window.
  sys.AddWindow(kWnd, originalAddr);
  ASSERT_TRUE(Subclass(upperEngine));
  const ProcAddr ours = sys.windows[kWnd].proc;
  EXPECT_EQ(sys.Send(kWnd, 7, 1, 0), 71);
  upperEngine.ssc_UnSubclass(kWnd);
  EXPECT_EQ(sys.windows[kWnd].proc, originalAddr);
  // A late call through a copy of what was the new window's procedure.
  EXPECT_EQ(sys.CallProc(ours, false, kWnd, 8, 2, 0), 82);
  EXPECT_TRUE(oldWindow.seen.empty());
  EXPECT_EQ(original.seen, (std::vector<std::uint32_t>{7, 8}));
}

TEST_F(RouterChainTest, DestroyedWindowLeavesNothingBehindForTheNextWindowWithItsHandle) {
  ASSERT_TRUE(Subclass(lowerEngine));
  const ProcAddr first = sys.windows[kWnd].proc;
  sys.Destroy(kWnd);
  lower.wParams.clear();
  EXPECT_EQ(router.LiveRecords(), 1u);  // released by its timer
  EXPECT_EQ(router.ChainLength(kWnd), 0u);
  sys.AddWindow(kWnd, originalAddr);
  ASSERT_TRUE(Subclass(upperEngine));
  EXPECT_EQ(sys.windows[kWnd].proc, first);
  EXPECT_EQ(sys.Send(kWnd, 7, 1, 0), 71);
  EXPECT_EQ(upper.wParams, std::vector<WParam>{1});
  EXPECT_TRUE(lower.wParams.empty());
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 1u);
  EXPECT_EQ(router.ChainLength(kWnd), 1u);
}

TEST_F(RouterChainTest, EveryRouterEntryInUseOnOneWindowRefusesOneMoreUntilOneIsReleased) {
  std::vector<std::unique_ptr<SubclassEngine>> engines;
  for (int i = 0; i < HookRouter::kRouterSlots; ++i) {
    engines.push_back(std::make_unique<SubclassEngine>(router, nullptr));
    engines.back()->SetOwner(lower.Link());
    ASSERT_TRUE(Subclass(*engines.back())) << i;
  }
  EXPECT_EQ(sys.Send(kWnd, 7, 1, 0), 71);
  EXPECT_EQ(lower.wParams.size(), static_cast<std::size_t>(HookRouter::kRouterSlots));
  std::vector<std::string> log;
  SubclassEngine extra(router, [&](const std::string& t) { log.push_back(t); });
  extra.SetOwner(upper.Link());
  const ProcAddr top = sys.windows[kWnd].proc;
  EXPECT_FALSE(Subclass(extra));
  EXPECT_EQ(log, std::vector<std::string>{"CSubclass.ssc_Subclass: VirtualAlloc failed, error: 8"});
  EXPECT_EQ(sys.windows[kWnd].proc, top);
  sys.AddWindow(6, originalAddr);
  EXPECT_TRUE(Subclass(extra, 6));  // another window has entries of its own
  engines[3].reset();
  EXPECT_FALSE(Subclass(extra));  // the detached one still waits for its release
  sys.FireTimers();
  EXPECT_TRUE(Subclass(extra));
  lower.wParams.clear();
  EXPECT_EQ(sys.Send(kWnd, 7, 1, 0), 71);
  EXPECT_EQ(upper.wParams, std::vector<WParam>{1});
  EXPECT_EQ(lower.wParams.size(), static_cast<std::size_t>(HookRouter::kRouterSlots - 1));
}

// The form subclasser rewrites the message for everything below it.
TEST_F(RouterChainTest, FormRecordOnTopOfAForeignProcedureAndAnotherRecord) {
  ASSERT_TRUE(Subclass(lowerEngine));
  AddForeign([this](ProcAddr prev, WinHandle h, std::uint32_t m, WParam w, LParam l) {
    return sys.CallProc(prev, false, h, m, w, l);
  });
  FormSubclassEngine form(router);
  FormMsgSink sink;
  sink.callable = [] { return true; };
  sink.notify = [this](bool before, bool&, Result&, WinHandle&, std::uint32_t&, WParam& w, LParam&) {
    if (!before) return;
    order.push_back("form");
    w = 4;
  };
  form.SetSink(sink);
  ASSERT_TRUE(form.AddWindowMsgs(kWnd));
  EXPECT_EQ(sys.Send(kWnd, 7, 1, 0), 74);
  EXPECT_EQ(order, (std::vector<std::string>{"form", "foreign", "lower", "window"}));
  EXPECT_EQ(lower.wParams, std::vector<WParam>{4});
  form.UnhookAll();
  EXPECT_EQ(sys.Send(kWnd, 7, 1, 0), 71);
}

}  // namespace
