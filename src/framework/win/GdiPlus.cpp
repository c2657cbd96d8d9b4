#include "framework/win/GdiPlus.h"

#include <mutex>

namespace vorn2 {
namespace {

struct Shared {
  std::mutex mutex;
  int users = 0;
  int starts = 0;
  ULONG_PTR token = 0;
};

Shared& State() {
  static Shared state;
  return state;
}

}  // namespace

GdiplusSession GdiplusSession::Open() {
  Shared& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  GdiplusSession session;
  if (s.users == 0) {
    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, background thread, codecs on
    if (Gdiplus::GdiplusStartup(&s.token, &input, nullptr) != Gdiplus::Ok) return session;
    ++s.starts;
  }
  ++s.users;
  session.held_ = true;
  handles_detail::Count(HandleKind::GdiplusSession, 1);
  return session;
}

GdiplusSession& GdiplusSession::operator=(GdiplusSession&& other) noexcept {
  if (this != &other) {
    reset();
    held_ = std::exchange(other.held_, false);
  }
  return *this;
}

void GdiplusSession::reset() noexcept {
  if (!std::exchange(held_, false)) return;
  Shared& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  handles_detail::Count(HandleKind::GdiplusSession, -1);
  if (--s.users == 0) Gdiplus::GdiplusShutdown(s.token);
}

int GdiplusSession::Starts() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().starts;
}

}  // namespace vorn2
