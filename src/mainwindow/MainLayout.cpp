#include "mainwindow/MainLayout.h"

namespace vorn2::main_layout {

Placement PlaceControls(int windowWidth, int clientWidth, int clientHeight, int tabHeight) {
  Placement p;
  p.webClose = windowWidth - kWebCloseFromRight;
  p.webMinMax = windowWidth - kWebMinMaxFromRight;
  p.webMin = windowWidth - kWebMinFromRight;
  p.webTool = windowWidth - kWebToolFromRight;
  p.gameSpace = clientWidth - kGameSpaceFromRight;
  p.otherUser = clientWidth - kOtherUserFromRight;
  const int tabWidth = p.otherUser - kTabStrip.left;
  if (tabWidth >= 0) p.tabStrip = TwipsRect{kTabStrip.left, kTabStrip.top, tabWidth, tabHeight};
  p.content = ContentRect(clientWidth, clientHeight, tabHeight);
  return p;
}

int CentredOffset(int screen, int window) { return (screen - window) / 2; }

}  // namespace vorn2::main_layout
