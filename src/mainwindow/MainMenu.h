// The application menu's items in their order, and the texts the main
// window's commands build.
#pragma once

#include <string>
#include <string_view>

namespace vorn2 {

enum MenuItem : int {
  kMenuRefresh = 101,
  kMenuHideRestore,
  kMenuClearCache,
  kMenuLine,
  kMenuUpdate,
  kMenuVersion,
  kMenuExit,
};

struct MenuItemSpec {
  MenuItem id;
  const char* caption;  // "-" for a separator
};

inline constexpr MenuItemSpec kAppMenu[] = {
    {kMenuRefresh, "刷新(F5)"}, {kMenuHideRestore, "隐藏/恢复(F10)"}, {kMenuClearCache, "清除缓存"},
    {kMenuLine, "-"},           {kMenuUpdate, "更新"},                {kMenuVersion, "版本号:"},
    {kMenuExit, "退出"},
};

inline constexpr const char* kCacheClearedMessage = "缓存已清理完毕！";
inline constexpr const char* kCacheClearedTitle = "缓存清理";

// "版本号:" followed by the version ("1.1.0").
std::string VersionCaption(std::string_view version);
// The portal page on the portal's host: base (a trailing "/" or not) +
// "/guanwang.php?gn=vorn2".
std::string PortalPageUrl(std::string_view portal);

}  // namespace vorn2
