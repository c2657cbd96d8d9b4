// The login window with the real browser control: the page's app://
// addresses reach it through the control's before-navigate and the control
// is given back when the pair closes.
#include <gtest/gtest.h>

#include <ole2.h>

#include "framework/win/ProcessEnvironment.h"
#include "framework/win/WebBrowserHost.h"
#include "login/win/LoginFrm.h"
#include "win/support/OleEnvironment.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using vorn2::test::PumpUntil;

namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new vorn2::test::OleEnvironment);

std::string Portal() {
  const std::string server = vorn2::test::DevserverUrl();
  return server.empty() ? "http://127.0.0.1:9" : server;  // nothing listens on 9: the page never arrives
}

TEST(LoginWithRealBrowser, ExitAddressThroughTheControlClosesThePair) {
  const long sitesBefore = WebBrowserHost::LiveSites();
  int ended = 0;
  Process().endAtOnce = [&] { ++ended; };
  {
    LoginFrm login(LoginSettings{Portal()});
    ASSERT_TRUE(login.Load());
    ASSERT_NE(dynamic_cast<WebBrowserHost*>(login.WebBrowser1()), nullptr) << "the product's control by default";
    EXPECT_EQ(WebBrowserHost::LiveSites(), sitesBefore + 1);
    // The control sits in its clipping box at the design size.
    RECT rc{};
    GetWindowRect(login.WebBrowser1()->hWnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 751);
    EXPECT_EQ(rc.bottom - rc.top, 444);

    // The page is loading (under Wine it never completes); the page's
    // minimise address is cancelled and minimises the background...
    login.WebBrowser1()->Navigate(L"app://minimize");
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(login.Background().hWnd()) != FALSE; }));
    EXPECT_TRUE(login.IsLoaded());
    // ...and its exit address closes the pair from inside the control's notification.
    login.WebBrowser1()->Navigate(L"app://exitgame");
    EXPECT_TRUE(PumpUntil([&] { return !login.Background().IsLoaded() && !login.IsLoaded(); }));
    EXPECT_TRUE(PumpUntil([&] { return WebBrowserHost::LiveSites() == sitesBefore; }, 3000))
        << "the control gave our site back";
  }
  EXPECT_EQ(ended, 0);
  ResetProcessEnvironment();
}

}  // namespace
