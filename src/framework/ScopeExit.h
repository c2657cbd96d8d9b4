// Runs a cleanup when the scope ends, on every return path and on an
// exception: for a pairing that has no owning type of its own (a handle the
// portable core only holds as a number, a cursor set for a while).
#pragma once

#include <utility>

namespace vorn2 {

template <class F>
class [[nodiscard]] ScopeExit {
 public:
  explicit ScopeExit(F cleanup) : cleanup_(std::move(cleanup)) {}
  ~ScopeExit() {
    if (armed_) cleanup_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

  // The cleanup is no longer needed.
  void Dismiss() noexcept { armed_ = false; }

 private:
  F cleanup_;
  bool armed_ = true;
};

}  // namespace vorn2
