// What the login hands over to on a successful login: the main window, seen
// only through the game page URL and being shown.
#pragma once

#include <string>

namespace vorn2 {

struct IGameWindow {
  virtual ~IGameWindow() = default;
  // The game page to show; the first call loads the window (hidden).
  virtual void SetURL(const std::string& strURL) = 0;
  // Shows the window, modeless.
  virtual void ShowWindow() = 0;
  // The window is loaded: a login that fails now closes only itself.
  virtual bool IsOpen() const = 0;
};

}  // namespace vorn2
