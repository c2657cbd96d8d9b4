// The plain stand-in page view against the devserver: a click on a drawn
// link goes through before-navigate and loads the page in the same view;
// inert links and pages it cannot read stay inside it with a line; the fetch
// runs off the window thread and a view destroyed meanwhile hears nothing.
#include <gtest/gtest.h>

#include <chrono>

#include "framework/win/Form.h"
#include "framework/win/WinText.h"
#include "standin/win/StandInWebView.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using vorn2::standin::StandInWebView;
using vorn2::test::PumpUntil;

namespace {

FormDesign ParentDesign() {
  FormDesign d;
  d.className = L"Vorn2StandInTestParent";
  d.caption = "stand-in";
  d.style = WS_POPUP | WS_CLIPCHILDREN;
  d.clientWidthTwips = 900 * 15;
  d.clientHeightTwips = 700 * 15;
  d.appIcon = false;
  return d;
}

class StandInWebViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = W(vorn2::test::DevserverUrl());
    if (base_.empty()) GTEST_SKIP() << "needs the devserver (VORN2_DEVSERVER_URL)";
    parent_.Show();
    ASSERT_TRUE(view_.Create(parent_.hWnd(), 0, 0, 900, 700));
    WebViewEvents& events = view_.Events();
    events.beforeNavigate = [this](const std::wstring& url, bool, bool& cancel) {
      log_.push_back(L"before " + url);
      cancel = url == cancelled_;
    };
    events.documentComplete = [this](const std::wstring& url, bool) { log_.push_back(L"complete " + url); };
    events.titleChange = [this](const std::wstring& title) { title_ = title; };
  }
  void TearDown() override {
    view_.Destroy();
    parent_.Unload();
  }
  // Navigates and waits for the document; false when none came.
  bool Open(const std::wstring& url) {
    log_.clear();
    view_.Navigate(url);
    return PumpUntil([&] { return !log_.empty() && log_.back() == L"complete " + url; }, 10000);
  }
  void Click(const std::wstring& address) {
    const RECT box = view_.LinkBox(address);
    ASSERT_FALSE(IsRectEmpty(&box)) << "no link drawn to " << U8(address);
    const LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    PostMessageW(view_.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(view_.hWnd(), WM_LBUTTONUP, 0, at);
  }
  void Store(const std::string& path, const std::string& type, const std::string& body) {
    ASSERT_EQ(vorn2::test::HttpRequest("PUT", U8(base_) + "/__admin/file" + path + "?type=" + type, body), 200);
  }

  Form parent_{ParentDesign()};
  StandInWebView view_;
  std::wstring base_, cancelled_, title_;
  std::vector<std::wstring> log_;
};

TEST_F(StandInWebViewTest, AClickOnADrawnLinkRaisesBeforeNavigateAndLoadsItInTheSameView) {
  ASSERT_TRUE(Open(base_ + L"/game/index.php?server=1"));
  EXPECT_EQ(title_, L"Vornhold 2 - 第1服") << "the page's own title: its script never runs";
  // Each click from the page before: (link address, whether it loads).
  const std::pair<std::wstring, bool> clicks[] = {
      {base_ + L"/game/city.php", true},
      {base_ + L"/game/rank.php", true},
      {base_ + L"/game/index.php?server=1", true},
      {base_ + L"/game/news.php?id=2", false},  // the host cancels it
  };
  cancelled_ = base_ + L"/game/news.php?id=2";
  for (const auto& [address, loads] : clicks) {
    log_.clear();
    const std::wstring before = view_.DocumentUrl();
    Click(address);
    ASSERT_TRUE(PumpUntil([&] { return !log_.empty(); }, 3000)) << U8(address);
    EXPECT_EQ(log_.front(), L"before " + address);
    if (loads) {
      ASSERT_TRUE(PumpUntil([&] { return log_.back() == L"complete " + address; }, 10000)) << U8(address);
      EXPECT_EQ(view_.DocumentUrl(), address);
    } else {
      vorn2::test::Pump(300);
      EXPECT_EQ(log_.size(), 1u);
      EXPECT_EQ(view_.DocumentUrl(), before);
    }
  }
}

