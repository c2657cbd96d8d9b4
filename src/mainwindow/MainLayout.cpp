#include "mainwindow/MainLayout.h"

namespace vorn2::main_layout {

Placement PlaceControls(int windowWidth, int clientWidth, int clientHeight, int tabHeight) {
  Placement p;
  p.webClose = windowWidth - 730;
  p.webMinMax = windowWidth - 1105;
  p.webMin = windowWidth - 1465;
  p.webTool = windowWidth - 1825;
  p.gameSpace = clientWidth - 3300;
  p.otherUser = clientWidth - 4850;
  const int tabWidth = p.otherUser - kTabStrip.left;
  if (tabWidth >= 0) p.tabStrip = TwipsRect{kTabStrip.left, kTabStrip.top, tabWidth, tabHeight};
  p.content = TwipsRect{60, tabHeight, clientWidth - 120, clientHeight - tabHeight - 60};
  return p;
}

std::string TabKey(std::string_view url) {
  std::string key = "Game";
  key += url;
  return key;
}

int CentredOffset(int screen, int window) { return (screen - window) / 2; }

}  // namespace vorn2::main_layout
