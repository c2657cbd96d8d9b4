// The main window with real windows and the scripted browser: the hand-over
// from the login, tabs opened by SetURL and by DDE from another process, the
// F10 hot key and the tray clicks, the layout, and every way of closing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "controls/iButtonLogic.h"
#include "controls/win/MsgFrm.h"
#include "framework/PropertyBag.h"
#include "framework/win/Handles.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/Resources.h"
#include "framework/win/Screen.h"
#include "framework/win/SharedRouter.h"
#include "framework/win/TempFolder.h"
#include "framework/win/WinText.h"
#include "framework/win/WindowProcHook.h"
#include "login/AppCommands.h"
#include "login/win/LoginFrm.h"
#include "mainwindow/MainMessages.h"
#include "mainwindow/win/WebMainFrm.h"
#include "resource_ids.h"
#include "startup/win/LoadFrm.h"
#include "vorn2/Version.h"
#include "win/support/ScriptedWebView.h"
#include "win/support/WinTest.h"

using namespace vorn2;
using test::Pump;
using test::PumpUntil;
using test::ScriptedWebView;

namespace {

const std::string kGame = "http://game.test/g.php?s=1";

MsgFrm* OpenExitDialog() {
  for (Form* f : Form::LoadedForms()) {
    if (auto* dialog = dynamic_cast<MsgFrm*>(f); dialog && dialog->IsVisible()) return dialog;
  }
  return nullptr;
}

void Click(iButton& button) { test::ClickWithPointer(button.hWnd()); }

// Answers the exit dialog from inside its modal loop: 1 "是", 2 "否", 3 its close button.
struct DialogAnswer {
  static int& Which() {
    static int which = 0;
    return which;
  }
  static int& Shown() {
    static int shown = 0;
    return shown;
  }
  explicit DialogAnswer(int which) : timer(SetTimer(nullptr, 0, 100, &Tick)) {
    Which() = which;
    Shown() = 0;
  }
  ~DialogAnswer() { KillTimer(nullptr, timer); }
  UINT_PTR timer;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MsgFrm* dialog = OpenExitDialog();
    if (!dialog) return;
    ++Shown();
    Click(Which() == 1 ? dialog->iButton1() : Which() == 2 ? dialog->iButton2() : dialog->closebtn());
  }
};

// The login window wired to a main window, its page scripted; logIn plays the
// page: loaded, then its loadgame link.
struct ScriptedLogin {
  explicit ScriptedLogin(WebMainFrm& main, unsigned timeoutMs = 0)
      : frm(LoginSettings{"http://portal.test", timeoutMs}, [this] {
          auto v = std::make_unique<ScriptedWebView>();
          view = v.get();
          return v;
        }) {
    Process().endAtOnce = [] {};
    frm.gameWindow = &main;
    main.showLogin = [this] { frm.ShowAgain(); };
  }
  ~ScriptedLogin() { ResetProcessEnvironment(); }
  void PageLoaded() { view->FireDocumentComplete(W(LoginPageUrl("http://portal.test"))); }
  void LogIn(const std::string& game) {
    PageLoaded();
    view->FireBeforeNavigate(W("app://loadgame|" + game));
  }
  ScriptedWebView* view = nullptr;
  LoginFrm frm;
};

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    // The login writes the icon file the main window loads its icons from.
    SaveResourceToFile(IDR_ICON_APP, L"ICON", GetTempFolder() + L"vorn2.ico");
    // Records of an earlier test's windows leave on their release timer.
    PumpUntil([] { return SharedHookRouter().LiveRecords() == 0; }, 1000);
    routerBefore = SharedHookRouter().LiveRecords();
    hooksBefore = WindowProcHook::Records();
    main = std::make_unique<WebMainFrm>(MainSettings{"http://127.0.0.1:9", "http://127.0.0.1:9"}, [this] {
      auto v = std::make_unique<ScriptedWebView>();
      views.push_back(v.get());
      return v;
    });
  }
  void TearDown() override {
    main->m_bExit = true;
    main->Unload();
    main.reset();
    EXPECT_EQ(Form::LoadedCount(), 0u);
  }
  void Open(const std::string& url) {
    main->SetURL(url);
    main->ShowWindow();
  }
  std::string KeyAt(int i) { return main->WebuTab().TabItems()->Item(i)->Caption(); }
  std::int32_t Count() { return main->WebuTab().TabItems()->Count(); }
  std::int32_t Selected() { return main->WebuTab().Selected(); }
  RECT Rect(Control& c) { return c.Bounds(); }

  std::unique_ptr<WebMainFrm> main;
  std::vector<ScriptedWebView*> views;
  std::size_t routerBefore = 0, hooksBefore = 0;
};

}  // namespace

