#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "framework/win/Form.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/PublicData.h"
#include "framework/win/Resources.h"
#include "framework/win/Screen.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"
#include "startup/win/LoadFrm.h"
#include "win/support/TestListener.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

std::string ReadText(const std::wstring& path) {
  std::vector<unsigned char> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

struct ChildRun {
  int exitCode;
  std::string log;
  bool swapConfirmed;  // the marker and the backup put beside it are gone
};

// The child runs from a folder of its own, beside what an update leaves
// until its new client has shown a window.
ChildRun RunChild(const std::string& mode, const std::string& arguments) {
  test::TempDir dir;
  const std::wstring exe = dir.File(L"startup_child.exe");
  EXPECT_TRUE(CopyFileW(test::BesideThisProgram(L"startup_child.exe").c_str(), exe.c_str(), FALSE));
  EXPECT_TRUE(test::WriteFileBytes(exe + L".unconfirmed", {}) && test::WriteFileBytes(exe + L".old", {'x'}));
  std::wstring log = dir.File(L"log.txt");
  std::wstring cmd = L"\"" + exe + L"\" " + W(mode) + L" " + log + L" " + W(arguments);
  ChildRun run{test::RunProcess(cmd, 20000), "", false};
  run.log = ReadText(log);
  run.swapConfirmed = !test::FileExists(exe + L".unconfirmed") && !test::FileExists(exe + L".old");
  return run;
}

// A plain window filling the screen in a known colour, to see through the
// splash's transparent pixels.
class Backdrop {
 public:
  explicit Backdrop(COLORREF colour) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(colour);
    wc.lpszClassName = L"Vorn2TestBackdrop";
    RegisterClassW(&wc);
    SIZE s = ScreenSizePixels();
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, s.cx, s.cy, nullptr, nullptr,
                            wc.hInstance, nullptr);
    UpdateWindow(hwnd_);
  }
  ~Backdrop() { DestroyWindow(hwnd_); }

 private:
  HWND hwnd_;
};

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

class SplashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Process().isConnected = [] { return true; };
    Process().endAtOnce = [this] { ++ends; };
    Process().shellOpen = [this](const std::wstring& file, const std::wstring&) {
      opened.push_back(file);
      return true;
    };
  }
  void TearDown() override { ResetProcessEnvironment(); }
  StartupSettings Settings(const std::string& arguments = "") {
    return StartupSettings{"http://127.0.0.1:9", "http://127.0.0.1:9/home", arguments};
  }
  int ends = 0;
  std::vector<std::wstring> opened;
};

}  // namespace

TEST_F(SplashTest, SplashIsALayeredPictureCentredWithoutTaskbarButton) {
  LoadFrm splash(Settings());
  bool loginLoaded = false;
  splash.loadLogin = [&] { loginLoaded = splash.IsLoaded() && !splash.IsVisible(); };
  ASSERT_TRUE(splash.Create());
  splash.Start();
  ASSERT_TRUE(splash.IsVisible());
  EXPECT_TRUE(loginLoaded) << "the login window is loaded while the splash is still hidden";
  HWND hwnd = splash.hWnd();
  EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 356);
  EXPECT_EQ(rc.bottom - rc.top, 122);
  SIZE screen = ScreenSizePixels();
  EXPECT_EQ(rc.left, (screen.cx - 356) / 2);
  EXPECT_EQ(rc.top, (screen.cy - 122) / 2);
  // No taskbar button: owned by a hidden window, not an app window.
  HWND owner = GetWindow(hwnd, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_FALSE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(splash.Caption(), "Form1");
  EXPECT_NE(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(ends, 0);
  splash.Unload();
  EXPECT_EQ(splash.Splash().image, nullptr);
  EXPECT_EQ(splash.Splash().memoryDC, nullptr);
}

TEST_F(SplashTest, TransparentPixelsShowWhatLiesBelow) {
  Backdrop backdrop(RGB(255, 0, 0));
  test::Pump(100);
  // The picture's own pixels, decoded separately.
  const GdiplusSession gdiplus = GdiplusSession::Open();
  const PngImage png = LoadPngResource(IDR_PNG_SPLASH, L"PNG");
  auto* image = static_cast<Gdiplus::GpBitmap*>(png.image.get());
  ASSERT_NE(image, nullptr);
  Gdiplus::ARGB corner = 0, centre = 0;
  Gdiplus::DllExports::GdipBitmapGetPixel(image, 0, 0, &corner);
  Gdiplus::DllExports::GdipBitmapGetPixel(image, 178, 61, &centre);
  ASSERT_EQ(corner >> 24, 0u) << "the picture has a transparent corner";
  ASSERT_EQ(centre >> 24, 255u) << "and an opaque middle";

  // Decoded by the window itself, and decoded ahead on the worker.
  for (const bool ahead : {false, true}) {
    LoadFrm splash(Settings());
    if (ahead) splash.BeginCreate();
    ASSERT_TRUE(splash.Create());
    splash.Start();
    test::Pump(300);
    RECT rc;
    GetWindowRect(splash.hWnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 356) << ahead;
    EXPECT_EQ(ScreenPixel(rc.left, rc.top), RGB(255, 0, 0)) << ahead;
    COLORREF shown = ScreenPixel(rc.left + 178, rc.top + 61);
    EXPECT_EQ(shown, RGB((centre >> 16) & 0xFF, (centre >> 8) & 0xFF, centre & 0xFF)) << ahead;
    // (Wine's own hit test ignores layered alpha, so only the opaque side of
    // "transparent pixels take no clicks" can be checked here.)
    POINT centre_pt{rc.left + 178, rc.top + 61};
    EXPECT_EQ(WindowFromPoint(centre_pt), splash.hWnd()) << ahead;
    splash.Unload();
  }
}

TEST_F(SplashTest, WebSwitchOpensTheHomePageAndEndsBeforeTheSplash) {
  LoadFrm splash(Settings("/web"));
  bool loginLoaded = false;
  splash.loadLogin = [&] { loginLoaded = true; };
  ASSERT_TRUE(splash.Create());
  splash.Start();
  EXPECT_EQ(ends, 1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], L"http://127.0.0.1:9/home");
  EXPECT_FALSE(loginLoaded);
  EXPECT_FALSE(splash.IsVisible());
  splash.Unload();
}

