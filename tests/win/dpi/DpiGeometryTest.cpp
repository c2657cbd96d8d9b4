// Every window at the dpi of the Wine prefix this runs in: 96 in the suite,
// 120 and 192 in prefixes of their own (scripts/test.sh sets
// VORN2_EXPECT_DPI). Each window must be its 96-dpi design times dpi / 96,
// its pictures scaled alike, without a magenta fringe. Wine has one dpi for
// every screen, so a move to a screen of another dpi is a posted
// WM_DPICHANGED here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "controls/win/MsgFrm.h"
#include "framework/win/LayeredWindow.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/Resources.h"
#include "framework/win/Screen.h"
#include "framework/win/TempFolder.h"
#include "login/LoginLayout.h"
#include "login/win/LoginFrm.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/win/WebMainFrm.h"
#include "resource_ids.h"
#include "startup/win/LoadFrm.h"
#include "win/controls/ControlsTestSupport.h"
#include "win/support/ScriptedWebView.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using test::PicturePixels;
using test::Pump;
using test::ScriptedWebView;

namespace {

namespace ll = login_layout;
namespace ml = main_layout;

SIZE SizeOf(HWND h) {
  RECT rc{};
  GetWindowRect(h, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

RECT InParent(HWND h) {
  RECT rc{};
  GetWindowRect(h, &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

#define EXPECT_SIZE(hwnd, w, h)             \
  do {                                      \
    const SIZE got_ = SizeOf(hwnd);         \
    EXPECT_EQ(got_.cx, (w)) << #hwnd;       \
    EXPECT_EQ(got_.cy, (h)) << #hwnd;       \
  } while (0)

// Magenta, or a blend of it with anything: what a key fringe looks like.
bool Pinkish(COLORREF c) { return GetRValue(c) >= 0xC0 && GetBValue(c) >= 0xC0 && GetGValue(c) <= 0x60; }

int PinkishPixels(HDC dc, int width, int height) {
  int n = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) n += Pinkish(GetPixel(dc, x, y)) ? 1 : 0;
  }
  return n;
}

// The width of the window's icon of that kind (ICON_SMALL, ICON_BIG); 0 for none.
int IconWidth(HWND hwnd, WPARAM which) {
  const auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, which, 0));
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bm{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bm.bmWidth;
}

// Every child window of parent, where it lies in parent.
std::vector<std::pair<HWND, RECT>> Children(HWND parent) {
  std::vector<std::pair<HWND, RECT>> found;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) found.emplace_back(c, InParent(c));
  return found;
}

// Each edge of each window where it was, times the change of factor (give or
// take the rounding of both): none kept the old factor's place or size.
void ExpectAllRescaled(const std::vector<std::pair<HWND, RECT>>& before, DpiScale from, DpiScale to) {
  const double k = static_cast<double>(to.Dpi()) / from.Dpi();
  for (const auto& [child, was] : before) {
    const RECT now = InParent(child);
    char name[64] = "";
    GetClassNameA(child, name, 64);
    EXPECT_NEAR(now.left, was.left * k, 2) << name;
    EXPECT_NEAR(now.top, was.top * k, 2) << name;
    EXPECT_NEAR(now.right, was.right * k, 2) << name;
    EXPECT_NEAR(now.bottom, was.bottom * k, 2) << name;
  }
}

// As the system sends it when a window moves to a screen of another dpi.
void PostDpiChange(HWND hwnd, int dpi, const RECT& suggested) {
  PostMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  Pump(200);
}

struct ExitHost : IMsgHost {
  bool ExitFlag() const override { return flag; }
  void SetExitFlag(bool value) override { flag = value; }
  void RectRgn(HWND, int, int, int, int) override {}
  bool flag = false;
};

// The dpi the prefix was made with; the test names carry it.
int PrefixDpi() {
  const char* expected = std::getenv("VORN2_EXPECT_DPI");
  return expected ? std::atoi(expected) : 96;
}

class Dpi : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_EQ(SystemDpi(), GetParam()) << "the prefix's dpi";
    s = SystemScale();
    other = DpiScale(s.Dpi() == 144 ? 192 : 144);
    Process().isConnected = [] { return true; };
    Process().endAtOnce = [] {};
    SaveResourceToFile(IDR_ICON_APP, L"ICON", GetTempFolder() + L"vorn2.ico");
  }
  void TearDown() override {
    ResetProcessEnvironment();
    EXPECT_EQ(Form::LoadedCount(), 0u);
  }
  DpiScale s;
  DpiScale other;  // the factor of the screen a window is "moved" to
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Prefix, Dpi, ::testing::Values(PrefixDpi()),
                         [](const ::testing::TestParamInfo<int>& info) { return "dpi" + std::to_string(info.param); });

