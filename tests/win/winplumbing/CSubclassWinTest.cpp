#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/win/SharedRouter.h"
#include "win/support/WinTest.h"
#include "winplumbing/win/CSubclass.h"
#include "winplumbing/win/SubclassEventLog.h"
#include "winplumbing/win/cFormSubclass.h"

using namespace vorn2;

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPong = WM_APP + 2;

// What the window's own procedure saw.
struct Seen {
  std::vector<UINT> msgs;
  std::vector<WPARAM> wparams;
  std::wstring lastText;
};
Seen* g_seen = nullptr;

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (g_seen && (m == kPing || m == kPong || m == WM_SETTEXT)) {
    g_seen->msgs.push_back(m);
    g_seen->wparams.push_back(w);
    if (m == WM_SETTEXT) g_seen->lastText = reinterpret_cast<const wchar_t*>(l);
  }
  if (m == kPing) return 1000 + static_cast<LRESULT>(w);
  return DefWindowProcW(h, m, w, l);
}

HWND MakeWindow(bool visible = false) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Vorn2PlumbPlain";
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    RegisterClassW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, L"Vorn2PlumbPlain", L"", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 200, 200, 300,
                         200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

struct RecordingOwner : ISubclassOwner {
  struct Call {
    bool before;
    UINT msg;
    LRESULT lReturn;
  };
  std::vector<Call> calls;
  std::function<void(bool, bool&, LRESULT&, HWND, UINT, WPARAM, LPARAM, LONG_PTR&)> react;
  void WindowProc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                  LONG_PTR& lParamUser) override {
    calls.push_back({bBefore, uMsg, lReturn});
    if (react) react(bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam, lParamUser);
  }
};

class CSubclassWin : public ::testing::Test {
 protected:
  Seen seen;
  HWND hwnd = nullptr;
  void SetUp() override {
    g_seen = &seen;
    hwnd = MakeWindow();
    ASSERT_TRUE(hwnd);
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    test::Pump(150);  // lets pending releases run
    g_seen = nullptr;
  }
  static LONG_PTR OwnProc() { return reinterpret_cast<LONG_PTR>(&PlainProc); }
};

TEST_F(CSubclassWin, RealWindowRoutesBeforeAndAfterAndRestoresItsProcedure) {
  auto owner = std::make_shared<RecordingOwner>();
  CSubclass sc(owner);
  bool unicode = true;
  ASSERT_TRUE(sc.ssc_Subclass(hwnd, 0, 1, true, unicode, false));
  EXPECT_TRUE(unicode);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&SubclassRouterW));
  sc.ssc_AddMsg(hwnd, kPing, CSubclass::MSG_BEFORE_AND_AFTER);
  sc.ssc_AddMsg(hwnd, kPong, CSubclass::MSG_BEFORE);
  owner->react = [](bool before, bool& handled, LRESULT& r, HWND, UINT m, WPARAM, LPARAM, LONG_PTR&) {
    if (m == kPong && before) {
      handled = true;
      r = 1;
    }
    if (m == kPing && !before) r += 5;
  };
  EXPECT_EQ(SendMessageW(hwnd, kPing, 7, 0), 1012);
  EXPECT_EQ(SendMessageW(hwnd, kPong, 0, 0), 1);
  EXPECT_EQ(seen.msgs, std::vector<UINT>{kPing});  // the answered message never reached the window
  ASSERT_EQ(owner->calls.size(), 3u);
  EXPECT_TRUE(owner->calls[0].before);
  EXPECT_EQ(owner->calls[1].lReturn, 1007);
  EXPECT_EQ(sc.ssc_CallOrigWndProc(hwnd, kPing, 1, 0), 1001);
  sc.ssc_UnSubclass(hwnd);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), OwnProc());
  EXPECT_EQ(SendMessageW(hwnd, kPing, 7, 0), 1007);
  EXPECT_EQ(owner->calls.size(), 3u);
}

