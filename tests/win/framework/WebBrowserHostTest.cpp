// The real browser control under Wine: it is created, sized and in-place
// active, raises before-navigate (which can cancel) and download-begin, and
// gives our site back when released. No document ever completes here (no
// HTML engine), so document events are covered with the scripted view.
#include <gtest/gtest.h>

#include <ole2.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include "framework/win/Form.h"
#include "framework/win/MessageLoop.h"
#include "framework/win/WebBrowserHost.h"
#include "win/support/OleEnvironment.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using vorn2::test::PumpUntil;

namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new vorn2::test::OleEnvironment);

FormDesign ParentDesign() {
  FormDesign d;
  d.className = L"Vorn2WebBrowserTestParent";
  d.caption = "browser host";
  d.style = WS_POPUP | WS_CLIPCHILDREN;
  d.clientWidthTwips = 900 * 15;
  d.clientHeightTwips = 600 * 15;
  d.startUp = StartUpPosition::CenterScreen;
  d.appIcon = false;
  return d;
}

SIZE ClientSize(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

class WebBrowserHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    baseline_ = WebBrowserHost::LiveSites();
    parent_.Show();
    ASSERT_TRUE(parent_.IsVisible());
  }
  void TearDown() override {
    host_.reset();
    parent_.Unload();
    // Whatever a test did, every site must have been given back.
    EXPECT_TRUE(PumpUntil([&] { return WebBrowserHost::LiveSites() == baseline_; }, 3000))
        << WebBrowserHost::LiveSites() << " sites alive, " << baseline_ << " before";
  }
  WebBrowserHost& MakeHost(int x = -1, int y = -1, int w = 751, int h = 444) {
    host_ = std::make_unique<WebBrowserHost>();
    EXPECT_TRUE(host_->Create(parent_.hWnd(), x, y, w, h));
    return *host_;
  }
  Form parent_{ParentDesign()};
  std::unique_ptr<WebBrowserHost> host_;
  long baseline_ = 0;
};

TEST_F(WebBrowserHostTest, CreatesTheControlInPlaceAndSizesIt) {
  WebBrowserHost& host = MakeHost();
  ASSERT_NE(host.Browser(), nullptr);
  ASSERT_NE(host.hWnd(), nullptr);
  EXPECT_EQ(GetParent(host.hWnd()), parent_.hWnd());
  RECT rc;
  GetWindowRect(host.hWnd(), &rc);
  MapWindowPoints(HWND_DESKTOP, parent_.hWnd(), reinterpret_cast<POINT*>(&rc), 2);
  EXPECT_EQ(rc.left, -1);
  EXPECT_EQ(rc.top, -1);
  EXPECT_EQ(rc.right - rc.left, 751);
  EXPECT_EQ(rc.bottom - rc.top, 444);

  // The control put its own window inside ours, filling it.
  HWND control = host.ControlWindow();
  ASSERT_NE(control, nullptr);
  SIZE size = ClientSize(control);
  EXPECT_EQ(size.cx, 751);
  EXPECT_EQ(size.cy, 444);

  host.Move(10, 20, 400, 300);
  size = ClientSize(host.ControlWindow());
  EXPECT_EQ(size.cx, 400);
  EXPECT_EQ(size.cy, 300);
  long w = 0, h = 0;
  host.Browser()->get_Width(&w);
  host.Browser()->get_Height(&h);
  EXPECT_EQ(w, 400);
  EXPECT_EQ(h, 300);
}

