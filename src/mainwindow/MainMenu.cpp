#include "mainwindow/MainMenu.h"

namespace vorn2 {

std::string VersionCaption(std::string_view version) { return "版本号:" + std::string(version); }

std::string PortalPageUrl(std::string_view portal) {
  while (!portal.empty() && portal.back() == '/') portal.remove_suffix(1);
  return std::string(portal) + "/guanwang.php?gn=vorn2";
}

}  // namespace vorn2