TEST_P(Dpi, SplashAndLoginPairAreTheirPicturesAtTheFactor) {
  LoadFrm splash(StartupSettings{"http://127.0.0.1:9", "", ""});
  ASSERT_TRUE(splash.Create());
  splash.Start();
  EXPECT_SIZE(splash.hWnd(), s.Px(356), s.Px(122));
  const RECT moved{0, 0, other.Px(356), other.Px(122)};
  PostDpiChange(splash.hWnd(), other.Dpi(), moved);
  EXPECT_SIZE(splash.hWnd(), other.Px(356), other.Px(122));
  EXPECT_EQ(splash.Splash().width, other.Px(356));
  EXPECT_EQ(IconWidth(splash.hWnd(), ICON_BIG), other.Px(32)) << "the icons at the new factor too";
  splash.Unload();

  LoginFrm login(LoginSettings{"http://portal.test/"}, [] { return std::make_unique<ScriptedWebView>(); });
  ASSERT_TRUE(login.Load());
  const HWND back = login.Background().hWnd();
  EXPECT_SIZE(back, s.Px(1237), s.Px(696));
  RECT client{};
  GetClientRect(login.hWnd(), &client);
  EXPECT_EQ(client.right, s.Px(1237));
  EXPECT_EQ(client.bottom, s.Px(696));
  // The buttons at their design places, on opaque parts of the picture.
  const LayeredPicture& picture = login.Background().Picture();
  ASSERT_TRUE(test::PumpUntil([&] { return picture.image != nullptr; }, 2000)) << "painted once messages run";
  ASSERT_EQ(picture.width, s.Px(1237));
  const PixelImage art = ReadPixels(picture.bitmap.get());
  ASSERT_FALSE(art.Empty());
  for (PictureButton* b : {&login.MiniBtn(), &login.CloseBtn()}) {
    const ll::TwipsRect& r = b == &login.MiniBtn() ? ll::kMiniBtn : ll::kCloseBtn;
    const RECT at = InParent(b->hWnd());
    EXPECT_EQ(at.left, s.FromTwips(r.left));
    EXPECT_EQ(at.top, s.FromTwips(r.top));
    EXPECT_EQ(at.right - at.left, s.Px(r.width / 15));
    EXPECT_EQ(art.At((at.left + at.right) / 2, (at.top + at.bottom) / 2) >> 24, 255u) << "on the picture";
  }
  EXPECT_EQ(InParent(login.Picture1().hWnd()).top, s.FromTwips(ll::kPicture1.top));

  // Moved to a screen of another dpi: the picture, the window on it and
  // its buttons take the new factor; the two top-lefts stay together.
  const RECT suggested{40, 30, 40 + other.Px(1237), 30 + other.Px(696)};
  PostDpiChange(back, other.Dpi(), suggested);
  PostDpiChange(login.hWnd(), other.Dpi(), suggested);
  EXPECT_EQ(login.Background().Scale(), other);
  EXPECT_SIZE(back, other.Px(1237), other.Px(696));
  EXPECT_EQ(login.Background().Picture().width, other.Px(1237));
  GetClientRect(login.hWnd(), &client);
  EXPECT_EQ(client.right, other.Px(1237));
  RECT rb{}, rf{};
  GetWindowRect(back, &rb);
  GetWindowRect(login.hWnd(), &rf);
  EXPECT_EQ(rf.left, rb.left);
  EXPECT_EQ(rf.top, rb.top);
  EXPECT_EQ(InParent(login.CloseBtn().hWnd()).left, other.FromTwips(ll::kCloseBtn.left));
  EXPECT_EQ(IconWidth(back, ICON_SMALL), other.Px(16)) << "the taskbar button's icons";
  EXPECT_EQ(IconWidth(back, ICON_BIG), other.Px(32));
  EXPECT_EQ(login.CloseBtn().Surface().width(), other.Px(34));
  login.ClosePair();
}

