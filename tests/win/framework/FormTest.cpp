#include <gtest/gtest.h>

#include <thread>

#include "framework/win/Control.h"
#include "framework/win/Form.h"
#include "framework/win/Prompt.h"
#include "framework/win/Screen.h"
#include "framework/FailureTrace.h"
#include "win/support/TestListener.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

FormDesign TestDesign(const wchar_t* cls) {
  FormDesign d;
  d.className = cls;
  d.caption = "Vornhold 2客户端";
  d.clientWidthTwips = 300 * 15;
  d.clientHeightTwips = 200 * 15;
  d.startUp = StartUpPosition::CenterScreen;
  return d;
}

class RecordingForm : public Form {
 public:
  explicit RecordingForm(const wchar_t* cls = L"Vorn2TestForm") : Form(TestDesign(cls)) {}
  std::vector<std::string> events;
  bool cancelQuery = false;
  bool cancelUnload = false;
  UnloadMode lastMode = UnloadMode::FromCode;

 protected:
  void OnLoad() override { events.push_back("load"); }
  void OnQueryUnload(bool& cancel, UnloadMode mode) override {
    events.push_back("query");
    lastMode = mode;
    cancel = cancelQuery;
  }
  void OnUnload(bool& cancel) override {
    events.push_back("unload");
    cancel = cancelUnload;
  }
};

}  // namespace

TEST(Form, LoadCreatesHiddenWindowWithClientSizeFromTwips) {
  RecordingForm form;
  ASSERT_TRUE(form.Load());
  EXPECT_FALSE(IsWindowVisible(form.hWnd()));
  RECT rc;
  GetClientRect(form.hWnd(), &rc);
  EXPECT_EQ(rc.right, TwipsToPixelsX(300 * 15));
  EXPECT_EQ(rc.bottom, TwipsToPixelsY(200 * 15));
  EXPECT_EQ(form.Caption(), "Vornhold 2客户端");
  wchar_t text[64] = {};
  GetWindowTextW(form.hWnd(), text, 64);
  EXPECT_STREQ(text, L"Vornhold 2客户端");
  EXPECT_EQ(form.events, std::vector<std::string>{"load"});
  EXPECT_EQ(Form::LoadedCount(), 1u);
  form.Unload();
  EXPECT_EQ(Form::LoadedCount(), 0u);
}

