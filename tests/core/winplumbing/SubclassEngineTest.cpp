#include <gtest/gtest.h>

#include <memory>

#include "core/framework/FakeWindows.h"
#include "winplumbing/SubclassEngine.h"

using namespace vorn2::subclass;
using vorn2::test::FakeWindows;
using vorn2::test::OriginalProc;

namespace {

struct Note {
  bool before;
  std::uint32_t msg;
  Result lReturnOnEntry;
  LParam lParamUser;
};

// An owner whose WindowProc records every call and runs a scripted reaction.
struct Owner {
  std::shared_ptr<int> alive = std::make_shared<int>(0);
  std::vector<Note> notes;
  std::function<void(bool, bool&, Result&, WinHandle, std::uint32_t, WParam, LParam, LParam&)> react;

  SubclassOwnerLink Link() {
    std::weak_ptr<int> weak = alive;
    SubclassOwnerLink link;
    link.callable = [weak] { return !weak.expired(); };
    link.notify = [this](bool b, bool& handled, Result& r, WinHandle h, std::uint32_t m, WParam w, LParam l,
                         LParam& user) {
      notes.push_back({b, m, r, user});
      if (react) react(b, handled, r, h, m, w, l, user);
    };
    return link;
  }
};

class SubclassEngineTest : public ::testing::Test {
 protected:
  static constexpr WinHandle kWnd = 1234;
  static constexpr WinHandle kOther = 77;

  FakeWindows sys;
  HookRouter router{sys};
  std::vector<std::string> log;
  Owner owner;
  OriginalProc original;
  ProcAddr originalAddr = 0;
  std::unique_ptr<SubclassEngine> engine;

  void SetUp() override {
    sys.router = &router;
    originalAddr = sys.AddProc([this](WinHandle h, std::uint32_t m, WParam w, LParam l) { return original(h, m, w, l); });
    sys.AddWindow(kWnd, originalAddr);
    sys.AddWindow(kOther, originalAddr);
    engine = std::make_unique<SubclassEngine>(router, [this](const std::string& t) { log.push_back(t); });
    engine->SetOwner(owner.Link());
  }

  bool Subclass(WinHandle h, LParam user = 0, int ordinal = 1, bool unicode = false, bool api = false) {
    return engine->ssc_Subclass(h, user, ordinal, true, unicode, api);
  }
};

TEST(MsgTable, FillsThirtyTwoSlotsRefusesTheThirtyThirdAndReusesHoles) {
  MsgTable t;
  for (int m = 1; m <= MSG_ENTRIES; ++m) EXPECT_EQ(t.Add(0x400 + m), MsgTable::AddResult::Added);
  EXPECT_EQ(t.Add(0x500), MsgTable::AddResult::Overflow);
  EXPECT_FALSE(t.Selects(0x500));
  EXPECT_EQ(t.Add(0x401), MsgTable::AddResult::AlreadyPresent);
  t.Delete(0x410);
  EXPECT_FALSE(t.Selects(0x410));
  EXPECT_EQ(t.count, MSG_ENTRIES);  // a deletion leaves a hole, the count stays
  EXPECT_EQ(t.Add(0x500), MsgTable::AddResult::Added);
  EXPECT_TRUE(t.Selects(0x500));
  EXPECT_EQ(t.slots[15], 0x500);
  t.Delete(ALL_MESSAGES);
  EXPECT_EQ(t.count, 0);
  EXPECT_FALSE(t.Selects(0x401));
}

TEST(MsgTable, AllMessagesIsKeptByLaterSpecificAddsAndDeletes) {
  MsgTable t;
  t.Add(5);
  t.Add(ALL_MESSAGES);
  EXPECT_TRUE(t.Selects(12345));
  t.Add(15);
  t.Delete(15);
  EXPECT_EQ(t.count, ALL_MESSAGES);
  EXPECT_TRUE(t.Selects(15));
}

TEST(GrowTable, GrowsWithoutLimitAndFillsFreeSlots) {
  GrowTable t;
  for (int m = 1; m <= 100; ++m) t.Add(m);
  EXPECT_EQ(t.count, 100);
  EXPECT_TRUE(t.Selects(100));
  t.slots[9] = 0;  // freed slot
  t.Add(500);
  EXPECT_EQ(t.count, 100);
  EXPECT_EQ(t.slots[9], 500);
  t.Add(500);
  EXPECT_EQ(t.count, 100);
}

TEST_F(SubclassEngineTest, RegistryKeyIsHPlusSignedDecimal) {
  EXPECT_EQ(RegistryKey(1234), "h1234");
  EXPECT_EQ(RegistryKey(-5), "h-5");
}

TEST_F(SubclassEngineTest, RefusedSubclassingsLogTheirMessageAndLeaveTheWindowAlone) {
  EXPECT_FALSE(Subclass(999));
  sys.windows[kOther].otherProcess = true;
  EXPECT_FALSE(Subclass(kOther));
  EXPECT_FALSE(Subclass(kWnd, 0, 2));
  sys.failInstallWith = 5;
  EXPECT_FALSE(Subclass(kWnd));
  EXPECT_EQ(log, (std::vector<std::string>{
                     "CSubclass.ssc_Subclass: Invalid window handle",
                     "CSubclass.ssc_Subclass: Window handle belongs to another process",
                     "CSubclass.ssc_Subclass: Callback method not found",
                     "CSubclass.ssc_Subclass: SetWindowLong failed, error #5",
                 }));
  EXPECT_EQ(sys.windows[kWnd].proc, originalAddr);
  EXPECT_EQ(engine->RegistrySize(), 0u);
  EXPECT_EQ(router.LiveRecords(), 0u);
  sys.failInstallWith = 0;
  EXPECT_TRUE(Subclass(kWnd));  // the failed try left no trace behind
}

TEST_F(SubclassEngineTest, SecondSubclassOfSameWindowFailsAndFirstKeepsWorking) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, 15, 1);
  EXPECT_FALSE(Subclass(kWnd));
  EXPECT_EQ(log, std::vector<std::string>{"CSubclass.ssc_Subclass: Window handle is already subclassed"});
  EXPECT_EQ(router.LiveRecords(), 1u);
  EXPECT_EQ(sys.Send(kWnd, 15), 150);
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_TRUE(owner.notes[0].before);
}