TEST_F(MainWindow, LoginHandsTheGamePageOverAndThePageReportsToItsTab) {
  ScriptedLogin login(*main);
  ASSERT_TRUE(login.frm.Load());
  login.LogIn(kGame);
  EXPECT_FALSE(login.frm.IsLoaded());
  ASSERT_TRUE(main->IsVisible());
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(KeyAt(0), "Game" + kGame);  // until the page names itself
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0]->navigations, (std::vector<std::wstring>{L"about:blank", W(kGame)}));
  // The page window fills the content panel, its browser overhangs its box by 2 px.
  const HWND page = GetParent(GetParent(views[0]->hWnd()));
  EXPECT_EQ(GetParent(page), main->pCnt().hWnd());
  RECT box{};
  GetClientRect(GetParent(views[0]->hWnd()), &box);
  const RECT vb = [&] {
    RECT r{};
    GetWindowRect(views[0]->hWnd(), &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(views[0]->hWnd()), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }();
  EXPECT_EQ(vb.left, -2);
  EXPECT_EQ(vb.right - vb.left, box.right + 4);

  views[0]->FireDownloadBegin();
  EXPECT_TRUE(views[0]->Silent());
  views[0]->FireTitleChange(L"沃恩霍尔德 2");
  EXPECT_EQ(KeyAt(0), "沃恩霍尔德 2");
  views[0]->FireDocumentComplete(W(kGame));
  EXPECT_TRUE(views[0]->overflowHidden);
  ResetProcessEnvironment();
}

