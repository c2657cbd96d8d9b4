#include "framework/win/Handles.h"

#include <atomic>

#include "framework/win/FailureTrace.h"
#include "framework/win/SystemLibrary.h"

namespace vorn2 {
namespace {

std::atomic<long> g_live[static_cast<int>(HandleKind::Count)];

bool IsSelection(HGDIOBJ previous) { return previous && previous != HGDI_ERROR; }

}  // namespace

long LiveHandles(HandleKind kind) { return g_live[static_cast<int>(kind)].load(std::memory_order_relaxed); }

void handles_detail::Count(HandleKind kind, long delta) noexcept {
  g_live[static_cast<int>(kind)].fetch_add(delta, std::memory_order_relaxed);
}

bool CloseChecked(UniqueFile& file) noexcept {
  const bool valid = static_cast<bool>(file);
  return valid && CloseHandle(file.detach()) != FALSE;
}

void CloseInternetHandle(HINTERNET h) noexcept {
  if (const WinInetFunctions* net = WinInet()) net->InternetCloseHandle(h);
}

void CloseUrlCacheFind(HANDLE h) noexcept {
  if (const UrlCacheFunctions* cache = UrlCache()) cache->FindCloseUrlCache(h);
}

void DestroyOwnedWindow(HWND h) noexcept {
  if (IsWindow(h)) VORN2_TRACE_IF_FALSE(DestroyWindow(h));
}

WindowDC::WindowDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {
  if (dc_) handles_detail::Count(HandleKind::WindowDC, 1);
}

WindowDC::WindowDC(WindowDC&& other) noexcept
    : hwnd_(std::exchange(other.hwnd_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}

WindowDC& WindowDC::operator=(WindowDC&& other) noexcept {
  if (this != &other) {
    reset();
    hwnd_ = std::exchange(other.hwnd_, nullptr);
    dc_ = std::exchange(other.dc_, nullptr);
  }
  return *this;
}

void WindowDC::reset() noexcept {
  if (dc_) {
    ReleaseDC(hwnd_, dc_);
    handles_detail::Count(HandleKind::WindowDC, -1);
  }
  hwnd_ = nullptr;
  dc_ = nullptr;
}

SelectGuard::SelectGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc) {
  if (dc && object) previous_ = SelectObject(dc, object);
  if (!IsSelection(previous_)) previous_ = nullptr;
}

SelectGuard::SelectGuard(HDC dc, HPALETTE palette) noexcept : dc_(dc), palette_(true) {
  if (dc && palette) previous_ = SelectPalette(dc, palette, FALSE);
}

SelectGuard::SelectGuard(SelectGuard&& other) noexcept
    : dc_(std::exchange(other.dc_, nullptr)),
      previous_(std::exchange(other.previous_, nullptr)),
      palette_(other.palette_) {}

SelectGuard& SelectGuard::operator=(SelectGuard&& other) noexcept {
  if (this != &other) {
    reset();
    dc_ = std::exchange(other.dc_, nullptr);
    previous_ = std::exchange(other.previous_, nullptr);
    palette_ = other.palette_;
  }
  return *this;
}

void SelectGuard::reset() noexcept {
  if (dc_ && previous_) {
    if (palette_) SelectPalette(dc_, static_cast<HPALETTE>(previous_), FALSE);
    else SelectObject(dc_, previous_);
  }
  dc_ = nullptr;
  previous_ = nullptr;
}

}  // namespace vorn2