TEST_F(SubclassEngineTest, EmptyTablesPassEveryMessageThroughUnchanged) {
  ASSERT_TRUE(Subclass(kWnd));
  EXPECT_EQ(sys.Send(kWnd, 15, 3), 153);
  EXPECT_EQ(sys.Send(kWnd, 0x200, 1), 0x200 * 10 + 1);
  EXPECT_TRUE(owner.notes.empty());
  EXPECT_EQ(original.seen, (std::vector<std::uint32_t>{15, 0x200}));
}

TEST_F(SubclassEngineTest, HandledBeforeCallAnswersWithoutPreviousProcedureOrAfterCall) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, 20, 3);
  owner.react = [](bool before, bool& handled, Result& r, WinHandle, std::uint32_t, WParam, LParam, LParam&) {
    if (before) {
      handled = true;
      r = 1;
    }
  };
  EXPECT_EQ(sys.Send(kWnd, 20), 1);
  EXPECT_TRUE(original.seen.empty());
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_TRUE(owner.notes[0].before);
}

TEST_F(SubclassEngineTest, BothTablesSeeTheMessageTwiceAndTheAfterCallCanChangeTheResult) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, 5, 3);
  owner.react = [](bool before, bool& handled, Result& r, WinHandle, std::uint32_t, WParam, LParam, LParam&) {
    if (!before) {
      handled = true;  // no effect after the previous procedure
      r += 7;
    }
  };
  EXPECT_EQ(sys.Send(kWnd, 5, 2), 52 + 7);
  ASSERT_EQ(owner.notes.size(), 2u);
  EXPECT_TRUE(owner.notes[0].before);
  EXPECT_EQ(owner.notes[0].lReturnOnEntry, 0);
  EXPECT_FALSE(owner.notes[1].before);
  EXPECT_EQ(owner.notes[1].lReturnOnEntry, 52);
  EXPECT_EQ(original.seen, std::vector<std::uint32_t>{5});
}