TEST_F(WebBrowserHostTest, BeforeNavigateCancelsAnAppAddress) {
  WebBrowserHost& host = MakeHost();
  std::vector<std::wstring> seen;
  bool sawTopLevel = false;
  int downloads = 0;
  host.Events().beforeNavigate = [&](const std::wstring& url, bool topLevel, bool& cancel) {
    seen.push_back(url);
    sawTopLevel = topLevel;
    if (url.find(L"app://") == 0) cancel = true;
  };
  host.Events().downloadBegin = [&] { ++downloads; };

  host.Navigate(L"app://exitgame");
  ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
  EXPECT_EQ(seen.front(), L"app://exitgame");
  EXPECT_TRUE(sawTopLevel);
  vorn2::test::Pump(500);
  EXPECT_EQ(downloads, 0) << "a cancelled navigation must not start downloading";
  BSTR location = nullptr;
  host.Browser()->get_LocationURL(&location);
  std::wstring where = location ? std::wstring(location, SysStringLen(location)) : std::wstring();
  SysFreeString(location);
  EXPECT_EQ(where.find(L"app://"), std::wstring::npos) << "location became " << testing::PrintToString(where);

  const std::string server = vorn2::test::DevserverUrl();
  if (server.empty()) GTEST_SKIP() << "no devserver: the uncancelled half needs one";
  const std::wstring page = std::wstring(server.begin(), server.end()) + L"/download/vorn2/index_vorn2.php";
  host.Navigate(page);
  ASSERT_TRUE(PumpUntil([&] { return downloads > 0; })) << "an allowed navigation starts downloading";
  EXPECT_EQ(seen.back(), page);
}

TEST_F(WebBrowserHostTest, NotificationsStopAtDestroyAndTheSiteIsGivenBack) {
  WebBrowserHost& host = MakeHost();
  ASSERT_EQ(WebBrowserHost::LiveSites(), baseline_ + 1);
  int events = 0;
  host.Events().beforeNavigate = [&](const std::wstring&, bool, bool&) { ++events; };
  host.Events().downloadBegin = [&] { ++events; };
  const std::string server = vorn2::test::DevserverUrl();
  // A page that is still on its way when the window goes.
  const std::wstring slow = server.empty() ? std::wstring(L"http://127.0.0.1:9/slow")
                                           : std::wstring(server.begin(), server.end()) +
                                                 L"/download/vorn2/index_vorn2.php?wait=3000";
  host.Navigate(slow);
  ASSERT_TRUE(PumpUntil([&] { return events > 0; }));
  const HWND container = host.hWnd();
  IWebBrowser2* control = host.Browser();
  control->AddRef();  // to see whether anything else still holds it
  host.Destroy();
  EXPECT_EQ(host.hWnd(), nullptr);
  EXPECT_EQ(host.Browser(), nullptr);
  EXPECT_FALSE(IsWindow(container));
  const int before = events;
  vorn2::test::Pump(300);
  EXPECT_EQ(events, before);
  EXPECT_TRUE(PumpUntil([&] { return WebBrowserHost::LiveSites() == baseline_; }, 3000));
  // The control may keep itself alive until its cancelled download has
  // wound down; then ours is the last reference.
  EXPECT_TRUE(PumpUntil([&] { control->AddRef(); return control->Release() == 1; }, 8000))
      << "the host let go of every reference to the control";
  EXPECT_EQ(control->Release(), 0u);
  host.Navigate(L"app://minimize");  // released: a harmless no-op
  EXPECT_EQ(events, before);
}

TEST_F(WebBrowserHostTest, DestroyInsideItsOwnNotification) {
  WebBrowserHost& host = MakeHost();
  IWebBrowser2* control = host.Browser();
  control->AddRef();
  bool destroyed = false;
  host.Events().beforeNavigate = [&](const std::wstring&, bool, bool& cancel) {
    host.Destroy();  // as the login does when the page asks to exit
    destroyed = true;
    cancel = true;
  };
  host.Navigate(L"app://exitgame");
  ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
  EXPECT_EQ(host.hWnd(), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return WebBrowserHost::LiveSites() == baseline_; }, 3000));
  EXPECT_EQ(control->Release(), 0u);
}

