#include "mainwindow/MainMessages.h"

namespace vorn2 {

MainAction DecideMainMessage(std::uint32_t uMsg, std::uintptr_t, std::intptr_t lParam, std::uint32_t taskbarCreated) {
  if (uMsg == kWmHotKey) {
    const auto key = static_cast<std::uint32_t>((static_cast<std::uintptr_t>(lParam) >> 16) & 0xFFFF);
    return key == kVkF10 ? MainAction::ToggleVisibility : MainAction::None;
  }
  if (uMsg == kTrayCallbackMessage) {
    const auto mouse = static_cast<std::uint32_t>(lParam & 0xFFFF);
    if (mouse == kWmLButtonUp) return MainAction::TrayClick;
    if (mouse == kWmRButtonUp) return MainAction::PopupMenu;
    return MainAction::None;
  }
  if (taskbarCreated != 0 && uMsg == taskbarCreated) return MainAction::RestoreTrayIcon;
  return MainAction::None;
}

}  // namespace vorn2
