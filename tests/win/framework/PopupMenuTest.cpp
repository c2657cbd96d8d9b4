// The popup menu: items and captions read back from the real menu, a choice
// arriving as WM_COMMAND at its owner, and the rules for menus opened from a
// tray icon; rounded window regions.
#include <gtest/gtest.h>

#include "framework/win/Form.h"
#include "framework/win/PopupMenu.h"
#include "framework/win/Regions.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

class MenuOwner : public Form {
 public:
  MenuOwner() : Form([] {
      FormDesign d;
      d.className = L"Vorn2TestMenuOwner";
      d.caption = "menu owner";
      d.style = WS_POPUP;
      d.clientWidthTwips = 300 * 15;
      d.clientHeightTwips = 200 * 15;
      d.leftTwips = 100 * 15;
      d.topTwips = 100 * 15;
      d.appIcon = false;
      return d;
    }()) {}
  std::vector<int> commands;
  int nulls = 0;

 protected:
  void OnCommand(int id) override { commands.push_back(id); }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_NULL) ++nulls;
    return Form::WndProc(msg, wParam, lParam);
  }
};

void Key(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

}  // namespace

TEST(PopupMenu, ItemsInOrderAndAChoiceReachesTheOwner) {
  MenuOwner owner;
  owner.Show();
  {
    PopupMenu menu;
    menu.AddItem(11, "刷新(F5)");
    menu.AddItem(12, "-");
    menu.AddItem(13, "版本号:");
    menu.SetCaption(13, "版本号:1.1.0");
    ASSERT_EQ(menu.Count(), 3);
    EXPECT_EQ(menu.IdAt(0), 11);
    EXPECT_EQ(menu.IdAt(1), -1);
    EXPECT_EQ(menu.Caption(11), "刷新(F5)");
    EXPECT_EQ(menu.Caption(13), "版本号:1.1.0");

    // While the menu is open: down to the first item, then Enter.
    SetCursorPos(150, 150);
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      Key(VK_DOWN);
      Key(VK_RETURN);
    });
    EXPECT_TRUE(menu.Popup(owner.hWnd()));
    EXPECT_EQ(GetForegroundWindow(), owner.hWnd());
    vorn2::test::Pump(100);
    EXPECT_EQ(owner.commands, std::vector<int>{11});
    EXPECT_GE(owner.nulls, 1);
  }
  owner.Unload();
}

TEST(Regions, RoundedRegionCutsTheCorners) {
  MenuOwner window;
  window.Show();
  ASSERT_TRUE(SetRoundedRegion(window.hWnd(), 101, 61, 6, 6));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(window.hWnd(), region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_TRUE(PtInRegion(region, 3, 3));
  EXPECT_TRUE(PtInRegion(region, 50, 0));
  EXPECT_TRUE(PtInRegion(region, 99, 30));  // right and bottom edges are exclusive
  EXPECT_FALSE(PtInRegion(region, 101, 30));
  DeleteObject(region);
  EXPECT_FALSE(SetRoundedRegion(nullptr, 10, 10, 4, 4));
  window.Unload();
}
