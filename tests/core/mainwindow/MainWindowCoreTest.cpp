#include <gtest/gtest.h>

#include "mainwindow/MainLayout.h"
#include "mainwindow/MainMessages.h"

namespace vorn2 {
namespace {

namespace ml = main_layout;

TEST(MainLayout, ResizePlacesTheControlsFromTheWindowAndClientWidths) {
  // The design size: 15540 x 9585 twips, a strip 480 twips high.
  const ml::Placement p = ml::PlaceControls(15540, 15540, 9585, 480);
  EXPECT_EQ(p.webClose, 15540 - 730);
  EXPECT_EQ(p.webMinMax, 15540 - 1105);
  EXPECT_EQ(p.webMin, 15540 - 1465);
  EXPECT_EQ(p.webTool, 15540 - 1825);
  ASSERT_TRUE(p.tabStrip);
  EXPECT_EQ(p.tabStrip->left, 2300);
  EXPECT_EQ(p.tabStrip->top, 45);
  EXPECT_EQ(p.tabStrip->width, 15540 - 7150);
  EXPECT_EQ(p.tabStrip->left + p.tabStrip->width, p.otherUser);  // no tab under the link
  EXPECT_EQ(p.tabStrip->height, 480);
  EXPECT_EQ(p.gameSpace, 15540 - 3300);
  EXPECT_EQ(p.otherUser, 15540 - 4850);
  EXPECT_EQ(p.content.left, 60);
  EXPECT_EQ(p.content.top, 480);
  EXPECT_EQ(p.content.width, 15540 - 120);
  EXPECT_EQ(p.content.height, 9585 - 480 - 60);
  // The buttons follow the outer width, the strip and the panel the client width.
  const ml::Placement framed = ml::PlaceControls(15600, 15540, 9585, 480);
  EXPECT_EQ(framed.webClose, 15600 - 730);
  EXPECT_EQ(framed.tabStrip->width, 15540 - 7150);
}

TEST(MainLayout, ANegativeStripWidthIsRefusedAndTheRestStillPlaced) {
  const ml::Placement p = ml::PlaceControls(6885, 6885, 3000, 480);
  EXPECT_FALSE(p.tabStrip);
  EXPECT_EQ(p.webClose, 6885 - 730);
  EXPECT_EQ(p.content.width, 6885 - 120);
  EXPECT_FALSE(ml::PlaceControls(7135, 7135, 3000, 480).tabStrip);
  EXPECT_TRUE(ml::PlaceControls(7150, 7150, 3000, 480).tabStrip);  // width 0 is still a width
}

TEST(MainLayout, Centring) {
  EXPECT_EQ(ml::CentredOffset(1280, 1036), 122);
  EXPECT_EQ(ml::CentredOffset(1280, 1037), 121);  // halved downwards
  EXPECT_EQ(ml::CentredOffset(800, 1036), -118);
}

TEST(MainMessages, HotKeyByItsKeyAndTrayClicksByTheirButton) {
  const std::uint32_t taskbar = 0xC123;
  // F10 with any identifier; another key or a modifier-carrying F10 is not ours.
  EXPECT_EQ(DecideMainMessage(kWmHotKey, 1000, 0x00790000, taskbar), MainAction::ToggleVisibility);
  EXPECT_EQ(DecideMainMessage(kWmHotKey, 7, 0x00790000, taskbar), MainAction::ToggleVisibility);
  EXPECT_EQ(DecideMainMessage(kWmHotKey, 1000, 0x00780000, taskbar), MainAction::None);
  EXPECT_EQ(DecideMainMessage(kTrayCallbackMessage, 1000, kWmLButtonUp, taskbar), MainAction::TrayClick);
  EXPECT_EQ(DecideMainMessage(kTrayCallbackMessage, 1000, kWmRButtonUp, taskbar), MainAction::PopupMenu);
  EXPECT_EQ(DecideMainMessage(kTrayCallbackMessage, 1000, 0x201, taskbar), MainAction::None);  // button down
  EXPECT_EQ(DecideMainMessage(kTrayCallbackMessage, 1000, 0x200, taskbar), MainAction::None);  // move
  EXPECT_EQ(DecideMainMessage(taskbar, 0, 0, taskbar), MainAction::RestoreTrayIcon);
  EXPECT_EQ(DecideMainMessage(0x0F, 0, 0, 0), MainAction::None);  // no taskbar message known: nothing matches 0
  EXPECT_EQ(DecideMainMessage(0, 0, 0, 0), MainAction::None);
}

}  // namespace
}  // namespace vorn2