TEST_F(SplashTest, OfflineShowsTheNetworkMessageAndEnds) {
  Process().isConnected = [] { return false; };
  test::PromptScript prompts;
  LoadFrm splash(Settings("/web"));
  EXPECT_FALSE(splash.Create());
  EXPECT_EQ(ends, 1);
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].text, L"未能连接到服务器，请检查网络连接是否正常！");
  EXPECT_EQ(prompts.asked()[0].title, L"提示");
  EXPECT_EQ(prompts.asked()[0].type, 0x30u);
  EXPECT_TRUE(opened.empty()) << "the switch is never looked at offline";
}

TEST_F(SplashTest, AcceptedUpdateStartsTheUpdaterAndEndsBeforeTheSplash) {
  const std::string server = test::DevserverUrl();
  if (server.empty()) GTEST_SKIP() << "needs the devserver";
  ASSERT_EQ(test::HttpRequest("PUT", server + "/__admin/release?version=1.2.0", "MZ"), 200);
  test::PromptScript prompts({IDYES});
  StartupSettings settings = Settings();
  settings.updateServer = server;
  LoadFrm splash(settings);
  bool loginLoaded = false;
  splash.loadLogin = [&] { loginLoaded = true; };
  const bool goesOn = splash.Create();
  test::HttpRequest("POST", server + "/__admin/reset");
  EXPECT_FALSE(goesOn);
  EXPECT_EQ(ends, 1);
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].text, L"发现有新版本，是否现在更新！");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], GetTempFolder() + L"Update.exe");
  EXPECT_FALSE(splash.IsLoaded());
  EXPECT_FALSE(loginLoaded);
}

TEST_F(SplashTest, WorkAheadRunsOnAWorkerAndOnlyTheDecisionOnThisThread) {
  const std::string server = test::DevserverUrl();
  if (server.empty()) GTEST_SKIP() << "needs the devserver";
  ASSERT_EQ(test::HttpRequest("PUT", server + "/__admin/release?version=1.2.0", "MZ"), 200);
  const DWORD self = GetCurrentThreadId();
  DWORD checkedOn = 0, askedOn = 0;
  Process().isConnected = [&] {
    checkedOn = GetCurrentThreadId();
    return true;
  };
  const PromptHook previous = SetPromptHook([&](const PromptRequest&) {
    askedOn = GetCurrentThreadId();
    return IDYES;
  });
  StartupSettings settings = Settings();
  settings.updateServer = server;
  {
    LoadFrm splash(settings);
    splash.BeginCreate();
    splash.BeginCreate();  // once is all it starts
    EXPECT_FALSE(splash.Create());
  }
  {
    // Never created: the object still waits for its worker before it goes.
    LoadFrm splash(settings);
    splash.BeginCreate();
  }
  SetPromptHook(previous);
  test::HttpRequest("POST", server + "/__admin/reset");
  EXPECT_NE(checkedOn, 0u);
  EXPECT_NE(checkedOn, self) << "the network check ran on the worker";
  EXPECT_EQ(askedOn, self) << "the question comes from the window's thread";
  EXPECT_EQ(ends, 1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], GetTempFolder() + L"Update.exe");
}