TEST_P(Dpi, MainWindowTitleRowTabsAndButtonsAtTheFactor) {
  ScriptedWebView* page = nullptr;
  WebMainFrm main(MainSettings{"http://127.0.0.1:9", "http://127.0.0.1:9"}, [&page] {
    auto view = std::make_unique<ScriptedWebView>();
    page = view.get();
    return view;
  });
  main.SetURL("http://game.test/g.php");
  main.ShowWindow();
  test::ClickWithPointer(main.web_minmax().hWnd());  // from filling the work area to the design size
  ASSERT_FALSE(main.web_minmax().Value());
  RECT client{};
  GetClientRect(main.hWnd(), &client);
  EXPECT_EQ(client.right, s.FromTwips(ml::kClientWidthTwips));
  EXPECT_EQ(client.bottom, s.FromTwips(ml::kClientHeightTwips));

  // Buttons: the frames are cut in the artwork's pixels, then scaled.
  struct Strip {
    iButton* button;
    int frameWidth, frameHeight;
  } strips[] = {{&main.web_close(), 43, 18}, {&main.web_minmax(), 25, 18}, {&main.web_min(), 24, 18},
                {&main.OtherUserBtn(), 99, 22}, {&main.GameSpaceBtn(), 81, 22}};
  for (const Strip& b : strips) {
    ASSERT_NE(b.button->Frame(0), nullptr);
    EXPECT_EQ(b.button->Frame(0)->WidthPixels(), s.Px(b.frameWidth));
    EXPECT_EQ(b.button->Frame(0)->HeightPixels(), s.Px(b.frameHeight));
    EXPECT_SIZE(b.button->hWnd(), s.Px(b.frameWidth), s.Px(b.frameHeight));
    const DrawingSurface& face = b.button->Surface();
    EXPECT_EQ(PinkishPixels(face.hdc(), face.width(), face.height()), 0) << b.frameWidth;
  }
  // 730 twips left of the right edge, in twips of this window.
  EXPECT_EQ(InParent(main.web_close().hWnd()).left, s.FromTwips(s.ToTwips(client.right) - 730));
  EXPECT_EQ(InParent(main.WebuTab().hWnd()).left, s.FromTwips(ml::kTabStrip.left));
  EXPECT_SIZE(main.PicLogo().hWnd(), s.FromTwips(ml::kPicLogo.width), s.FromTwips(ml::kPicLogo.height));
  // The page fills the content panel; its browser overhangs it by 2 pixels
  // of design on every side.
  ASSERT_NE(page, nullptr);
  const RECT content = InParent(main.pCnt().hWnd());
  EXPECT_EQ(content.left, s.FromTwips(60));
  const RECT browser = InParent(page->hWnd());
  EXPECT_EQ(browser.left, -s.Px(2));
  EXPECT_EQ(browser.right, content.right - content.left + s.Px(2));

  // Tabs: the rounded strip's height, its skin drawn without a fringe.
  EXPECT_EQ(main.WebuTab().StripHeight(), s.Px(32));
  EXPECT_EQ(SizeOf(main.WebuTab().hWnd()).cy, s.Px(32));
  EXPECT_EQ(PinkishPixels(main.WebuTab().FinalDC(), SizeOf(main.WebuTab().hWnd()).cx, s.Px(32)), 0);

  // Title bar: its height, and both caps from the edges of the scaled skin.
  BForm& bar = main.WebBForm();
  const DrawingSurface& face = bar.Surface();
  EXPECT_EQ(face.height(), s.FromTwips(500));
  const PicturePtr skin = bar.ScaledSkin();
  ASSERT_NE(skin, nullptr);
  ASSERT_EQ(skin->WidthPixels(), s.Px(94));
  const PicturePixels skinPixels(*skin);
  for (int y = 0; y < face.height(); y += 3) {
    EXPECT_EQ(face.Pixel(0, y), skinPixels.at(0, y)) << y;
    EXPECT_EQ(face.Pixel(face.width() - 1, y), skinPixels.at(skin->WidthPixels() - 1, y)) << y;
    EXPECT_EQ(face.Pixel(face.width() - s.Px(20), y), skinPixels.at(skin->WidthPixels() - s.Px(20), y)) << y;
  }

  // Moved to a screen of another dpi: every piece at the new factor, the
  // window where and as large as the system suggests (kept within the
  // suite's 1280 x 1024 screen, which Wine holds this window to).
  const RECT suggested{20, 20, 1220, 900};
  PostDpiChange(main.hWnd(), other.Dpi(), suggested);
  EXPECT_EQ(main.Scale(), other);
  EXPECT_EQ(main.web_close().Scale(), other);
  GetClientRect(main.hWnd(), &client);
  EXPECT_EQ(client.right, suggested.right - suggested.left);
  EXPECT_SIZE(main.web_close().hWnd(), other.Px(43), other.Px(18));
  EXPECT_EQ(InParent(main.web_close().hWnd()).left, other.FromTwips(other.ToTwips(client.right) - 730));
  EXPECT_EQ(SizeOf(main.WebuTab().hWnd()).cy, other.Px(32));
  EXPECT_EQ(main.WebBForm().Surface().height(), other.FromTwips(500));
  EXPECT_EQ(SizeOf(main.WebBForm().hWnd()).cx, client.right);
  EXPECT_EQ(main.WebBForm().ScaledSkin()->WidthPixels(), other.Px(94));
  EXPECT_EQ(InParent(page->hWnd()).left, -other.Px(2));
  EXPECT_EQ(IconWidth(main.hWnd(), ICON_SMALL), other.Px(16));
  EXPECT_EQ(IconWidth(main.hWnd(), ICON_BIG), other.Px(32));
  // A page opened now, made at the system's factor, takes the strip's.
  main.SetURL("http://game.test/after-the-move");
  EXPECT_EQ(InParent(page->hWnd()).left, -other.Px(2));
  EXPECT_EQ(Window::ScaleOf(GetParent(GetParent(page->hWnd()))), other);

  // Moved back while filling the work area: the restore comes back at this
  // screen's factor, not the size it was saved at.
  test::ClickWithPointer(main.web_minmax().hWnd());
  ASSERT_TRUE(main.web_minmax().Value());
  PostDpiChange(main.hWnd(), s.Dpi(), suggested);
  test::ClickWithPointer(main.web_minmax().hWnd());
  ASSERT_FALSE(main.web_minmax().Value());
  GetClientRect(main.hWnd(), &client);
  EXPECT_NEAR(client.right, (suggested.right - suggested.left) * s.Dpi() / other.Dpi(), 1);
  EXPECT_NEAR(client.bottom, (suggested.bottom - suggested.top) * s.Dpi() / other.Dpi(), 1);

  main.m_bExit = true;
  main.Unload();
}

