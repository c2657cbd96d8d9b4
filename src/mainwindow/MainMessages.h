// What the main window's own window procedure does with a message: the F10
// hot key and the tray icon's callback. Everything goes on to the previous
// procedure afterwards, handled or not.
#pragma once

#include <cstdint>

#include "mainwindow/TrayText.h"

namespace vorn2 {

inline constexpr std::uint32_t kWmHotKey = 0x312;
inline constexpr std::uint32_t kWmLButtonUp = 0x202;
inline constexpr std::uint32_t kWmRButtonUp = 0x205;
inline constexpr int kHotKeyId = 1000;
inline constexpr std::uint32_t kVkF10 = 0x79;

enum class MainAction {
  None,
  ToggleVisibility,  // F10
  TrayClick,         // a left click on the tray icon: toggles, or restores a minimised window
  PopupMenu,         // a right click on the tray icon
  RestoreTrayIcon,   // the taskbar was created again (Explorer restarted)
};

// taskbarCreated: the registered "TaskbarCreated" message (0 when none).
// The hot key's identifier is not compared, only its key.
MainAction DecideMainMessage(std::uint32_t uMsg, std::uintptr_t wParam, std::intptr_t lParam,
                             std::uint32_t taskbarCreated);

}  // namespace vorn2
