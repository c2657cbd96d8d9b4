// The updater's small window: a line of text and a progress bar.
#pragma once

#include <windows.h>

#include <cstdint>
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

 private:
  HWND window_ = nullptr;
  HWND bar_ = nullptr;
};

}  // namespace vorn2::updater