TEST_P(Dpi, ExitDialogAndAStandaloneCompactStrip) {
  ExitHost host;
  MsgFrm dialog(host);
  dialog.Show();  // the buttons cut their strips when first shown
  Pump(100);
  RECT client{};
  GetClientRect(dialog.hWnd(), &client);
  EXPECT_EQ(client.right, s.Px(242));
  EXPECT_EQ(client.bottom, s.Px(140));
  EXPECT_EQ(dialog.BForm1().Surface().height(), s.FromTwips(500));
  for (iButton* b : {&dialog.iButton1(), &dialog.iButton2()}) {
    EXPECT_SIZE(b->hWnd(), s.Px(65), s.Px(25));
    ASSERT_NE(b->Frame(0), nullptr);
    EXPECT_EQ(b->Frame(0)->WidthPixels(), s.Px(65)) << "a frame of the dialog strip";
  }
  EXPECT_EQ(InParent(dialog.iButton2().hWnd()).left, s.FromTwips(2040));
  // Text drawn with a font made for this dpi, not a stretched one.
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog.Label1(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, s.FontHeight(9));

  const RECT suggested{10, 10, 10 + other.Px(242), 10 + other.Px(140)};
  PostDpiChange(dialog.hWnd(), other.Dpi(), suggested);
  GetClientRect(dialog.hWnd(), &client);
  EXPECT_EQ(client.right, other.Px(242));
  EXPECT_SIZE(dialog.iButton1().hWnd(), other.Px(65), other.Px(25));
  EXPECT_EQ(InParent(dialog.iButton2().hWnd()).top, other.FromTwips(1320));
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog.Label1(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, other.FontHeight(9));
  dialog.Unload();

  test::HostForm host2(0, 0, 400, 60);
  ASSERT_TRUE(host2.Load());
  const std::shared_ptr<uTab> strip = uTab::New();
  ASSERT_TRUE(strip->Create(host2.hWnd(), 0, 0, s.Px(300), 10));
  strip->LockReDraw(false);
  EXPECT_EQ(SizeOf(strip->hWnd()).cy, s.Px(25));
  EXPECT_EQ(PinkishPixels(strip->FinalDC(), s.Px(300), s.Px(25)), 0);
  strip->Destroy();
  host2.Unload();
}

// No window of the dialog or the login is left at the old factor, whether its
// form places it from its table or by hand.
TEST_P(Dpi, EveryChildOfTheDialogAndTheLoginTakesTheNewFactor) {
  ExitHost host;
  MsgFrm dialog(host);
  dialog.Show();
  Pump(100);
  const auto dialogChildren = Children(dialog.hWnd());
  EXPECT_EQ(dialogChildren.size(), 5u) << "the bar, its close button, the question and both answers";
  PostDpiChange(dialog.hWnd(), other.Dpi(), RECT{10, 10, 10 + other.Px(242), 10 + other.Px(140)});
  ExpectAllRescaled(dialogChildren, s, other);
  dialog.Unload();

  LoginFrm login(LoginSettings{"http://portal.test/"}, [] { return std::make_unique<ScriptedWebView>(); });
  ASSERT_TRUE(login.Load());
  auto loginChildren = Children(login.hWnd());
  EXPECT_EQ(loginChildren.size(), 3u) << "both buttons and the picture";
  for (const auto& inBox : Children(login.Picture1().hWnd())) loginChildren.push_back(inBox);  // the browser
  const RECT suggested{40, 30, 40 + other.Px(1237), 30 + other.Px(696)};
  PostDpiChange(login.Background().hWnd(), other.Dpi(), suggested);
  PostDpiChange(login.hWnd(), other.Dpi(), suggested);
  ExpectAllRescaled(loginChildren, s, other);
  login.ClosePair();
}
