// The login background is painted after its load, but never shown unpainted.
#include <gtest/gtest.h>

#include "framework/win/LayeredWindow.h"
#include "framework/win/ProcessEnvironment.h"
#include "login/win/LoginFrm.h"
#include "resource_ids.h"
#include "win/support/ScriptedWebView.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

struct Login {
  test::ScriptedWebView* view = nullptr;
  LoginFrm frm{LoginSettings{"http://portal.test:81/"}, [this] {
                 auto v = std::make_unique<test::ScriptedWebView>();
                 view = v.get();
                 return v;
               }};
  LoginBgFrm& bg() { return frm.Background(); }
  bool Painted() { return bg().Picture().image != nullptr && bg().Picture().width == 1237; }
  SIZE Size() {
    RECT rc{};
    GetWindowRect(bg().hWnd(), &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
  }
};

}  // namespace

TEST(LoginBackgroundPaint, PaintedWhenFirstShownEvenBeforeAnyMessageRanAndOnceMessagesRunWhileHidden) {
  Process().endAtOnce = [] {};
  {
    // The page completes at once: the pair appears painted, its picture's size.
    Login login;
    ASSERT_TRUE(login.frm.Load());
    EXPECT_FALSE(login.Painted()) << "the picture waits for the splash to be up";
    EXPECT_EQ(login.Size().cx, 1237);
    EXPECT_EQ(login.Size().cy, 696);
    login.view->FireDocumentComplete(L"http://portal.test:81/download/vorn2/index_vorn2.php");
    ASSERT_TRUE(login.bg().IsVisible());
    EXPECT_TRUE(login.Painted());
    EXPECT_EQ(login.Size().cx, 1237);
    login.bg().Unload();
  }
  {
    // Hidden while the page loads: painted by the message loop, and again after a reload.
    Login login;
    for (int load = 0; load < 2; ++load) {
      ASSERT_TRUE(login.frm.Load());
      ASSERT_TRUE(test::PumpUntil([&] { return login.Painted(); }, 2000)) << load;
      EXPECT_FALSE(login.bg().IsVisible());
      login.bg().Unload();
      EXPECT_EQ(login.bg().Picture().image, nullptr);
    }
  }
  ResetProcessEnvironment();
}

TEST(LoginBackgroundPaint, PictureSizeComesFromThePngHeader) {
  EXPECT_EQ(LayeredPngSize(IDR_PNG_LOGIN_BG).cx, 1237);
  EXPECT_EQ(LayeredPngSize(IDR_PNG_LOGIN_BG).cy, 696);
  EXPECT_EQ(LayeredPngSize(IDR_PNG_SPLASH).cx, 356);
  EXPECT_EQ(LayeredPngSize(IDR_PNG_SPLASH).cy, 122);
  EXPECT_EQ(LayeredPngSize(999).cx, 0);
}
