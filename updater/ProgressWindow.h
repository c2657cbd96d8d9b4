// The updater's small window: a line of text and a progress bar. Closing it
// does not destroy it: it asks its owner through OnClose, who ends the
// download. OnTick runs once a second while messages are processed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace vorn2::updater {

class ProgressWindow {
 public:
  ProgressWindow() = default;
  ~ProgressWindow() { Close(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  bool Create(const std::wstring& caption, const std::wstring& text);
  void SetTotal(std::int32_t total);
  void SetPosition(std::int32_t position);
  void Close();
  HWND hWnd() const { return window_; }
  HWND Bar() const { return bar_; }

  std::function<void()> OnClose;
  std::function<void()> OnTick;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  HWND bar_ = nullptr;
};

}  // namespace vorn2::updater