TEST_F(MainWindow, EveryControlHoldsTheDesignValuesItIsStoredWith) {
  ScriptedLogin login(*main);
  ASSERT_TRUE(login.frm.Load());
  Open(kGame);
  MsgFrm dialog(*main);
  ASSERT_TRUE(dialog.Load());
  // What each live control writes back, and the colours of the boxes and forms.
  const auto written = [](const auto& control) {
    PropertyBag bag;
    control.WriteProperties(bag);
    FontDesc font;
    if (FontDescFromText(bag.ReadString("cFont", ""), font)) {
      bag.Set("font", font.name + " " + std::to_string(std::lround(font.sizePoints)) + (font.underline ? " u" : ""));
    }
    return bag;
  };
  const auto colour = [](const Window& w) {
    PropertyBag bag;
    bag.Set("BackColor", static_cast<std::int64_t>(w.BackColor()));
    return bag;
  };
  std::map<std::string, PropertyBag> live{
      {"WebBForm", written(main->WebBForm())},       {"WebuTab", written(main->WebuTab())},
      {"web_tool", written(main->web_tool())},       {"web_min", written(main->web_min())},
      {"web_minmax", written(main->web_minmax())},   {"web_close", written(main->web_close())},
      {"GameSpaceBtn", written(main->GameSpaceBtn())}, {"OtherUserBtn", written(main->OtherUserBtn())},
      {"pCnt", colour(main->pCnt())},                {"BForm1", written(dialog.BForm1())},
      {"closebtn", written(dialog.closebtn())},      {"iButton1", written(dialog.iButton1())},
      {"iButton2", written(dialog.iButton2())},      {"LoginFrm", colour(login.frm)},
      {"Picture1", colour(login.frm.Picture1())}};
  const struct {
    const char* control;
    const char* key;
    std::string value;
  } rows[] = {
      {"WebBForm", "BackColor", "14606046"},   {"WebBForm", "HasLogo", "True"},
      {"WebBForm", "Caption", "Vornhold 2"},   {"WebuTab", "TabStyle", "1"},
      {"WebuTab", "TabLeftSize", "10"},        {"WebuTab", "TabRightSize", "0"},
      {"web_tool", "BackPicture", "104"},      {"web_min", "BackPicture", "101"},
      {"web_minmax", "BackPicture", "102"},    {"web_minmax", "Style", "1"},
      {"web_close", "BackPicture", "103"},     {"GameSpaceBtn", "Caption", "游戏官网"},
      {"GameSpaceBtn", "font", "宋体 9 u"},    {"GameSpaceBtn", "cForeColor", "16777215"},
      {"OtherUserBtn", "Caption", "登录其他帐号"}, {"OtherUserBtn", "font", "宋体 9 u"},
      {"OtherUserBtn", "cForeColor", "16777215"}, {"pCnt", "BackColor", std::to_string(GetSysColor(COLOR_WINDOW))},
      {"BForm1", "BackColor", "14606046"},     {"BForm1", "Caption", "Vornhold 2客户端"},
      {"closebtn", "BackPicture", "103"},      {"iButton1", "Caption", "是"},
      {"iButton2", "Caption", "否"},           {"LoginFrm", "BackColor", "16711422"},
      {"Picture1", "BackColor", "16711422"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(live.at(row.control).ReadString(row.key, "(absent)"), row.value) << row.control << "." << row.key;
  }
  ResetProcessEnvironment();
}

TEST_F(MainWindow, SetUrlAndDdeSelectAnOpenPageOrAddOne) {
  Open(kGame);
  Open(kGame);
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(views.size(), 1u);  // not loaded again
  Open("http://game.test/other");
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(Selected(), 1);
  // Hovering a tab shows its caption as the strip's tooltip; the empty part clears it.
  main->WebuTab().Events().OnMouseHover(1, 0, 0, 0, 0);
  EXPECT_EQ(main->WebuTab().ToolTipText(), "Gamehttp://game.test/other");
  main->WebuTab().Events().OnMouseHover(-1, 0, 0, 0, 0);
  EXPECT_EQ(main->WebuTab().ToolTipText(), "");

  // From another program, both kinds of client; a minimised window comes back.
  const auto dde = [](const wchar_t* mode, const std::string& command) {
    return test::RunProcess(L"\"" + test::BesideThisProgram(L"dde_test_client.exe") + L"\" " + mode + L" " +
                            ExecutableBaseName() + L" WebGameDDE \"" + W(command) + L"\"");
  };
  ::ShowWindow(main->hWnd(), SW_MINIMIZE);
  EXPECT_EQ(dde(L"ddeml-w", kGame), 0);
  EXPECT_EQ(Selected(), 0);
  EXPECT_FALSE(IsIconic(main->hWnd()));
  EXPECT_EQ(dde(L"raw-ww", "https://news.test/a"), 0);
  EXPECT_EQ(Count(), 3);
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(KeyAt(2), "Gamehttps://news.test/a");
  // Not a web address: refused, nothing opens.
  EXPECT_EQ(dde(L"ddeml-a", "javascript:alert(1)"), 1);
  EXPECT_EQ(Count(), 3);
  // A window hidden by F10 stays hidden; minimised as well, it gets its
  // place back without anything of it on screen.
  main->ToggleVisibility();
  EXPECT_EQ(dde(L"raw-aa", "http://game.test/third"), 0);
  EXPECT_FALSE(main->IsVisible());
  EXPECT_EQ(Count(), 4);
  main->ToggleVisibility();
  RECT before{}, after{};
  GetWindowRect(main->hWnd(), &before);
  ::ShowWindow(main->hWnd(), SW_MINIMIZE);
  main->ToggleVisibility();
  ASSERT_FALSE(main->IsVisible());
  static HWND watched;
  static int shows;
  watched = main->hWnd(), shows = 0;
  const HHOOK hook = SetWindowsHookExW(
      WH_CALLWNDPROC,
      [](int code, WPARAM w, LPARAM l) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(l);
        if (code >= 0 && m->hwnd == watched && m->message == WM_SHOWWINDOW && m->wParam) {
          const UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
          shows += GetWindowRgn(watched, region.get()) != NULLREGION;  // shown with something to see
        }
        return CallNextHookEx(nullptr, code, w, l);
      },
      nullptr, GetCurrentThreadId());
  EXPECT_EQ(dde(L"raw-ww", "http://game.test/fourth"), 0);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(shows, 0);
  EXPECT_FALSE(main->IsVisible());
  EXPECT_FALSE(IsIconic(main->hWnd()));
  GetWindowRect(main->hWnd(), &after);
  EXPECT_TRUE(EqualRect(&before, &after)) << after.left << "," << after.top << " " << after.right << "," << after.bottom;
  EXPECT_EQ(Count(), 5);
  EXPECT_EQ(Rect(main->pCnt()).right - Rect(main->pCnt()).left, before.right - before.left - 8);  // laid out again
}