TEST_F(SubclassEngineTest, WhenFlagsChooseTheTables) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, 5, 2);
  engine->ssc_AddMsg(kWnd, 6, 3);
  engine->ssc_AddMsg(kWnd, 7, 1);
  sys.Send(kWnd, 5);
  sys.Send(kWnd, 6);
  sys.Send(kWnd, 7);
  ASSERT_EQ(owner.notes.size(), 4u);
  EXPECT_EQ(owner.notes[0].msg, 5u);
  EXPECT_FALSE(owner.notes[0].before);
  EXPECT_TRUE(owner.notes[1].before);
  EXPECT_FALSE(owner.notes[2].before);
  EXPECT_EQ(owner.notes[2].msg, 6u);
  EXPECT_TRUE(owner.notes[3].before);
  EXPECT_EQ(owner.notes[3].msg, 7u);
}

TEST_F(SubclassEngineTest, OverflowIsLoggedPerTableAndDoesNotStopTheOtherTable) {
  ASSERT_TRUE(Subclass(kWnd));
  for (int m = 1; m <= MSG_ENTRIES; ++m) engine->ssc_AddMsg(kWnd, 0x400 + m, 1);
  engine->ssc_AddMsg(kWnd, 0x999, 3);
  EXPECT_EQ(log, std::vector<std::string>{
                     "CSubclass.zAddMsg: Message table overflow. Either increase the value of Const MSG_ENTRIES or "
                     "use ALL_MESSAGES instead of specific message values"});
  sys.Send(kWnd, 0x999);
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_FALSE(owner.notes[0].before);
  // A hole made by a deletion takes the refused message.
  engine->ssc_DelMsg(kWnd, 1, {0x405});
  engine->ssc_AddMsg(kWnd, 0x999, 1);
  EXPECT_EQ(log.size(), 1u);
  owner.notes.clear();
  sys.Send(kWnd, 0x999);
  sys.Send(kWnd, 0x405);
  ASSERT_EQ(owner.notes.size(), 2u);
  EXPECT_TRUE(owner.notes[0].before);
  EXPECT_FALSE(owner.notes[1].before);  // 0x405 is gone from the before table
  EXPECT_EQ(owner.notes[1].msg, 0x999u);
}

TEST_F(SubclassEngineTest, DelMsgSkipsElementsThatAreNotIntegers) {
  ASSERT_TRUE(Subclass(kWnd));
  for (int m : {5, 6, 7, 8}) engine->ssc_AddMsg(kWnd, m, 1);
  engine->ssc_DelMsg(kWnd, 1, {std::string("6"), std::int16_t{5}, 6.0, std::uint8_t{7}});
  for (std::uint32_t m : {5u, 6u, 7u, 8u}) sys.Send(kWnd, m);
  ASSERT_EQ(owner.notes.size(), 2u);
  EXPECT_EQ(owner.notes[0].msg, 6u);
  EXPECT_EQ(owner.notes[1].msg, 8u);
  engine->ssc_DelMsg(kWnd, 1, {ALL_MESSAGES});
  sys.Send(kWnd, 8);
  EXPECT_EQ(owner.notes.size(), 2u);
}

TEST_F(SubclassEngineTest, AddingAMessagePresentBehindAHoleAddsNoSecondCopy) {
  ASSERT_TRUE(Subclass(kWnd));
  for (int m : {5, 6, 7}) engine->ssc_AddMsg(kWnd, m, 1);
  engine->ssc_DelMsg(kWnd, 1, {5});
  engine->ssc_AddMsg(kWnd, 7, 1);  // already there, behind the hole
  engine->ssc_DelMsg(kWnd, 1, {7});
  sys.Send(kWnd, 7);
  EXPECT_TRUE(owner.notes.empty());
  // The hole is still free for a new message.
  engine->ssc_AddMsg(kWnd, 9, 1);
  sys.Send(kWnd, 9);
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0].msg, 9u);
}

TEST_F(SubclassEngineTest, LParamUserStartsFromSubclassAndPersistsChanges) {
  ASSERT_TRUE(Subclass(kWnd, 42));
  engine->ssc_AddMsg(kWnd, ALL_MESSAGES, 1);
  EXPECT_EQ(engine->zGet_lParamUser(kWnd), 42);
  engine->zSet_lParamUser(kWnd, 7);
  owner.react = [](bool, bool&, Result&, WinHandle, std::uint32_t, WParam, LParam, LParam& user) { user += 1; };
  sys.Send(kWnd, 1);
  sys.Send(kWnd, 1);
  ASSERT_EQ(owner.notes.size(), 2u);
  EXPECT_EQ(owner.notes[0].lParamUser, 7);
  EXPECT_EQ(owner.notes[1].lParamUser, 8);
  EXPECT_EQ(engine->zGet_lParamUser(kWnd), 9);
  EXPECT_EQ(engine->zGet_lParamUser(kOther), 0);
}