TEST_F(CSubclassWin, AnsiFlavourKeepsAsciiTextIntact) {
  auto owner = std::make_shared<RecordingOwner>();
  CSubclass sc(owner);
  ASSERT_TRUE(sc.ssc_Subclass(hwnd));  // the common call: ANSI
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&SubclassRouterA));
  sc.ssc_AddMsg(hwnd, CSubclass::ALL_MESSAGES, CSubclass::MSG_BEFORE);
  SetWindowTextW(hwnd, L"Tabs");
  EXPECT_EQ(seen.lastText, L"Tabs");
  bool sawSetText = false;
  for (const auto& c : owner->calls) sawSetText = sawSetText || c.msg == WM_SETTEXT;
  EXPECT_TRUE(sawSetText);
}

TEST_F(CSubclassWin, DestroyedWindowIsReleasedAHundredMillisecondsLater) {
  // Records of earlier tests finish their release first: a late one would
  // make the count below drop before ours goes.
  ASSERT_TRUE(test::PumpUntil([] { return SharedHookRouter().LiveRecords() == 0; }, 2000));
  auto owner = std::make_shared<RecordingOwner>();
  CSubclass sc(owner);
  const std::size_t before = SharedHookRouter().LiveRecords();
  ASSERT_TRUE(sc.ssc_Subclass(hwnd));
  sc.ssc_AddMsg(hwnd, WM_NCDESTROY, CSubclass::MSG_AFTER);
  EXPECT_EQ(SharedHookRouter().LiveRecords(), before + 1);
  DestroyWindow(hwnd);
  ASSERT_FALSE(owner->calls.empty());
  EXPECT_EQ(owner->calls.back().msg, static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(SharedHookRouter().LiveRecords(), before + 1);  // not yet
  const ULONGLONG t0 = GetTickCount64();
  EXPECT_TRUE(test::PumpUntil([&] { return SharedHookRouter().LiveRecords() == before; }, 2000));
  EXPECT_GE(GetTickCount64() - t0 + 20, 100u);
  sc.ssc_UnSubclass(hwnd);  // only the registry entry is left to go
  sc.ssc_Terminate();
}

TEST_F(CSubclassWin, UnicodeFormSubclassOverAnAnsiOneBothSeeTheTextOnce) {
  // The system converts the text between the two flavours, so the call that
  // comes down to the lower router is not the message the upper one passed on.
  auto owner = std::make_shared<RecordingOwner>();
  CSubclass sc(owner);
  ASSERT_TRUE(sc.ssc_Subclass(hwnd));  // ANSI
  sc.ssc_AddMsg(hwnd, WM_SETTEXT, CSubclass::MSG_BEFORE);
  auto form = std::make_unique<cFormSubclass>();
  std::vector<std::wstring> formSaw;
  form->Events().MsgCome = [&](bool before, bool&, LRESULT&, HWND&, UINT& m, WPARAM&, LPARAM& l) {
    if (before && m == WM_SETTEXT) formSaw.push_back(reinterpret_cast<const wchar_t*>(l));
  };
  ASSERT_TRUE(form->AddWindowMsgs(hwnd));
  EXPECT_TRUE(SetWindowTextW(hwnd, L"Vornhold 2"));
  EXPECT_EQ(formSaw, std::vector<std::wstring>{L"Vornhold 2"});
  ASSERT_EQ(owner->calls.size(), 1u);
  EXPECT_EQ(owner->calls[0].msg, static_cast<UINT>(WM_SETTEXT));
  EXPECT_EQ(seen.lastText, L"Vornhold 2");
  form.reset();
  sc.ssc_UnSubclass(hwnd);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), OwnProc());
  EXPECT_TRUE(SetWindowTextW(hwnd, L"Tabs"));
  EXPECT_EQ(formSaw.size(), 1u);
  EXPECT_EQ(owner->calls.size(), 1u);
  EXPECT_EQ(seen.lastText, L"Tabs");
}