TEST_F(SplashTest, BroadcastsAreAnsweredWhileTheWorkerWaitsOnTheServer) {
  const std::string server = test::DevserverUrl();
  if (server.empty()) GTEST_SKIP() << "needs the devserver";
  Form::CreateHiddenOwner();  // a top-level window exists before the wait, as in the client
  StartupSettings settings = Settings();
  settings.updateServer = server + "/__fault/stall";
  LoadFrm splash(settings);
  splash.SetTimeouts({std::chrono::milliseconds(3000), std::chrono::milliseconds(3000)});
  splash.BeginCreate();
  DWORD broadcastMs = 0;
  std::thread other([&] {
    Sleep(500);
    const DWORD start = GetTickCount();
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, 5000, nullptr);
    broadcastMs = GetTickCount() - start;
  });
  const DWORD start = GetTickCount();
  EXPECT_TRUE(splash.Create());
  const DWORD createMs = GetTickCount() - start;
  other.join();
  EXPECT_GE(createMs, 2900u) << "the fetch waited out the stall time-out";
  // Held until the fetch ends it would take 2.5 s; the margin is for a loaded machine.
  EXPECT_LT(broadcastMs, 1500u) << "sent at 500 ms into a fetch of " << createMs << " ms";
}

TEST_F(SplashTest, WorkerFailureGoesOnAsAfterAFailedDownload) {
  const std::string server = test::DevserverUrl();
  if (server.empty()) GTEST_SKIP() << "needs the devserver";
  // A new version waits on the server: fetched after all, it would be asked about.
  ASSERT_EQ(test::HttpRequest("PUT", server + "/__admin/release?version=1.2.0", "MZ"), 200);
  Process().isConnected = []() -> bool { throw std::runtime_error("no network stack"); };
  test::ExpectFailureTraces(1);  // the worker's exception, in the debugger's output
  test::PromptScript prompts;
  StartupSettings settings = Settings();
  settings.updateServer = server;
  LoadFrm splash(settings);
  splash.BeginCreate();
  EXPECT_TRUE(splash.Create());
  test::HttpRequest("POST", server + "/__admin/reset");
  EXPECT_TRUE(prompts.asked().empty()) << "neither the network message nor the update question";
  EXPECT_EQ(ends, 0);
}

// The message is the first window: it confirms an update's new client.
TEST(StartupProcess, OfflineEndsTheProcessAfterTheMessage) {
  ChildRun run = RunChild("offline", "/web");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.log, "prompt 提示|未能连接到服务器，请检查网络连接是否正常！|48\n");
  EXPECT_TRUE(run.swapConfirmed);
}

TEST(StartupProcess, WebSwitchOpensTheHomePageAndEnds) {
  ChildRun run = RunChild("online", "/web");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.log, "shell http://127.0.0.1:9/home|\n");
  EXPECT_FALSE(run.swapConfirmed);  // no window of its own
}

TEST(StartupProcess, OtherArgumentsStartNormallyWithTheSplash) {
  for (const char* args : {"/WEB", "/web x", ""}) {
    ChildRun run = RunChild("online", args);
    EXPECT_EQ(run.exitCode, 42) << args;
    EXPECT_EQ(run.log, "splash 356x122 visible\n") << args;
    EXPECT_TRUE(run.swapConfirmed) << args;
  }
}

TEST(StartupProcess, UpdateServerThatNeverAnswersDelaysTheSplashByTheTimeOutOnly) {
  const std::string server = test::DevserverUrl();
  if (server.empty()) GTEST_SKIP() << "needs the devserver";
  const DWORD start = GetTickCount();
  ChildRun run = RunChild("online@" + server + "/__fault/stall", "");
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(run.exitCode, 42);
  EXPECT_EQ(run.log, "splash 356x122 visible\n");
  // The child's stall time-out is 2 s; the rest is the process's own start.
  EXPECT_GE(elapsed, 2000u);
  EXPECT_LT(elapsed, 2000u + 8000u);
  std::string log;
  test::HttpRequest("GET", server + "/__admin/log", "", &log);
  EXPECT_NE(log.find("GET\t/__fault/stall/gamehome/vorn2/update.txt\t"), std::string::npos);
}