TEST_F(SubclassEngineTest, LookupsLogMissingRegistryAndMissingKeyButUnSubclassOnlyTheRegistry) {
  engine->ssc_AddMsg(kWnd, 5, 1);
  engine->ssc_UnSubclass(kWnd);
  EXPECT_EQ(engine->ssc_CallOrigWndProc(kWnd, 5, 0, 0), 0);
  ASSERT_TRUE(Subclass(kWnd));
  engine->zSet_lParamUser(kOther, 1);
  engine->ssc_UnSubclass(kOther);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "CSubclass.zMap_VFunction: Thunk hasn't been initialized",
                     "CSubclass.zMap_VFunction: Thunk hasn't been initialized",
                     "CSubclass.zMap_VFunction: Thunk hasn't been initialized",
                     "CSubclass.zMap_VFunction: Thunk type for  does not exist",
                 }));
  // An empty registry finds nothing silently.
  engine->ssc_UnSubclass(kWnd);
  log.clear();
  EXPECT_EQ(engine->zGet_lParamUser(kWnd), 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(SubclassEngineTest, CallOrigWndProcReachesThePreviousProcedureOnly) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, ALL_MESSAGES, 3);
  EXPECT_EQ(engine->ssc_CallOrigWndProc(kWnd, 9, 1, 0), 91);
  EXPECT_TRUE(owner.notes.empty());
}

TEST_F(SubclassEngineTest, UnicodeFlagAsksTheWindowOnlyWhenTrueIsPassed) {
  sys.windows[kOther].unicode = false;
  bool unicode = true;
  ASSERT_TRUE(engine->ssc_Subclass(kOther, 0, 1, true, unicode, false));
  EXPECT_FALSE(unicode);
  EXPECT_EQ(sys.windows[kOther].proc, FakeWindows::kRouterA);
  unicode = false;
  ASSERT_TRUE(engine->ssc_Subclass(kWnd, 0, 1, true, unicode, false));
  EXPECT_FALSE(unicode);
  EXPECT_EQ(sys.unicodeQueries, 1);
  EXPECT_EQ(sys.windows[kWnd].proc, FakeWindows::kRouterA);
}

TEST_F(SubclassEngineTest, UnSubclassStopsNotificationsRestoresTheProcedureAndReleasesLater) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, ALL_MESSAGES, 3);
  engine->ssc_UnSubclass(kWnd);
  EXPECT_EQ(sys.windows[kWnd].proc, originalAddr);
  EXPECT_EQ(sys.Send(kWnd, 5), 50);
  EXPECT_TRUE(owner.notes.empty());
  EXPECT_EQ(router.LiveRecords(), 1u);
  EXPECT_EQ(sys.RunningTimers(), 1u);
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 0u);
  EXPECT_EQ(sys.RunningTimers(), 0u);
  EXPECT_TRUE(Subclass(kWnd));  // free to subclass again
}

TEST_F(SubclassEngineTest, LateCallThroughAStaleCopyCancelsTheReleaseAndRearmsIt) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_UnSubclass(kWnd);
  ASSERT_EQ(sys.RunningTimers(), 1u);
  const TimerId first = sys.nextTimer;
  // Someone kept our router as its previous procedure and calls it now.
  EXPECT_EQ(sys.CallProc(FakeWindows::kRouterA, false, kWnd, 4, 0, 0), 40);
  EXPECT_FALSE(sys.timers[first]);
  EXPECT_EQ(sys.RunningTimers(), 1u);
  EXPECT_NE(sys.nextTimer, first);
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 0u);
}

