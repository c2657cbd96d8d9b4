// The one engine under every replaced window procedure: procedures of their
// own (WindowProcHook) and router entries (the subclassers) stacked on one
// window in any order, removed in any order.
#include <gtest/gtest.h>

#include <memory>

#include "core/framework/FakeWindows.h"
#include "framework/HookRouter.h"

using namespace vorn2::subclass;
using vorn2::test::FakeWindows;
using vorn2::test::OriginalProc;

namespace {

constexpr WinHandle kWnd = 7;

// A router entry's record that counts the messages it passes on.
struct CountingRecord : HookRecord {
  int acted = 0;
  Result Process(HookRouter& router, WinHandle h, std::uint32_t m, WParam w, LParam l) override {
    ++acted;
    return router.CallPrevious(*this, h, m, w, l);
  }
};

struct Stacked {
  bool own;  // a procedure of its own, else a router entry
  int acted = 0;
  std::shared_ptr<HookRecord> record;
};

}  // namespace

TEST(HookRouter, TwoStackedProceduresCallThePreviousOnceAndLeaveInAnyOrder) {
  for (const auto& [lowerOwn, upperOwn] : {std::pair{true, true}, {true, false}, {false, true}, {false, false}}) {
    SCOPED_TRACE(testing::Message() << "lower " << (lowerOwn ? "own" : "router") << ", upper "
                                    << (upperOwn ? "own" : "router"));
    FakeWindows sys;
    HookRouter router(sys);
    sys.router = &router;
    OriginalProc original;
    const ProcAddr originalAddr =
        sys.AddProc([&](WinHandle h, std::uint32_t m, WParam w, LParam l) { return original(h, m, w, l); });
    sys.AddWindow(kWnd, originalAddr);
    Stacked lower{lowerOwn, 0, nullptr}, upper{upperOwn, 0, nullptr};
    for (Stacked* p : {&lower, &upper}) {
      std::uint32_t error = 0;
      if (p->own) {
        auto self = std::make_shared<ProcAddr>(0);
        *self = sys.AddProc([&router, p, self](WinHandle h, std::uint32_t m, WParam w, LParam l) {
          OwnCall call(router, h, *self);
          if (call.Active() && call.RefData() == p) ++p->acted;
          return call.Previous(m, w, l);
        });
        p->record = std::make_shared<HookRecord>();
        p->record->hWnd = kWnd;
        p->record->refData = p;
        ASSERT_TRUE(router.InstallOwn(p->record, *self, error));
      } else {
        p->record = std::make_shared<CountingRecord>();
        p->record->hWnd = kWnd;
        ASSERT_TRUE(router.Install(p->record, error));
      }
    }
    const auto acted = [](const Stacked& s) {
      return s.own ? s.acted : static_cast<const CountingRecord&>(*s.record).acted;
    };
    for (int i = 0; i < 3; ++i) EXPECT_EQ(sys.Send(kWnd, 0x400, i), 0x400 * 10 + i);
    EXPECT_EQ(original.seen.size(), 3u);
    EXPECT_EQ(acted(lower), 3);
    EXPECT_EQ(acted(upper), 3);

    router.Detach(*lower.record);  // under the upper one
    for (int i = 0; i < 2; ++i) sys.Send(kWnd, 0x401);
    EXPECT_EQ(original.seen.size(), 5u) << "once per message, never twice, never lost";
    EXPECT_EQ(acted(lower), 3);
    EXPECT_EQ(acted(upper), 5);

    router.Detach(*upper.record);
    sys.Send(kWnd, 0x402);
    EXPECT_EQ(original.seen.size(), 6u);
    EXPECT_EQ(sys.windows[kWnd].proc, originalAddr) << "both left the chain";
    sys.FireTimers();
    EXPECT_EQ(router.LiveRecords(), 0u);
  }
}
