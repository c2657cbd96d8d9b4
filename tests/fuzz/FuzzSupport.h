// What every fuzz target shares: a check that stops the run with a message
// (libFuzzer then keeps the input as a crash), and a bound on the memory one
// input may take.
#pragma once

#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

// Variadic so that a condition may hold braces with commas.
#define FUZZ_CHECK(...)                                                                   \
  do {                                                                                    \
    if (!(__VA_ARGS__)) {                                                                 \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #__VA_ARGS__); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

namespace vorn2::fuzz {

namespace detail {
inline std::size_t live = 0;
inline std::size_t peak = 0;
inline bool counting = false;

inline void OnMalloc(const volatile void*, std::size_t size) {
  if (!counting) return;
  live += size;
  if (live > peak) peak = live;
}
inline void OnFree(const volatile void* ptr) {
  if (!counting || !ptr) return;
  const std::size_t size = __sanitizer_get_allocated_size(const_cast<const void*>(ptr));
  live = size > live ? 0 : live - size;  // blocks from before the input count as nothing
}
}  // namespace detail

// The heap that one input may hold at its peak: perByte bytes for each input
// byte and a fixed allowance. Growth beyond that (quadratic copies, unbounded
// lists) stops the run when the input is done.
class MemoryBound {
 public:
  MemoryBound(std::size_t inputSize, std::size_t perByte, std::size_t fixed = 64 * 1024)
      : limit_(inputSize * perByte + fixed) {
    static const bool installed =
        __sanitizer_install_malloc_and_free_hooks(detail::OnMalloc, detail::OnFree) != 0;
    FUZZ_CHECK(installed);
    detail::live = detail::peak = 0;
    detail::counting = true;
  }
  ~MemoryBound() {
    detail::counting = false;
    if (detail::peak > limit_) {
      std::fprintf(stderr, "memory bound exceeded: peak %zu bytes, limit %zu\n", detail::peak, limit_);
      std::abort();
    }
  }
  MemoryBound(const MemoryBound&) = delete;
  MemoryBound& operator=(const MemoryBound&) = delete;

 private:
  std::size_t limit_;
};

}  // namespace vorn2::fuzz