// Stands in for the page's active object: counts the keys it is offered and
// the references held on it.
class CountingActiveObject : public IOleInPlaceActiveObject {
 public:
  LONG refs = 1;
  std::vector<WPARAM> keys;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceActiveObject) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(LPMSG msg) override {
    if (msg->message != WM_KEYDOWN) return S_FALSE;
    keys.push_back(msg->wParam);
    return msg->wParam == VK_F5 ? S_OK : S_FALSE;  // the page takes F5
  }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
};

TEST_F(WebBrowserHostTest, KeysGoToThePagesActiveObjectFirstAndItIsGivenBack) {
  WebBrowserHost& host = MakeHost();
  CountingActiveObject active;
  IOleInPlaceFrame* frame = nullptr;
  ASSERT_EQ(host.ClientSite()->QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(&frame)), S_OK);
  frame->SetActiveObject(&active, L"page");
  frame->Release();
  EXPECT_EQ(active.refs, 2);
  // Keys posted to a window inside the control reach the page before dispatch.
  HWND inside = host.ControlWindow() ? host.ControlWindow() : host.hWnd();
  PostMessageW(inside, WM_KEYDOWN, VK_F5, 0);
  PostMessageW(inside, WM_KEYDOWN, VK_TAB, 0);
  PumpPendingMessages();
  EXPECT_EQ(active.keys, (std::vector<WPARAM>{VK_F5, VK_TAB}));
  host.Destroy();
  EXPECT_EQ(active.refs, 1);
}

TEST_F(WebBrowserHostTest, ParentWindowGoingFirstIsSurvived) {
  WebBrowserHost& host = MakeHost();
  HWND container = host.hWnd();
  parent_.Unload();
  EXPECT_FALSE(IsWindow(container));
  EXPECT_EQ(host.hWnd(), nullptr);
  host.Destroy();
  EXPECT_TRUE(PumpUntil([&] { return WebBrowserHost::LiveSites() == baseline_; }, 3000));
}

TEST_F(WebBrowserHostTest, SilentGoesToTheControl) {
  WebBrowserHost& host = MakeHost();
  host.SetSilent(true);
  EXPECT_TRUE(host.Silent());
  VARIANT_BOOL silent = VARIANT_FALSE;
  host.Browser()->get_Silent(&silent);
  EXPECT_NE(silent, VARIANT_FALSE);
  host.SetSilent(false);
  EXPECT_FALSE(host.Silent());
}

TEST_F(WebBrowserHostTest, UiHandlerAnswersWithTheHostOptions) {
  WebBrowserHost& host = MakeHost();
  IDocHostUIHandler* ui = nullptr;
  ASSERT_TRUE(SUCCEEDED(host.ClientSite()->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&ui))));
  POINT pt{5, 5};
  // S_FALSE lets the browser show its own menu; S_OK means the host handled it.
  EXPECT_EQ(ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_FALSE);
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_EQ(ui->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags & (DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_NO3DBORDER), 0u);
  // Pages drawn at the screen's scale. Nothing renders under Wine here, so
  // the flag is all that can be seen.
  EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_DPI_AWARE, 0u);

  host.SetContextMenuEnabled(false);
  host.SetScrollBars(false);
  host.SetBorder(false);
  EXPECT_EQ(ui->ShowContextMenu(0, &pt, nullptr, nullptr), S_OK);
  ASSERT_EQ(ui->GetHostInfo(&info), S_OK);
  EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO, 0u);
  EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_NO3DBORDER, 0u);
  EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_DPI_AWARE, 0u);
  ui->Release();

  // The same site is the event sink the control was given.
  IDispatch* sink = nullptr;
  ASSERT_TRUE(SUCCEEDED(host.ClientSite()->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&sink))));
  sink->Release();
}

TEST_F(WebBrowserHostTest, DocumentQueriesWithoutADocumentAreEmpty) {
  WebBrowserHost& host = MakeHost();
  // Nothing has loaded (and nothing ever completes under Wine here).
  EXPECT_EQ(host.RootInnerHtmlLength(), 0);
  EXPECT_FALSE(host.SetRootOverflowHidden());
}

}  // namespace