TEST_F(MainWindow, F10AndTrayClicksToggleTheWindowRightClickOpensTheMenu) {
  Open(kGame);
  SetForegroundWindow(main->hWnd());
  const auto key = [](WORD vk, bool shift) {
    std::vector<INPUT> in;
    auto add = [&](WORD k, DWORD flags) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = k;
      i.ki.dwFlags = flags;
      in.push_back(i);
    };
    if (shift) add(VK_SHIFT, 0);
    add(vk, 0);
    add(vk, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  };
  // Left click: hide, and back. Right click on the icon of the hidden window:
  // the menu, whose "隐藏/恢复(F10)" shows it again.
  SendMessageW(main->hWnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
  EXPECT_FALSE(main->IsVisible());
  Pump(500);  // the X server's focus change reaches Wine asynchronously
  static bool menuSeen = false;
  menuSeen = false;
  SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    menuSeen = FindWindowW(MAKEINTATOM(0x8000), nullptr) != nullptr;
    for (WORD vk : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wVk = in[1].ki.wVk = vk;
      in[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, in, sizeof(INPUT));
    }
  });
  SendMessageW(main->hWnd(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP);
  EXPECT_TRUE(menuSeen);
  EXPECT_TRUE(PumpUntil([&] { return main->IsVisible(); }, 2000));
  SendMessageW(main->hWnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
  EXPECT_FALSE(main->IsVisible());
  SendMessageW(main->hWnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
  EXPECT_TRUE(main->IsVisible());
  // Minimised, the click gives the window back.
  ::ShowWindow(main->hWnd(), SW_MINIMIZE);
  SendMessageW(main->hWnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
  EXPECT_TRUE(main->IsVisible());
  EXPECT_FALSE(IsIconic(main->hWnd()));
  SetForegroundWindow(main->hWnd());
  key(VK_F10, false);
  EXPECT_TRUE(PumpUntil([&] { return !main->IsVisible(); }, 2000));
  key(VK_F10, false);
  EXPECT_TRUE(PumpUntil([&] { return main->IsVisible(); }, 2000));
  SetForegroundWindow(main->hWnd());
  key(VK_F10, true);  // Shift+F10 is not the hot key
  Pump(300);
  EXPECT_TRUE(main->IsVisible());
  SendMessageW(main->hWnd(), WM_CANCELMODE, 0, 0);  // the system menu Shift+F10 may have opened
}

TEST_F(MainWindow, LayoutFollowsTheWindowAndMinimisingLeavesItAlone) {
  Open(kGame);
  // Loaded maximised: the work area; the restore goes back to the design size, centred.
  const RECT work = WorkArea();
  RECT rc{};
  GetWindowRect(main->hWnd(), &rc);
  EXPECT_EQ(rc.right - rc.left, work.right - work.left);
  EXPECT_TRUE(main->web_minmax().Value());
  Click(main->web_minmax());
  GetWindowRect(main->hWnd(), &rc);
  EXPECT_EQ(rc.right - rc.left, TwipsToPixelsX(15540));
  EXPECT_EQ(rc.bottom - rc.top, TwipsToPixelsY(9585));
  EXPECT_FALSE(main->web_minmax().Value());
  EXPECT_EQ(main->WebBForm().frmHwnd(), main->hWnd());  // the bar drags it again
  EXPECT_EQ(Rect(main->web_close()).left, TwipsToPixelsX(15540 - 730));
  EXPECT_EQ(Rect(main->WebuTab()).left, TwipsToPixelsX(2300));
  EXPECT_EQ(Rect(main->WebuTab()).right, Rect(main->OtherUserBtn()).left);  // no tab under the link
  EXPECT_EQ(Rect(main->pCnt()).left, 4);
  // Either way the page fills the new panel, every title-row control shows
  // its own drawing, and the strip never paints over the page it overlaps.
  const auto drawnAfter = [&](const char* change) {
    Pump(300);
    RECT panel{}, page{};
    GetClientRect(main->pCnt().hWnd(), &panel);
    const HWND pageWindow = GetParent(GetParent(views[0]->hWnd()));
    GetWindowRect(pageWindow, &page);
    MapWindowPoints(HWND_DESKTOP, main->pCnt().hWnd(), reinterpret_cast<POINT*>(&page), 2);
    EXPECT_TRUE(EqualRect(&panel, &page)) << change << ": page " << page.right << "x" << page.bottom;
    main->WebuTab().RedrawAll();
    const test::ScreenCopy screen;
    for (iButton* b : {&main->OtherUserBtn(), &main->GameSpaceBtn(), &main->web_tool(), &main->web_min(),
                       &main->web_minmax(), &main->web_close()}) {
      RECT r{};
      GetWindowRect(b->hWnd(), &r);
      int differ = 0;
      for (int y = 0; y < r.bottom - r.top; ++y)
        for (int x = 0; x < r.right - r.left; ++x) differ += screen.At(r.left + x, r.top + y) != b->Surface().Pixel(x, y);
      EXPECT_EQ(differ, 0) << change << ": " << b->Caption();
    }
    RECT box{};
    GetWindowRect(main->pCnt().hWnd(), &box);
    const int x = (box.left + box.right) / 2;
    for (int y = 0; y < 3; ++y) EXPECT_EQ(screen.At(x, box.top + y), screen.At(x, box.top + 10)) << change << y;
  };
  drawnAfter("restored");
  Click(main->web_minmax());
  ASSERT_TRUE(main->web_minmax().Value());
  drawnAfter("maximised");
  Click(main->web_minmax());
  const RECT before = Rect(main->pCnt());
  Click(main->web_min());
  EXPECT_TRUE(IsIconic(main->hWnd()));
  const RECT during = Rect(main->pCnt());
  EXPECT_TRUE(EqualRect(&before, &during));
  ::ShowWindow(main->hWnd(), SW_RESTORE);

  // "filled": the window maximised, else at its design size.
  if (const char* shot = std::getenv("VORN2_MAIN_SCREENSHOT")) {
    Open("http://game.test/news");
    views.back()->FireTitleChange(L"公告");
    views[0]->FireTitleChange(L"Vornhold 2 游戏");
    main->WebuTab().TabItems()->SetSelected(0);
    if (std::string(shot) == "filled") Click(main->web_minmax());
    SetCursorPos(5, 900);
    Pump(8000);  // time for an X screenshot from outside
  }
}

TEST_F(MainWindow, EveryCloseAsksOnceAndOnlyYesEndsIt) {
  Open(kGame);
  Open("http://game.test/b");
  // The close button, the dialog's close button, the menu's exit, a system close.
  {
    DialogAnswer no(2);
    Click(main->web_close());
    EXPECT_EQ(DialogAnswer::Shown(), 1);
  }
  {
    DialogAnswer close(3);
    SendMessageW(main->hWnd(), WM_COMMAND, kMenuExit, 0);
    EXPECT_EQ(DialogAnswer::Shown(), 1);
  }
  {
    DialogAnswer no(2);
    SendMessageW(main->hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0);  // asked once, not twice
    Pump(300);
    EXPECT_EQ(DialogAnswer::Shown(), 1);
  }
  ASSERT_TRUE(main->IsLoaded());
  EXPECT_FALSE(main->m_bExit);
  EXPECT_EQ(Count(), 2);
  // Closing a tab with another left does not ask; the last tab's close does.
  main->WebuTab().TabItems()->Remove(1, true);
  EXPECT_EQ(Count(), 1);
  {
    DialogAnswer no(2);
    bool cancel = false;
    main->WebuTab().Events().OnItemColose(0, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(DialogAnswer::Shown(), 1);
  }
  EXPECT_EQ(Count(), 1);

  {
    DialogAnswer yes(1);
    Click(main->web_close());
  }
  EXPECT_FALSE(main->IsLoaded());
  EXPECT_EQ(Form::LoadedCount(), 0u);
  // Nothing left behind: the hot key is free, no procedure record remains.
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(RegisterHotKey(probe, kHotKeyId, 0, kVkF10));
  UnregisterHotKey(probe, kHotKeyId);
  DestroyWindow(probe);
  EXPECT_TRUE(PumpUntil([&] { return SharedHookRouter().LiveRecords() == routerBefore; }, 2000))
      << SharedHookRouter().LiveRecords() << " vs " << routerBefore;
  EXPECT_EQ(WindowProcHook::Records(), hooksBefore);

  // With m_bExit set (the update command) nothing is asked.
  WebMainFrm again(MainSettings{}, [] { return std::make_unique<ScriptedWebView>(); });
  again.SetURL(kGame);
  again.m_bExit = true;
  DialogAnswer none(2);
  again.Unload();
  Pump(300);
  EXPECT_EQ(DialogAnswer::Shown(), 0);
  EXPECT_FALSE(again.IsLoaded());
}

TEST_F(MainWindow, TheExitDialogStaysInFrontWhicheverWayTheWindowIsShownAgain) {
  Open(kGame);
  static WebMainFrm* shown;
  static int step;
  static std::vector<std::string> behind;
  static HWND sender;  // the program that sends the execute
  shown = main.get(), step = 0, behind.clear();
  sender = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR, DWORD) {
    MsgFrm* dialog = OpenExitDialog();
    if (!dialog) return;
    const HWND me = shown->hWnd();
    const auto twice = [&](UINT msg, WPARAM w, LPARAM l) {
      SendMessageW(me, msg, w, l);
      SendMessageW(me, msg, w, l);
    };
    switch (step++) {
      case 1: twice(WM_HOTKEY, kHotKeyId, MAKELPARAM(0, kVkF10)); return;
      case 3: twice(kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP); return;
      case 5: twice(WM_COMMAND, kMenuHideRestore, 0); return;
      case 7:  // minimised: the execute un-minimises it, and its sender keeps the foreground
        ::ShowWindow(me, SW_MINIMIZE);
        SetForegroundWindow(sender);
        shown->OnDdeExecute("http://game.test/under-the-dialog");
        if (GetForegroundWindow() != sender) behind.push_back("the execute took the foreground");
        return;
      case 9: Click(dialog->iButton2()); return;
      default: break;
    }
    // Owned by the game window, in front of it on screen and to the system.
    RECT r{};
    GetWindowRect(dialog->hWnd(), &r);
    const POINT inside{r.left + 6, r.top + 40};
    const test::ScreenCopy screen;
    if (GetWindow(dialog->hWnd(), GW_OWNER) != me || !IsWindowVisible(me) ||
        GetAncestor(WindowFromPoint(inside), GA_ROOT) != dialog->hWnd() ||
        screen.At(inside.x, inside.y) != dialog->Surface().Pixel(6, 40))
      behind.push_back("after step " + std::to_string(step - 1) + ": owner " +
                       std::to_string(GetWindow(dialog->hWnd(), GW_OWNER) == me) + " shown " +
                       std::to_string(IsWindowVisible(me)) + " front " +
                       std::to_string(GetAncestor(WindowFromPoint(inside), GA_ROOT) == dialog->hWnd()) + " pixel " +
                       std::to_string(screen.At(inside.x, inside.y) == dialog->Surface().Pixel(6, 40)));
  });
  Click(main->web_close());
  KillTimer(nullptr, timer);
  DestroyWindow(sender);
  EXPECT_EQ(step, 10);
  EXPECT_EQ(behind, std::vector<std::string>{});
  EXPECT_TRUE(main->IsLoaded());
  EXPECT_EQ(Count(), 2);
}

TEST_F(MainWindow, MenuItemsInOrderWithTheVersionFromTheVersionResource) {
  Open(kGame);
  PopupMenu& menu = main->appmenu();
  ASSERT_EQ(menu.Count(), 7);
  const std::vector<std::string> captions{
      "刷新(F5)", "隐藏/恢复(F10)", "清除缓存", "", "更新", "版本号:" VORN2_VERSION_TEXT, "退出"};
  for (int i = 0; i < 7; ++i) {
    if (i == 3) {
      EXPECT_EQ(menu.IdAt(i), -1);  // the separator
      continue;
    }
    EXPECT_EQ(menu.IdAt(i), kAppMenu[i].id) << i;
    EXPECT_EQ(menu.Caption(kAppMenu[i].id), captions[i]) << i;
  }
}

TEST_F(MainWindow, CommandsRefreshHideClearCacheOpenThePortalAndTheVersionDoesNothing) {
  Open(kGame);
  Open("http://game.test/b");
  test::PromptScript prompts({IDOK});
  std::vector<std::wstring> opened;
  Process().shellOpen = [&](const std::wstring& file, const std::wstring&) {
    opened.push_back(file);
    return true;
  };
  SendMessageW(main->hWnd(), WM_COMMAND, kMenuRefresh, 0);
  EXPECT_EQ(views[1]->refreshCount, 1);  // the selected page only
  EXPECT_EQ(views[0]->refreshCount, 0);
  SendMessageW(main->hWnd(), WM_COMMAND, kMenuHideRestore, 0);
  EXPECT_FALSE(main->IsVisible());
  SendMessageW(main->hWnd(), WM_COMMAND, kMenuHideRestore, 0);
  EXPECT_TRUE(main->IsVisible());
  SendMessageW(main->hWnd(), WM_COMMAND, kMenuVersion, 0);
  EXPECT_TRUE(prompts.asked().empty());
  SendMessageW(main->hWnd(), WM_COMMAND, kMenuClearCache, 0);
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].text, L"缓存已清理完毕！");
  EXPECT_EQ(prompts.asked()[0].title, L"缓存清理");
  EXPECT_EQ(prompts.asked()[0].type, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(prompts.asked()[0].owner, main->hWnd());
  Click(main->GameSpaceBtn());
  EXPECT_EQ(opened, std::vector<std::wstring>{L"http://127.0.0.1:9/guanwang.php?gn=vorn2"});
  EXPECT_EQ(Count(), 2);
  ResetProcessEnvironment();
}

TEST_F(MainWindow, ASecondLoginSelectsItsOpenTabOrAddsOne) {
  ScriptedLogin login(*main);
  const auto logIn = [&](const std::string& game) { login.LogIn(game); };
  ASSERT_TRUE(login.frm.Load());
  logIn(kGame);
  ASSERT_EQ(Count(), 1);
  Open("http://game.test/news");
  ASSERT_EQ(Selected(), 1);
  // "登录其他帐号": the login is loaded anew; the same game page is selected.
  Click(main->OtherUserBtn());
  ASSERT_TRUE(login.frm.IsLoaded());
  logIn(kGame);
  EXPECT_FALSE(login.frm.IsLoaded());
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(Selected(), 0);
  EXPECT_TRUE(main->IsVisible());
  Click(main->OtherUserBtn());
  logIn("http://game.test/second-account");
  EXPECT_EQ(Count(), 3);
  EXPECT_EQ(Selected(), 2);
  ResetProcessEnvironment();
}

TEST_F(MainWindow, ASecondLoginShowsAtOnceFailsAloneAndTheReloadedWindowEqualsTheFirst) {
  test::PromptScript prompts({IDOK});  // no real message box may hold the test
  ScriptedLogin login(*main, 1500);
  int ended = 0;
  Process().endAtOnce = [&] { ++ended; };
  ASSERT_TRUE(login.frm.Load());
  login.LogIn(kGame);
  HWND strip = main->WebuTab().hWnd();
  const auto hoverFirstTab = [&] { SendMessageW(strip, WM_MOUSEMOVE, 0, MAKELPARAM(60, 10)); };

  // The login shows at once, alone; a second click brings it to the front.
  Click(main->OtherUserBtn());
  ASSERT_TRUE(login.frm.IsVisible());
  EXPECT_FALSE(login.frm.Background().IsVisible());
  SetForegroundWindow(main->hWnd());
  Click(main->OtherUserBtn());
  EXPECT_EQ(GetForegroundWindow(), login.frm.hWnd());
  // A short page, then no page within the time-out: the message, and only the pair closes. A
  // page completing under that message is too late: no pair shows, only to be closed.
  login.view->innerHtmlLength = 40;
  login.PageLoaded();
  EXPECT_TRUE(PumpUntil([&] { return !login.frm.IsLoaded() && !login.frm.Background().IsLoaded(); }, 2000));
  bool shownLate = false;
  const PromptHook script = SetPromptHook([&](const PromptRequest& r) {
    login.PageLoaded();
    shownLate = login.frm.Background().IsVisible();
    return script(r);
  });
  Click(main->OtherUserBtn());
  EXPECT_TRUE(PumpUntil([&] { return !login.frm.IsLoaded(); }, 5000));
  SetPromptHook(script);
  EXPECT_FALSE(shownLate);
  ASSERT_EQ(prompts.asked().size(), 2u);
  for (const PromptRequest& asked : prompts.asked()) EXPECT_EQ(asked.text, W(kNetworkMessage));
  EXPECT_EQ(ended, 0);
  ASSERT_TRUE(main->IsVisible());

  // The game closed with "是" while a login is open: the process goes on with
  // the login, which loads the window a second time.
  Click(main->OtherUserBtn());
  login.PageLoaded();
  hoverFirstTab();
  {
    DialogAnswer yes(1);
    Click(main->web_close());
  }
  ASSERT_FALSE(main->IsLoaded());
  EXPECT_EQ(Form::LoadedCount(), 2u);
  EXPECT_TRUE(login.frm.IsVisible());
  login.LogIn(kGame);
  ASSERT_TRUE(main->IsVisible());
  EXPECT_EQ(main->appmenu().Count(), 7);
  EXPECT_FALSE(main->m_bExit);
  // The new strip: hovering its tab is news again, and leaving it is reported.
  strip = main->WebuTab().hWnd();
  main->WebuTab().SetToolTipText("");
  hoverFirstTab();
  EXPECT_EQ(main->WebuTab().ToolTipText(), "Game" + kGame);
  int leaves = 0;
  main->WebuTab().Events().OnMouseLeave = [&] { ++leaves; };
  SendMessageW(strip, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(leaves, 1);
  {
    DialogAnswer no(2);
    Click(main->web_close());
    EXPECT_EQ(DialogAnswer::Shown(), 1);
  }
  EXPECT_TRUE(main->IsLoaded());
}

TEST_F(MainWindow, UpdateCommandSaysWhenCurrentAndClosesWithoutAskingForAnUpdate) {
  const std::string server = test::DevserverUrl();
  if (server.empty()) GTEST_SKIP() << "VORN2_DEVSERVER_URL not set";
  ASSERT_EQ(test::HttpRequest("POST", server + "/__admin/reset"), 200);
  main = std::make_unique<WebMainFrm>(MainSettings{server, server}, [this] {
    auto v = std::make_unique<ScriptedWebView>();
    views.push_back(v.get());
    return v;
  });
  Open(kGame);
  std::vector<std::wstring> started;
  Process().shellOpen = [&](const std::wstring& file, const std::wstring&) {
    started.push_back(file);
    return true;
  };
  {
    test::PromptScript prompts({IDOK});
    SendMessageW(main->hWnd(), WM_COMMAND, kMenuUpdate, 0);
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].text, L"当前版本已是最新，无需更新！");
  }
  ASSERT_EQ(test::HttpRequest("PUT", server + "/__admin/release?version=9.9.9", "MZ"), 200);
  {
    test::PromptScript prompts({IDYES});
    DialogAnswer none(2);
    SendMessageW(main->hWnd(), WM_COMMAND, kMenuUpdate, 0);
    ASSERT_EQ(prompts.asked().size(), 1u);
    EXPECT_EQ(prompts.asked()[0].text, L"发现有新版本，是否现在更新！");
    Pump(300);
    EXPECT_EQ(DialogAnswer::Shown(), 0);  // m_bExit was set: no exit dialog
  }
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], GetTempFolder() + L"Update.exe");
  EXPECT_FALSE(main->IsLoaded());
  EXPECT_EQ(Form::LoadedCount(), 0u);

  // Closed while the version file is still coming in: nothing is asked afterwards.
  // The version file trickles (its path follows the query as a stray parameter).
  main =
      std::make_unique<WebMainFrm>(MainSettings{server + "/__fault/slow/gamehome/vorn2/update.txt?delay=1500&", server},
                                   [] { return std::make_unique<ScriptedWebView>(); });
  Open(kGame);
  static WebMainFrm* closing = nullptr;
  closing = main.get();
  main->m_bExit = true;
  SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    closing->Unload();
  });
  test::PromptScript prompts({IDYES});
  SendMessageW(main->hWnd(), WM_COMMAND, kMenuUpdate, 0);
  EXPECT_FALSE(main->IsLoaded());
  EXPECT_TRUE(prompts.asked().empty());

  // "更新" while the exit dialog asks: once the updater has started, the
  // client ends whatever the question (else the updater would wait in vain).
  main = std::make_unique<WebMainFrm>(MainSettings{server, server}, [] { return std::make_unique<ScriptedWebView>(); });
  Open(kGame);
  started.clear();
  static WebMainFrm* asking;
  static int ticks;
  asking = main.get(), ticks = 0;
  const UINT_PTR chooser = SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR id, DWORD) {
    MsgFrm* dialog = OpenExitDialog();
    if (!dialog) return;
    if (ticks++ == 0) SendMessageW(asking->hWnd(), WM_COMMAND, kMenuUpdate, 0);
    else if (ticks > 40) {
      KillTimer(nullptr, id);
      Click(dialog->iButton2());  // still asking long after: the old fault; "否" ends the test
    }
  });
  Click(main->web_close());
  KillTimer(nullptr, chooser);
  EXPECT_EQ(started.size(), 1u);
  EXPECT_FALSE(main->IsLoaded());
  EXPECT_EQ(Form::LoadedCount(), 0u);
  ResetProcessEnvironment();
  test::HttpRequest("POST", server + "/__admin/reset");
}
