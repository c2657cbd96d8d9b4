#include "win/support/TestListener.h"

#include <gtest/gtest.h>

#include <array>

#include "framework/FailureTrace.h"
#include "framework/win/AccessibleObject.h"
#include "framework/win/Handles.h"
#include "framework/win/Window.h"

namespace vorn2::test {
namespace {

constexpr const char* kKindNames[] = {
    "icon",        "font",      "bitmap",       "region",       "menu",          "palette",       "brush",
    "memory DC",   "window DC", "GDI+ session", "GDI+ object",  "COM reference", "kernel object", "file",
    "find handle", "internet",  "module",       "registry key", "BSTR",          "global memory", "window"};
constexpr int kKinds = static_cast<int>(HandleKind::Count);
static_assert(std::size(kKindNames) == kKinds, "a name for every kind of handle");

struct Counts {
  std::array<long, kKinds> handles{};
  long failures = 0;
  long aliveAtTeardown = 0;
  long accessibleObjects = 0;

  static Counts Now() {
    Counts c;
    for (int k = 0; k < kKinds; ++k) c.handles[k] = LiveHandles(static_cast<HandleKind>(k));
    c.failures = FailureCount();
    c.aliveAtTeardown = Window::WindowsAliveAtTeardown();
    c.accessibleObjects = LiveAccessibleObjects();
    return c;
  }
};

long g_expectedFailures = 0;
long g_expectedAlive = 0;
std::array<long, kKinds> g_outliving{};

class LeakListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    g_expectedFailures = g_expectedAlive = 0;
    g_outliving.fill(0);
    before_ = Counts::Now();
  }
  // Runs before the result printer, so the failures show under the test.
  // Fewer handles than before is no fault: work an earlier test left behind
  // has ended.
  void OnTestEnd(const ::testing::TestInfo&) override {
    const Counts after = Counts::Now();
    for (int k = 0; k < kKinds; ++k) {
      EXPECT_LE(after.handles[k], before_.handles[k] + g_outliving[k])
          << "live " << kKindNames[k] << " handles after the test";
    }
    EXPECT_LE(after.accessibleObjects, before_.accessibleObjects) << "accessible objects not released after the test";
    EXPECT_EQ(after.failures - before_.failures, g_expectedFailures)
        << "failure traces in the test (the lines begin with \"vorn2:\" in the debugger's output)";
    EXPECT_EQ(after.aliveAtTeardown - before_.aliveAtTeardown, g_expectedAlive)
        << "windows still alive when ~Window ran";
  }

  Counts before_;
};

[[maybe_unused]] const bool g_registered = [] {
  auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
  // End events go to the listeners in reverse order: after the printer, ours comes first.
  listeners.Append(new LeakListener);
  return true;
}();

}  // namespace

void ExpectFailureTraces(long count) { g_expectedFailures = count; }
void ExpectWindowsAliveAtTeardown(long count) { g_expectedAlive = count; }
void ExpectHandlesOutliveTest(HandleKind kind, long count) { g_outliving[static_cast<int>(kind)] = count; }

}  // namespace vorn2::test