TEST_F(SubclassEngineTest, RecordIsNeverUnhookedOrReleasedWhileItsRouterRuns) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, 10, 1);
  bool nestedSawRouter = false;
  owner.react = [&](bool, bool&, Result&, WinHandle h, std::uint32_t, WParam, LParam, LParam&) {
    engine->ssc_UnSubclass(h);
    sys.FireTimers();
    nestedSawRouter = router.LiveRecords() == 1;
    sys.Send(h, 11);  // re-entrant message, after detaching
  };
  EXPECT_EQ(sys.Send(kWnd, 10), 100);
  EXPECT_TRUE(nestedSawRouter);
  EXPECT_EQ(original.seen, (std::vector<std::uint32_t>{11, 10}));
  EXPECT_EQ(sys.windows[kWnd].proc, originalAddr);
  EXPECT_EQ(router.LiveRecords(), 1u);
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 0u);
}

TEST_F(SubclassEngineTest, DestroyedWindowReleasesItsRecordAndLaterCallsLeaveItAlone) {
  ASSERT_TRUE(Subclass(kWnd));
  ASSERT_TRUE(Subclass(kOther));
  engine->ssc_AddMsg(kWnd, ALL_MESSAGES, 1);
  sys.Destroy(kWnd);
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0].msg, kWmNcDestroy);
  EXPECT_EQ(original.seen.back(), kWmNcDestroy);
  EXPECT_EQ(engine->RegistrySize(), 2u);  // the entry stays until the owner lets go
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 1u);
  log.clear();
  engine->zSet_lParamUser(kWnd, 5);  // released record: not found, no crash
  EXPECT_EQ(engine->zGet_lParamUser(kWnd), 0);
  EXPECT_TRUE(log.empty());
  engine->ssc_Terminate();
  EXPECT_FALSE(engine->HasRegistry());
  EXPECT_EQ(sys.windows[kOther].proc, originalAddr);
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 0u);
}

TEST_F(SubclassEngineTest, NewWindowWithTheHandleOfADestroyedOneCanBeSubclassed) {
  ASSERT_TRUE(Subclass(kWnd));
  sys.Destroy(kWnd);
  sys.FireTimers();
  sys.AddWindow(kWnd, originalAddr);
  EXPECT_TRUE(Subclass(kWnd));
  EXPECT_TRUE(log.empty());
}

TEST_F(SubclassEngineTest, TerminateDetachesEveryWindowFromTheLastToTheFirst) {
  sys.AddWindow(3, originalAddr);
  ASSERT_TRUE(Subclass(kWnd));
  ASSERT_TRUE(Subclass(kOther));
  ASSERT_TRUE(Subclass(3));
  engine.reset();  // destruction runs ssc_Terminate
  EXPECT_EQ(sys.calls, (std::vector<std::string>{"SetProc h3 1000", "SetProc h77 1000", "SetProc h1234 1000"}));
}

TEST_F(SubclassEngineTest, OwnerGoneFallsBackToThePreviousProcedure) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, ALL_MESSAGES, 3);
  owner.alive.reset();
  EXPECT_EQ(sys.Send(kWnd, 5), 50);
  EXPECT_TRUE(owner.notes.empty());
  EXPECT_EQ(engine->RecordOf(kWnd)->state, kStateOwnerGone);
  EXPECT_EQ(sys.windows[kWnd].proc, originalAddr);
  EXPECT_TRUE(sys.windows[kWnd].alive);
}

TEST_F(SubclassEngineTest, ApiWindowIsDestroyedWhenItsOwnerIsGone) {
  ASSERT_TRUE(Subclass(kWnd, 0, 1, false, true));
  owner.alive.reset();
  sys.Send(kWnd, 5);
  EXPECT_FALSE(sys.windows[kWnd].alive);
  EXPECT_EQ(sys.calls.back(), "DestroyWindow h1234");
}

TEST_F(SubclassEngineTest, OwnerReleasedInsideItsOwnBeforeCallGetsNoAfterCall) {
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, 5, 3);
  owner.react = [&](bool, bool&, Result&, WinHandle, std::uint32_t, WParam, LParam, LParam&) { owner.alive.reset(); };
  EXPECT_EQ(sys.Send(kWnd, 5), 50);
  EXPECT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(sys.windows[kWnd].proc, originalAddr);
}

