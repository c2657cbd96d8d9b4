// Every message loop offers keyboard messages to the windows that claim them
// (the browser control above all) before translating and dispatching; a
// modal form gives the activation back before it goes.
#include <gtest/gtest.h>

#include "framework/win/Control.h"
#include "framework/win/Form.h"
#include "framework/win/MessageLoop.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

FormDesign Design(const wchar_t* cls) {
  FormDesign d;
  d.className = cls;
  d.caption = "message path";
  d.clientWidthTwips = 200 * 15;
  d.clientHeightTwips = 100 * 15;
  d.appIcon = false;
  return d;
}

// A child that records the keys dispatched to it.
class KeySink : public Control {
 public:
  std::vector<WPARAM> keys;

 protected:
  const wchar_t* ClassName() const override { return L"Vorn2TestKeySink"; }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_KEYDOWN) keys.push_back(wParam);
    return Control::WndProc(msg, wParam, lParam);
  }
};

// A form with a child; the form claims F5 for itself, as a browser host does.
struct Host {
  explicit Host(const wchar_t* cls) : form(Design(cls)) {
    form.Load();
    child.Create(form.hWnd(), 0, 0, 50, 50);
    SetKeyFilter(form.hWnd(), [this](MSG& m) {
      if (m.message != WM_KEYDOWN) return false;  // WM_CHAR of the translated 'A' too
      offered.push_back(m.wParam);
      return m.wParam == VK_F5;
    });
  }
  ~Host() {
    SetKeyFilter(form.hWnd(), {});
    form.Unload();
  }
  void PostKeys() {
    PostMessageW(child.hWnd(), WM_KEYDOWN, VK_F5, 0);
    PostMessageW(child.hWnd(), WM_KEYDOWN, 'A', 0);
  }
  Form form;
  KeySink child;
  std::vector<WPARAM> offered;
};

}  // namespace

TEST(MessagePath, AClaimedKeyIsNotDispatchedInAnyLoop) {
  const std::vector<WPARAM> both{VK_F5, 'A'}, onlyA{'A'};
  {  // the download pump
    Host h(L"Vorn2TestPathPump");
    h.PostKeys();
    PumpPendingMessages();
    EXPECT_EQ(h.offered, both);  // from the child up to its top-level window
    EXPECT_EQ(h.child.keys, onlyA);
  }
  {  // the program's loop, ended by the last form going
    Host h(L"Vorn2TestPathMain");
    h.PostKeys();
    PostMessageW(h.form.hWnd(), WM_CLOSE, 0, 0);
    Form::RunMessageLoop();
    EXPECT_EQ(h.offered, both);
    EXPECT_EQ(h.child.keys, onlyA);
  }
  {  // the modal loop
    Host h(L"Vorn2TestPathModal");
    h.PostKeys();
    PostMessageW(h.form.hWnd(), WM_CLOSE, 0, 0);
    h.form.ShowModal();
    EXPECT_EQ(h.offered, both);
    EXPECT_EQ(h.child.keys, onlyA);
  }
  // Mouse and other messages are never offered.
  Host h(L"Vorn2TestPathMouse");
  PostMessageW(h.child.hWnd(), WM_LBUTTONDOWN, 0, 0);
  PumpPendingMessages();
  EXPECT_TRUE(h.offered.empty());
}

TEST(MessagePath, ModalFormEnablesItsOwnerBeforeItsWindowGoes) {
  class Dialog : public Form {
   public:
    Dialog() : Form(::Design(L"Vorn2TestPathDialog")) {}
    HWND owner = nullptr;
    int ownerEnabledAtDestroy = -1;

   protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
      if (msg == WM_DESTROY) ownerEnabledAtDestroy = IsWindowEnabled(owner) ? 1 : 0;
      return Form::WndProc(msg, wParam, lParam);
    }
  };
  Form main(Design(L"Vorn2TestPathOwner"));
  main.Show();
  Dialog dialog;
  dialog.owner = main.hWnd();
  dialog.SetOwnerForm(&main);
  dialog.Load();
  PostMessageW(dialog.hWnd(), WM_CLOSE, 0, 0);  // like "否"
  dialog.ShowModal();
  EXPECT_EQ(dialog.ownerEnabledAtDestroy, 1);
  EXPECT_TRUE(IsWindowEnabled(main.hWnd()));
  main.Unload();
}
