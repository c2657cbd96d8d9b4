// The calls the tab list makes on its windows (ITabWindowApi), made with
// user32: the strip's platform adapter.
#pragma once

#include <cstdint>

#include "tabs/TabModel.h"

namespace vorn2 {

class Win32TabWindowApi final : public ITabWindowApi {
 public:
  std::int32_t GetStyle(WindowHandle w) override;
  void SetStyle(WindowHandle w, std::int32_t style) override;
  void SetActiveWindow(WindowHandle w) override;
  void SetParentNone(WindowHandle w) override;
  void ScreenSize(std::int32_t& width, std::int32_t& height) override;
  void WindowRect(WindowHandle w, std::int32_t& l, std::int32_t& t, std::int32_t& r, std::int32_t& b) override;
  void PlaceAt(WindowHandle w, std::int32_t x, std::int32_t y, std::uint32_t flags) override;
  void RedrawWindow(WindowHandle w, std::uint32_t flags) override;
};

}  // namespace vorn2
