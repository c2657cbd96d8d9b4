// The skinned windows as a screen reader finds them from outside: the
// accessible trees of the game window, the login pair and the exit dialog
// (AccessibleObjectFromWindow, AccessibleChildren), default actions, the
// announcements, and an object held across its window's end.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <tuple>

#include "controls/win/MsgFrm.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/WinText.h"
#include "login/AppCommands.h"
#include "login/win/LoginFrm.h"
#include "mainwindow/win/WebMainFrm.h"
#include "startup/win/LoadFrm.h"
#include "win/support/ScriptedWebView.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

struct Element {
  int depth = 0;
  int parent = -1;
  long role = 0;
  std::string name;
  long state = 0;
  ComPtr<IAccessible> object;
};

long Number(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) {
  VARIANT self{}, value{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  return SUCCEEDED((object->*get)(self, &value)) && value.vt == VT_I4 ? value.lVal : -1;
}

std::string Name(IAccessible* object) {
  VARIANT self{};
  self.vt = VT_I4;
  UniqueBstr name;
  return SUCCEEDED(object->get_accName(self, name.put())) && name ? U8(name.get()) : std::string();
}

// Walks a window's tree as a screen reader does: a child that is a window
// (the system's window object) is read through that window's client area.
void Walk(ComPtr<IAccessible> object, int depth, int parent, std::vector<Element>& out) {
  const long role = Number(object.get(), &IAccessible::get_accRole);
  const int at = static_cast<int>(out.size());
  out.push_back({depth, parent, role, Name(object.get()), Number(object.get(), &IAccessible::get_accState), {}});
  long count = 0;
  object->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  LONG got = 0;
  if (count > 0) AccessibleChildren(object.get(), 0, count, children.data(), &got);
  for (LONG i = 0; i < got; ++i) {
    ComPtr<IAccessible> child;
    if (children[i].vt == VT_DISPATCH && children[i].pdispVal)
      children[i].pdispVal->QueryInterface(__uuidof(IAccessible), child.put_void());
    VariantClear(&children[i]);
    if (!child) continue;
    const long childRole = Number(child.get(), &IAccessible::get_accRole);
    if (HWND window = nullptr; (childRole < 0 || childRole == ROLE_SYSTEM_WINDOW) &&
                               SUCCEEDED(WindowFromAccessibleObject(child.get(), &window))) {
      child.reset();
      AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), child.put_void());
    }
    if (child) Walk(std::move(child), depth + 1, at, out);
  }
  out[at].object = std::move(object);
}

std::vector<Element> WalkWindow(HWND window) {
  std::vector<Element> out;
  ComPtr<IAccessible> root;
  if (SUCCEEDED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), root.put_void())))
    Walk(std::move(root), 0, -1, out);
  return out;
}

// A line per object: role, name and state as the system words them.
std::string Listing(const std::vector<Element>& tree) {
  std::string text;
  for (const Element& e : tree) {
    wchar_t role[64] = L"";
    GetRoleTextW(static_cast<DWORD>(e.role), role, 64);
    std::string states;
    for (long bit = 1; bit > 0 && bit <= e.state; bit <<= 1) {
      wchar_t word[64] = L"";
      if ((e.state & bit) && GetStateTextW(static_cast<DWORD>(bit), word, 64)) states += ", " + U8(word);
    }
    text += std::string(e.depth * 2, ' ') + U8(role) + " \"" + e.name + "\"" +
            (states.empty() ? "" : " (" + states.substr(2) + ")") + "\n";
  }
  return text;
}

const Element* Find(const std::vector<Element>& tree, long role, const std::string& name) {
  for (const Element& e : tree) {
    if (e.role == role && e.name == name) return &e;
  }
  return nullptr;
}

std::vector<std::tuple<DWORD, HWND, LONG>>& Events() {
  static std::vector<std::tuple<DWORD, HWND, LONG>> events;
  return events;
}
void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (object == OBJID_CLIENT) Events().emplace_back(event, window, child);
}
bool HeardEvent(DWORD event, HWND window, LONG child) {
  return test::PumpUntil([&] {
    return std::find(Events().begin(), Events().end(), std::make_tuple(event, window, child)) != Events().end();
  });
}