TEST(Form, ShowCentresOnFirstShowOnly) {
  RecordingForm form;
  form.Show();
  ASSERT_TRUE(form.IsVisible());
  RECT rc;
  GetWindowRect(form.hWnd(), &rc);
  SIZE screen = ScreenSizePixels();
  EXPECT_NEAR((rc.left + rc.right) / 2, screen.cx / 2, 1);
  EXPECT_NEAR((rc.top + rc.bottom) / 2, screen.cy / 2, 1);
  SetWindowPos(form.hWnd(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  form.Hide();
  EXPECT_FALSE(form.IsVisible());
  form.Show();
  GetWindowRect(form.hWnd(), &rc);
  EXPECT_EQ(rc.left, 10);
  EXPECT_EQ(rc.top, 20);
  form.Unload();
}

TEST(Form, CloseRunsQueryThenUnloadAndCanBeCancelledAtEitherStep) {
  RecordingForm form;
  form.Show();
  form.cancelQuery = true;
  SendMessageW(form.hWnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form.IsLoaded());
  EXPECT_EQ(form.lastMode, UnloadMode::ControlMenu);
  form.cancelQuery = false;
  form.cancelUnload = true;
  EXPECT_FALSE(form.Unload());
  EXPECT_TRUE(form.IsLoaded());
  form.cancelUnload = false;
  EXPECT_TRUE(form.Unload());
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.events,
            (std::vector<std::string>{"load", "query", "query", "unload", "query", "unload"}));
  // A form can be loaded again after it was unloaded.
  EXPECT_TRUE(form.Load());
  form.Unload();
}

TEST(Form, HiddenFromTaskbarMeansOwnedAndNotAppWindow) {
  RecordingForm form(L"Vorn2TestFormNoTaskbar");
  FormDesign d = form.Design();
  ASSERT_TRUE(form.Load());
  EXPECT_TRUE(GetWindow(form.hWnd(), GW_OWNER) == nullptr);  // default: shown in the taskbar
  form.Unload();

  class Hidden : public Form {
   public:
    Hidden() : Form([] {
        FormDesign x = TestDesign(L"Vorn2TestHidden");
        x.showInTaskbar = false;
        return x;
      }()) {}
  } hidden;
  ASSERT_TRUE(hidden.Load());
  HWND owner = GetWindow(hidden.hWnd(), GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_FALSE(GetWindowLongPtrW(hidden.hWnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  hidden.Unload();
}

TEST(Form, MessageLoopEndsWhenTheLastFormUnloads) {
  RecordingForm a(L"Vorn2TestA"), b(L"Vorn2TestB");
  a.Show();
  b.Show();
  // Unload both from inside the loop, one after the other.
  SetTimer(nullptr, 0, 50, nullptr);
  PostMessageW(a.hWnd(), WM_CLOSE, 0, 0);
  PostMessageW(b.hWnd(), WM_CLOSE, 0, 0);
  int code = Form::RunMessageLoop();
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(a.IsLoaded());
  EXPECT_FALSE(b.IsLoaded());
  EXPECT_EQ(Form::LoadedCount(), 0u);
}

TEST(Form, ShowModalDisablesOtherFormsUntilTheDialogUnloads) {
  RecordingForm main(L"Vorn2TestMain"), dialog(L"Vorn2TestDialog");
  main.Show();
  dialog.SetOwnerForm(&main);
  bool sawDisabled = false;
  bool sawModal = false;
  // While the modal loop runs, look at the main form, then close the dialog.
  struct Ctx {
    RecordingForm* main;
    RecordingForm* dialog;
    bool* disabled;
    bool* modal;
  } ctx{&main, &dialog, &sawDisabled, &sawModal};
  static Ctx* current = nullptr;
  current = &ctx;
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    *current->disabled = !IsWindowEnabled(current->main->hWnd());
    *current->modal = current->dialog->IsModal();
    current->dialog->Unload();
  });
  dialog.ShowModal();
  EXPECT_TRUE(sawDisabled);
  EXPECT_TRUE(sawModal);
  EXPECT_FALSE(dialog.IsLoaded());
  EXPECT_TRUE(IsWindowEnabled(main.hWnd()));
  EXPECT_FALSE(dialog.IsModal());
  main.Unload();
}

TEST(Form, AutoRedrawKeepsDrawingAcrossRepaints) {
  class Painted : public Form {
   public:
    Painted() : Form([] {
        FormDesign d = TestDesign(L"Vorn2TestPainted");
        d.autoRedraw = true;
        d.backColor = RGB(10, 20, 30);
        return d;
      }()) {}
  } form;
  form.Show();
  ASSERT_EQ(form.Surface().width(), 300);
  EXPECT_EQ(form.Surface().Pixel(5, 5), RGB(10, 20, 30));
  RECT box{50, 50, 100, 80};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(form.Surface().hdc(), &box, red);
  DeleteObject(red);
  form.Refresh();
  InvalidateRect(form.hWnd(), nullptr, TRUE);
  UpdateWindow(form.hWnd());
  test::Pump(50);
  // The window shows the surface: read it back from the screen.
  HDC screen = GetDC(form.hWnd());
  COLORREF shown = GetPixel(screen, 60, 60);
  COLORREF outside = GetPixel(screen, 10, 10);
  ReleaseDC(form.hWnd(), screen);
  EXPECT_EQ(shown, RGB(255, 0, 0));
  EXPECT_EQ(outside, RGB(10, 20, 30));
  // Growing keeps what was drawn.
  SetWindowPos(form.hWnd(), nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(form.Surface().Pixel(60, 60), RGB(255, 0, 0));
  form.Unload();
}

TEST(Control, ChildRoutesMessagesToItsObject) {
  class Probe : public Control {
   public:
    int clicks = 0;

   protected:
    const wchar_t* ClassName() const override { return L"Vorn2TestProbe"; }
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
      if (msg == WM_LBUTTONDOWN) ++clicks;
      return Control::WndProc(msg, w, l);
    }
  } probe;
  RecordingForm form(L"Vorn2TestHost");
  form.Show();
  ASSERT_TRUE(probe.CreateTwips(form.hWnd(), {150, 300, 1500, 450}));
  RECT b = probe.Bounds();
  EXPECT_EQ(b.left, TwipsToPixelsX(150));
  EXPECT_EQ(b.right - b.left, TwipsToPixelsX(1500));
  SendMessageW(probe.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(probe.clicks, 1);
  EXPECT_EQ(Window::FromHandle(probe.hWnd()), &probe);
  EXPECT_EQ(Window::FromHandle(GetDesktopWindow()), nullptr);
  form.Unload();
  EXPECT_FALSE(probe.Exists());
}

TEST(Window, TeardownCheckFiresForAWindowItsClassLeftAlive) {
  // Destroys nothing in its destructor: the window is still there at ~Window.
  class Forgetful : public Control {
   public:
    int messagesAfterward = 0;
    bool gone = false;
    ~Forgetful() override { gone = true; }

   protected:
    const wchar_t* ClassName() const override { return L"Vorn2TestForgetful"; }
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
      if (gone) ++messagesAfterward;
      return Control::WndProc(msg, w, l);
    }
  };
  RecordingForm form(L"Vorn2TestTeardownHost");
  ASSERT_TRUE(form.Load());
  const long alive = Window::WindowsAliveAtTeardown();
  const long failures = FailureCount();
  HWND child = nullptr;
  {
    Forgetful forgetful;
    ASSERT_TRUE(forgetful.Create(form.hWnd(), 0, 0, 10, 10));
    child = forgetful.hWnd();
  }
  EXPECT_EQ(Window::WindowsAliveAtTeardown(), alive + 1);
  EXPECT_EQ(FailureCount(), failures + 1);
  EXPECT_FALSE(IsWindow(child));
  test::ExpectWindowsAliveAtTeardown(1);
  test::ExpectFailureTraces(1);
  // A plain form destroys its own window: the check stays quiet.
  {
    Form plain(TestDesign(L"Vorn2TestPlainForm"));
    ASSERT_TRUE(plain.Load());
  }
  EXPECT_EQ(Window::WindowsAliveAtTeardown(), alive + 1);
  form.Unload();
}

TEST(Prompt, ScriptAnswersAndRecordsWithoutShowingABox) {
  test::PromptScript script({IDYES, IDNO});
  EXPECT_EQ(Prompt(nullptr, "发现有新版本，是否现在更新！", kPromptTitle, MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(Prompt(nullptr, "b", kPromptTitle, MB_OK), IDNO);
  ASSERT_EQ(script.asked().size(), 2u);
  EXPECT_EQ(script.asked()[0].text, L"发现有新版本，是否现在更新！");
  EXPECT_EQ(script.asked()[0].title, L"提示");
  EXPECT_EQ(script.asked()[0].type, 0x24u);
  EXPECT_EQ(test::FindOwnMessageBox(), nullptr);
}

TEST(Prompt, RealMessageBoxAppearsAndCanBeAnswered) {
  // Answer from a timer of the box's own modal loop.
  static bool found = false;
  static std::wstring title;
  found = false;
  SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = test::FindOwnMessageBox();
    if (!box) return;
    KillTimer(nullptr, id);
    found = true;
    wchar_t t[32] = {};
    GetWindowTextW(box, t, 32);
    title = t;
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  });
  int answer = Prompt(nullptr, "发现有新版本，是否现在更新！", kPromptTitle, 0x24);
  EXPECT_TRUE(found);
  EXPECT_EQ(title, L"提示");
  EXPECT_EQ(answer, IDNO);
}