TEST_F(StandInWebViewTest, InertLinksAndUnreadablePagesStayInTheViewWithALine) {
  Store("/standin/links.html", "text/html",
        "<html><body><a href=\"javascript:alert(1)\">js</a><a href=\"file:///C:/windows/win.ini\">f</a>"
        "</body></html>");
  ASSERT_TRUE(Open(base_ + L"/standin/links.html"));
  for (const std::wstring address : {L"javascript:alert(1)", L"file:///C:/windows/win.ini"}) {
    log_.clear();
    Click(address);
    ASSERT_TRUE(PumpUntil([&] { return view_.Notice().rfind(L"Not followed", 0) == 0; }, 3000));
    EXPECT_TRUE(log_.empty()) << "no navigation at all";
    EXPECT_EQ(view_.DocumentUrl(), base_ + L"/standin/links.html");
  }

  Store("/standin/gbk.html", "text/html;charset=gbk", "<html><title>\xb5\xc7\xc2\xbc</title><p>x</p></html>");
  Store("/standin/sjis.html", "text/html;charset=shift_jis", "<html><p>\x82\xa0\x82\xa2</p></html>");
  Store("/standin/big.html", "text/html", std::string((4u << 20) + 16, 'x'));
  // (address, the notice it leaves, its title, whether the document has content)
  const struct {
    std::wstring path;
    std::wstring notice, title;
    bool content;
  } pages[] = {
      {L"/standin/gbk.html", L"", L"登录", true},
      {L"/gamehome/vorn2/update.txt", L"", L"", true},
      {L"/standin/sjis.html", L"Not shown: the page's text is neither UTF-8 nor GBK.", L"", false},
      {L"/standin/big.html", L"Not shown: the page is larger than 4 MB.", L"", false},
      // Over the size limit too: refused for its type, from the header.
      {L"/bytes/5000000", L"Not shown: application/octet-stream is not a page.", L"", false},
  };
  for (const auto& page : pages) {
    title_.clear();
    ASSERT_TRUE(Open(base_ + page.path)) << U8(page.path);
    EXPECT_EQ(view_.Notice(), page.notice) << U8(page.path);
    EXPECT_EQ(title_, page.title.empty() ? base_ + page.path : page.title) << U8(page.path);
    EXPECT_EQ(view_.RootInnerHtmlLength() > 0, page.content) << U8(page.path);
  }
  ASSERT_TRUE(Open(L"http://127.0.0.1:1/refused"));
  EXPECT_EQ(view_.Notice(), L"The page could not be loaded (error 12029).");
  EXPECT_EQ(view_.RootInnerHtmlLength(), 0) << "as a page that never came: the login takes it for no connection";
}

TEST_F(StandInWebViewTest, TheFetchLeavesTheWindowThreadFreeAndADestroyedViewHearsNothing) {
  const std::wstring slow = base_ + L"/game/news.php?id=1&wait=1500";
  const auto start = std::chrono::steady_clock::now();
  view_.Navigate(slow);
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(view_.hWnd(), WM_NULL, 0, 0, SMTO_BLOCK, 200, &answer));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));  // the page takes 1.5 s
  // A newer navigation replaces the slow one: only it completes.
  ASSERT_TRUE(Open(base_ + L"/game/news.php?id=2"));
  vorn2::test::Pump(1800);
  EXPECT_EQ(log_.back(), L"complete " + base_ + L"/game/news.php?id=2");
  EXPECT_EQ(view_.DocumentUrl(), base_ + L"/game/news.php?id=2");

  log_.clear();
  view_.Navigate(slow);
  view_.Destroy();
  vorn2::test::Pump(1800);
  EXPECT_EQ(log_, std::vector<std::wstring>{L"before " + slow});
  EXPECT_EQ(view_.hWnd(), nullptr);
}

}  // namespace