TEST_F(CSubclassWin, OwnerReleasedInsideAMessageFallsBackToThePreviousProcedure) {
  auto owner = std::make_shared<RecordingOwner>();
  CSubclass sc(owner);
  ASSERT_TRUE(sc.ssc_Subclass(hwnd));
  sc.ssc_AddMsg(hwnd, kPing, CSubclass::MSG_BEFORE_AND_AFTER);
  std::weak_ptr<RecordingOwner> weak = owner;
  RecordingOwner* raw = owner.get();
  raw->react = [&owner](bool, bool&, LRESULT&, HWND, UINT, WPARAM, LPARAM, LONG_PTR&) { owner.reset(); };
  EXPECT_EQ(SendMessageW(hwnd, kPing, 2, 0), 1002);
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), OwnProc());
  EXPECT_EQ(SendMessageW(hwnd, kPing, 3, 0), 1003);
}

TEST_F(CSubclassWin, OwnerBoundByLivenessToken) {
  RecordingOwner owner;
  auto alive = std::make_shared<int>(0);
  CSubclass sc(&owner, alive);
  ASSERT_TRUE(sc.ssc_Subclass(hwnd, 5));
  sc.ssc_AddMsg(hwnd, kPing, CSubclass::MSG_BEFORE);
  owner.react = [](bool, bool&, LRESULT&, HWND, UINT, WPARAM, LPARAM, LONG_PTR& user) { user *= 2; };
  SendMessageW(hwnd, kPing, 0, 0);
  EXPECT_EQ(sc.zGet_lParamUser(hwnd), 10);
  alive.reset();
  SendMessageW(hwnd, kPing, 0, 0);
  EXPECT_EQ(owner.calls.size(), 1u);
}

TEST_F(CSubclassWin, FailuresGoToTheEventLogWithTheirText) {
  std::vector<std::pair<std::string, bool>> entries;
  auto previous = SetErrorEventObserver([&](const std::string& text, bool written) { entries.push_back({text, written}); });
  auto owner = std::make_shared<RecordingOwner>();
  {
    CSubclass sc(owner);
    HWND gone = MakeWindow();
    DestroyWindow(gone);
    EXPECT_FALSE(sc.ssc_Subclass(gone));
    EXPECT_FALSE(sc.ssc_Subclass(GetDesktopWindow()));  // the desktop is another process's window
    EXPECT_FALSE(sc.ssc_Subclass(hwnd, 0, 2));
    ASSERT_TRUE(sc.ssc_Subclass(hwnd));
    EXPECT_FALSE(sc.ssc_Subclass(hwnd));
  }
  SetErrorEventObserver(previous);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].first, "CSubclass.ssc_Subclass: Invalid window handle");
  EXPECT_EQ(entries[1].first, "CSubclass.ssc_Subclass: Window handle belongs to another process");
  EXPECT_EQ(entries[2].first, "CSubclass.ssc_Subclass: Callback method not found");
  EXPECT_EQ(entries[3].first, "CSubclass.ssc_Subclass: Window handle is already subclassed");
  for (const auto& e : entries) EXPECT_TRUE(e.second) << e.first;
}

TEST_F(CSubclassWin, MouseTrackingDeliversOneMouseLeave) {
  DestroyWindow(hwnd);
  hwnd = MakeWindow(true);
  auto owner = std::make_shared<RecordingOwner>();
  CSubclass sc(owner);
  ASSERT_TRUE(sc.ssc_Subclass(hwnd));
  sc.ssc_AddMsg(hwnd, WM_MOUSELEAVE, CSubclass::MSG_BEFORE);
  SetCursorPos(350, 300);  // over the window
  test::Pump(100);
  sc.TrackMouseTracking(hwnd);
  SetCursorPos(5, 5);  // and away
  EXPECT_TRUE(test::PumpUntil([&] { return !owner->calls.empty(); }, 3000));
  test::Pump(200);
  EXPECT_EQ(owner->calls.size(), 1u);
}

}  // namespace