TEST_F(SubclassEngineTest, MessagesTheWindowSendsItselfWhileProcessingAreRoutedFromTheTop) {
  // The window's own procedure turns 0x112 into a 0x10 sent to itself, as
  // the default handling of the close command does.
  const ProcAddr selfSending = sys.AddProc([this](WinHandle h, std::uint32_t m, WParam w, LParam l) {
    if (m == 0x112) return sys.Send(h, 0x10);
    return original(h, m, w, l);
  });
  sys.AddWindow(5, selfSending);
  Owner second;
  SubclassEngine engine2(router, nullptr);
  engine2.SetOwner(second.Link());
  ASSERT_TRUE(Subclass(5));
  bool unicode = false;
  ASSERT_TRUE(engine2.ssc_Subclass(5, 0, 1, true, unicode, false));  // directly on top of the first
  engine->ssc_AddMsg(5, 0x10, 1);
  engine2.ssc_AddMsg(5, 0x10, 1);
  EXPECT_EQ(sys.Send(5, 0x112), 0x10 * 10);
  ASSERT_EQ(second.notes.size(), 1u);
  ASSERT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(owner.notes[0].msg, 0x10u);
}

// Two subclassers on one window, with and without a foreign procedure between.
TEST_F(SubclassEngineTest, ChainedSubclassersEachSeeTheMessageTopFirst) {
  Owner second;
  SubclassEngine engine2(router, nullptr);
  engine2.SetOwner(second.Link());
  ASSERT_TRUE(Subclass(kWnd));
  engine->ssc_AddMsg(kWnd, 5, 1);
  // A foreign subclass between the two.
  std::vector<std::string> order;
  ProcAddr foreignPrev = sys.windows[kWnd].proc;
  const ProcAddr foreign = sys.AddProc([&](WinHandle h, std::uint32_t m, WParam w, LParam l) {
    order.push_back("foreign");
    return sys.CallProc(foreignPrev, false, h, m, w, l);
  });
  sys.windows[kWnd].proc = foreign;
  bool unicode = false;
  ASSERT_TRUE(engine2.ssc_Subclass(kWnd, 0, 1, true, unicode, false));
  engine2.ssc_AddMsg(kWnd, 5, 1);
  owner.react = [&](bool, bool&, Result&, WinHandle, std::uint32_t, WParam, LParam, LParam&) { order.push_back("first"); };
  second.react = [&](bool, bool&, Result&, WinHandle, std::uint32_t, WParam, LParam, LParam&) { order.push_back("second"); };
  EXPECT_EQ(sys.Send(kWnd, 5), 50);
  EXPECT_EQ(order, (std::vector<std::string>{"second", "foreign", "first"}));
  // The lower one cannot take the foreign procedure off the window; it only forwards.
  engine->ssc_UnSubclass(kWnd);
  order.clear();
  EXPECT_EQ(sys.Send(kWnd, 5), 50);
  EXPECT_EQ(order, (std::vector<std::string>{"second", "foreign"}));
  EXPECT_EQ(original.seen.size(), 2u);
  engine2.ssc_UnSubclass(kWnd);
  EXPECT_EQ(sys.windows[kWnd].proc, foreign);
}

TEST_F(SubclassEngineTest, LowerOfTwoDirectlyChainedSubclassersLeavesWithoutCuttingOffTheUpper) {
  Owner second;
  SubclassEngine engine2(router, nullptr);
  engine2.SetOwner(second.Link());
  ASSERT_TRUE(Subclass(kWnd));
  bool unicode = false;
  ASSERT_TRUE(engine2.ssc_Subclass(kWnd, 0, 1, true, unicode, false));
  engine->ssc_AddMsg(kWnd, 5, 1);
  engine2.ssc_AddMsg(kWnd, 5, 1);
  EXPECT_EQ(sys.Send(kWnd, 5), 50);
  EXPECT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(second.notes.size(), 1u);
  engine->ssc_UnSubclass(kWnd);
  sys.FireTimers();
  EXPECT_EQ(router.LiveRecords(), 1u);
  EXPECT_EQ(sys.Send(kWnd, 5), 50);
  EXPECT_EQ(owner.notes.size(), 1u);
  EXPECT_EQ(second.notes.size(), 2u);
  engine2.ssc_UnSubclass(kWnd);
  EXPECT_EQ(sys.windows[kWnd].proc, originalAddr);
}

}  // namespace
