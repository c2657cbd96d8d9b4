#include <gtest/gtest.h>

#include <memory>

#include "core/framework/FakeWindows.h"
#include "winplumbing/FormSubclassEngine.h"

using namespace vorn2::subclass;
using vorn2::test::FakeWindows;
using vorn2::test::OriginalProc;

namespace {

class FormSubclassEngineTest : public ::testing::Test {
 protected:
  FakeWindows sys;
  HookRouter router{sys};
  OriginalProc original;
  ProcAddr originalAddr = 0;
  std::shared_ptr<int> alive = std::make_shared<int>(0);
  std::function<void(bool, bool&, Result&, WinHandle&, std::uint32_t&, WParam&, LParam&)> handler;
  std::unique_ptr<FormSubclassEngine> engine;
  int calls = 0;

  void SetUp() override {
    sys.router = &router;
    originalAddr = sys.AddProc([this](WinHandle h, std::uint32_t m, WParam w, LParam l) { return original(h, m, w, l); });
    for (WinHandle h : {10, 20, 30}) sys.AddWindow(h, originalAddr);
    engine = std::make_unique<FormSubclassEngine>(router);
    std::weak_ptr<int> weak = alive;
    FormMsgSink sink;
    sink.callable = [weak] { return !weak.expired(); };
    sink.notify = [this](bool b, bool& handled, Result& r, WinHandle& h, std::uint32_t& m, WParam& w, LParam& l) {
      ++calls;
      if (handler) handler(b, handled, r, h, m, w, l);
    };
    engine->SetSink(sink);
  }
};

TEST_F(FormSubclassEngineTest, EveryMessageIsOfferedFirstAndChangesReachThePreviousProcedure) {
  ASSERT_TRUE(engine->AddWindowMsgs(10));
  EXPECT_EQ(sys.Send(10, 7, 1), 71);
  EXPECT_EQ(calls, 1);
  handler = [](bool before, bool&, Result&, WinHandle&, std::uint32_t& m, WParam& w, LParam&) {
    if (before && m == 8) {
      m = 9;
      w = 4;
    }
  };
  EXPECT_EQ(sys.Send(10, 8, 1), 94);
  EXPECT_EQ(original.seen.back(), 9u);
  EXPECT_EQ(original.seenW.back(), 4u);
  handler = [](bool, bool& handled, Result& r, WinHandle&, std::uint32_t&, WParam&, LParam&) {
    handled = true;
    r = 77;
  };
  EXPECT_EQ(sys.Send(10, 8, 1), 77);
  EXPECT_EQ(original.seen.size(), 2u);
  EXPECT_TRUE(engine->DeleteWindowMsg(10) == false);
}

TEST_F(FormSubclassEngineTest, RecordsAreReusedFromTheHighestFreeIndex) {
  ASSERT_TRUE(engine->AddWindowMsgs(10));
  ASSERT_TRUE(engine->AddWindowMsgs(20));
  ASSERT_TRUE(engine->AddWindowMsgs(30));
  EXPECT_EQ(engine->RecordCount(), 3u);
  engine->UnhookAll();
  EXPECT_EQ(engine->RecordCount(), 3u);
  ASSERT_TRUE(engine->AddWindowMsgs(20));
  EXPECT_EQ(engine->WindowAt(2), 20);
  EXPECT_EQ(engine->WindowAt(0), 0);
  EXPECT_FALSE(engine->AddWindowMsgs(99));  // no such window
  EXPECT_EQ(engine->RecordCount(), 3u);
}

TEST_F(FormSubclassEngineTest, SameWindowTwiceChainsTwoRoutersAndDestructionRestoresEveryWindow) {
  ASSERT_TRUE(engine->AddWindowMsgs(10));
  ASSERT_TRUE(engine->AddWindowMsgs(10));
  ASSERT_TRUE(engine->AddWindowMsgs(20));
  sys.Send(10, 5);
  EXPECT_EQ(calls, 2);
  engine.reset();
  EXPECT_EQ(sys.windows[10].proc, originalAddr);
  EXPECT_EQ(sys.windows[20].proc, originalAddr);
  sys.Send(10, 5);
  EXPECT_EQ(calls, 2);
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 0u);
}

TEST_F(FormSubclassEngineTest, OwnerDestroyedInsideItsOwnMessageIsFreedAfterTheRouterReturns) {
  ASSERT_TRUE(engine->AddWindowMsgs(10));
  std::size_t liveInside = 0;
  handler = [&](bool, bool&, Result&, WinHandle&, std::uint32_t&, WParam&, LParam&) {
    alive.reset();
    engine.reset();
    sys.FireTimers();
    liveInside = router.LiveRecords();
  };
  EXPECT_EQ(sys.Send(10, 3, 2), 32);  // the message still reaches the window
  EXPECT_EQ(liveInside, 1u);
  EXPECT_EQ(sys.windows[10].proc, originalAddr);
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 0u);
}

}  // namespace
