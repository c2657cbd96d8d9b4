#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "startup/DownloadLoop.h"

namespace vorn2 {
namespace {

// Reads against a server that sends `bytesPerSecond` steadily; returns the
// longest a read blocked after the first, and leaves the size reached.
std::uint64_t LongestRead(ReadAheadSize& size, double bytesPerSecond, int reads) {
  std::uint64_t longest = 0;
  for (int i = 0; i < reads; ++i) {
    const std::uint32_t want = size.Next();
    const auto micros = static_cast<std::uint64_t>(want / bytesPerSecond * 1e6);
    if (i > 0) longest = std::max(longest, micros);
    size.Done(want, want, micros);
  }
  return longest;
}

TEST(ReadAheadSize, GrowsOnAFastLinkAndNeverBlocksLongerThanAFrameOnASlowerOne) {
  ReadAheadSize fast;
  EXPECT_EQ(fast.Next(), kDownloadBlockSize);
  LongestRead(fast, 1e9, 20);
  EXPECT_EQ(fast.Next(), ReadAheadSize::kMax);

  for (double rate : {1e9, 1e8, 1e7, 3e6, 1e6}) {
    SCOPED_TRACE(rate);
    ReadAheadSize s;
    EXPECT_LE(LongestRead(s, rate, 200), ReadAheadSize::kSlowMicros);
    // Grown wherever a block takes less than the quick limit.
    EXPECT_EQ(s.Next() > kDownloadBlockSize, kDownloadBlockSize / rate * 1e6 < ReadAheadSize::kQuickMicros);
  }
  // Slower than one block per frame: the blocks stay single.
  ReadAheadSize slow;
  LongestRead(slow, 1e5, 50);
  EXPECT_EQ(slow.Next(), kDownloadBlockSize);
}

TEST(ReadAheadSize, ShrinksWhenTheLinkSlowsAndGrowsOnlyOnWholeQuickReads) {
  ReadAheadSize s;
  LongestRead(s, 1e9, 20);
  ASSERT_EQ(s.Next(), ReadAheadSize::kMax);
  // The server stalls: every read now takes long, down to a single block and no further.
  for (int i = 0; i < 10; ++i) s.Done(s.Next(), s.Next(), 100000);
  EXPECT_EQ(s.Next(), kDownloadBlockSize);
  // The end of a body (a short read) or a read in between quick and slow leaves it alone.
  s.Done(kDownloadBlockSize, 100, 10);
  s.Done(kDownloadBlockSize, kDownloadBlockSize, ReadAheadSize::kSlowMicros);
  EXPECT_EQ(s.Next(), kDownloadBlockSize);
  s.Done(kDownloadBlockSize, kDownloadBlockSize, 10);
  EXPECT_EQ(s.Next(), 2 * kDownloadBlockSize);
}

}  // namespace
}  // namespace vorn2