HRESULT DefaultAction(const Element* e) {
  VARIANT self{};
  self.vt = VT_I4;
  return e ? e->object->accDoDefaultAction(self) : E_POINTER;
}

}  // namespace

TEST(Accessibility, ScreenReadersReadAndPressTheDrawnControls) {
  Process().endAtOnce = [] {};
  test::ScriptedWebView* loginView = nullptr;
  LoginFrm login(LoginSettings{"http://portal.test", 0}, [&] {
    auto v = std::make_unique<test::ScriptedWebView>();
    loginView = v.get();
    return v;
  });
  ASSERT_TRUE(login.Load());
  loginView->FireDocumentComplete(W(LoginPageUrl("http://portal.test")));  // the pair shows
  auto main = std::make_unique<WebMainFrm>(MainSettings{"http://127.0.0.1:9", "http://127.0.0.1:9"},
                                           [] { return std::make_unique<test::ScriptedWebView>(); });
  const std::string a = "Gamehttp://a.test/", b = "Gamehttp://b.test/", c = "Gamehttp://c.test/";
  for (const std::string& key : {a, b, c}) main->SetURL(key.substr(4));
  main->ShowWindow();
  MsgFrm dialog(*main);
  dialog.Show();
  LoadFrm splash(StartupSettings{});
  ASSERT_TRUE(splash.Load());
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE, nullptr, &Heard,
                                             GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);

  const std::string game = "Vornhold 2客户端", list;
  constexpr long kOff = 0, kSelected = STATE_SYSTEM_SELECTED, kLinked = STATE_SYSTEM_LINKED;
  const struct {
    HWND window;
    long role;
    std::string name, parent;
    long on, off;
  } rows[] = {
      {main->hWnd(), ROLE_SYSTEM_CLIENT, game, "", 0, kOff},
      {splash.hWnd(), ROLE_SYSTEM_CLIENT, game, "", 0, kOff},  // not by its caption, which is never seen
      {main->hWnd(), ROLE_SYSTEM_TITLEBAR, "Vornhold 2", game, 0, kOff},
      {main->hWnd(), ROLE_SYSTEM_PAGETABLIST, list, game, 0, kOff},
      {main->hWnd(), ROLE_SYSTEM_PAGETAB, a, list, 0, kSelected},
      {main->hWnd(), ROLE_SYSTEM_PAGETAB, b, list, 0, kSelected},
      {main->hWnd(), ROLE_SYSTEM_PAGETAB, c, list, kSelected, kOff},
      {main->hWnd(), ROLE_SYSTEM_PUSHBUTTON, "关闭" + a, a, 0, kOff},
      {main->hWnd(), ROLE_SYSTEM_PUSHBUTTON, "关闭" + c, c, 0, kOff},
      {main->hWnd(), ROLE_SYSTEM_LINK, "登录其他帐号", game, kLinked, kOff},
      {main->hWnd(), ROLE_SYSTEM_LINK, "游戏官网", game, kLinked, kOff},
      {main->hWnd(), ROLE_SYSTEM_PUSHBUTTON, "菜单", game, 0, kOff},
      {main->hWnd(), ROLE_SYSTEM_PUSHBUTTON, "最小化", game, 0, kOff},
      {main->hWnd(), ROLE_SYSTEM_PUSHBUTTON, "还原", game, 0, kOff},  // it fills the screen since its load
      {main->hWnd(), ROLE_SYSTEM_PUSHBUTTON, "关闭", game, 0, kOff},
      {login.Background().hWnd(), ROLE_SYSTEM_CLIENT, game, "", 0, STATE_SYSTEM_INVISIBLE},
      {login.hWnd(), ROLE_SYSTEM_PUSHBUTTON, "最小化", game, 0, kOff},
      {login.hWnd(), ROLE_SYSTEM_PUSHBUTTON, "关闭", game, 0, kOff},
      {dialog.hWnd(), ROLE_SYSTEM_TITLEBAR, game, MsgFrm::QuestionText(), 0, kOff},
      {dialog.hWnd(), ROLE_SYSTEM_PUSHBUTTON, "关闭", MsgFrm::QuestionText(), 0, kOff},
      {dialog.hWnd(), ROLE_SYSTEM_PUSHBUTTON, "是", MsgFrm::QuestionText(), 0, kOff},
      {dialog.hWnd(), ROLE_SYSTEM_PUSHBUTTON, "否", MsgFrm::QuestionText(), 0, kOff},
  };
  std::map<HWND, std::vector<Element>> trees;
  for (const auto& row : rows) {
    std::vector<Element>& tree = trees[row.window];
    if (tree.empty()) tree = WalkWindow(row.window);
    const Element* e = Find(tree, row.role, row.name);
    ASSERT_NE(e, nullptr) << row.name << " in\n" << Listing(tree);
    EXPECT_EQ(e->parent < 0 ? "" : tree[e->parent].name, row.parent) << row.name;
    EXPECT_EQ(e->state & (row.on | row.off), row.on) << row.name << " in\n" << Listing(tree);
  }
  if (std::getenv("VORN2_ACCESSIBLE_LISTING")) {
    for (const auto& [window, tree] : trees) std::cout << Listing(tree) << "\n";
  }

  // Default actions go the way of a click, once the call has returned.
  const std::vector<Element>& tree = trees[main->hWnd()];
  const HWND strip = main->WebuTab().hWnd();
  EXPECT_EQ(DefaultAction(Find(tree, ROLE_SYSTEM_PAGETAB, a)), S_OK);
  EXPECT_TRUE(test::PumpUntil([&] { return main->WebuTab().Selected() == 0; }));
  EXPECT_TRUE(Number(Find(tree, ROLE_SYSTEM_PAGETAB, a)->object.get(), &IAccessible::get_accState) & kSelected);
  EXPECT_TRUE(HeardEvent(EVENT_OBJECT_SELECTION, strip, 1));
  EXPECT_EQ(DefaultAction(Find(tree, ROLE_SYSTEM_PUSHBUTTON, "关闭" + c)), S_OK);
  EXPECT_TRUE(test::PumpUntil([&] { return main->WebuTab().TabItems()->Count() == 2; }));
  EXPECT_EQ(main->WebuTab().TabItems()->FindItem(c), -1);
  EXPECT_TRUE(HeardEvent(EVENT_OBJECT_DESTROY, strip, 3));
  const Element* restore = Find(tree, ROLE_SYSTEM_PUSHBUTTON, "还原");
  EXPECT_EQ(DefaultAction(restore), S_OK);
  EXPECT_TRUE(test::PumpUntil([&] { return Name(restore->object.get()) == "最大化"; }));
  EXPECT_TRUE(HeardEvent(EVENT_OBJECT_NAMECHANGE, main->web_minmax().hWnd(), CHILDID_SELF));
  // The closed tab's object is cut off; so is every object once the window is gone.
  VARIANT self{};
  self.vt = VT_I4;
  UniqueBstr name;
  EXPECT_EQ(Find(tree, ROLE_SYSTEM_PAGETAB, c)->object->get_accName(self, name.put()), CO_E_OBJNOTCONNECTED);
  dialog.Unload();
  splash.Unload();
  main->m_bExit = true;
  main->Unload();
  long count = 0;
  EXPECT_EQ(Find(tree, ROLE_SYSTEM_PAGETABLIST, list)->object->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(Find(tree, ROLE_SYSTEM_PAGETAB, a)->object->get_accName(self, name.put()), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(DefaultAction(restore), CO_E_OBJNOTCONNECTED);
  UnhookWinEvent(hook);
  Events().clear();
  trees.clear();
  login.ClosePair();
  main.reset();
  ResetProcessEnvironment();
}
