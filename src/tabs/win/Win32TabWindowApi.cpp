#include "tabs/win/Win32TabWindowApi.h"

#include <windows.h>

namespace vorn2 {
namespace {

HWND H(WindowHandle w) { return reinterpret_cast<HWND>(w); }

}  // namespace

std::int32_t Win32TabWindowApi::GetStyle(WindowHandle w) {
  return static_cast<std::int32_t>(GetWindowLongW(H(w), GWL_STYLE));
}

void Win32TabWindowApi::SetStyle(WindowHandle w, std::int32_t style) { SetWindowLongW(H(w), GWL_STYLE, style); }

void Win32TabWindowApi::SetActiveWindow(WindowHandle w) { ::SetActiveWindow(H(w)); }

void Win32TabWindowApi::SetParentNone(WindowHandle w) { SetParent(H(w), nullptr); }

void Win32TabWindowApi::ScreenSize(std::int32_t& width, std::int32_t& height) {
  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
}

void Win32TabWindowApi::WindowRect(WindowHandle w, std::int32_t& l, std::int32_t& t, std::int32_t& r, std::int32_t& b) {
  RECT rc{};
  GetWindowRect(H(w), &rc);
  l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
}

void Win32TabWindowApi::PlaceAt(WindowHandle w, std::int32_t x, std::int32_t y, std::uint32_t flags) {
  SetWindowPos(H(w), nullptr, x, y, 0, 0, flags);
}

void Win32TabWindowApi::RedrawWindow(WindowHandle w, std::uint32_t flags) {
  ::RedrawWindow(H(w), nullptr, nullptr, flags);
}

}  // namespace vorn2
