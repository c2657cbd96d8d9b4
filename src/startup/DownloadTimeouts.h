// How long a download waits on the network before it fails like any other
// failed download. The values live here only; each download object holds its
// own copy, so a caller with other needs sets its own on its object.
#pragma once

#include <chrono>
#include <cstdint>

namespace vorn2 {

struct DownloadTimeouts {
  // Opening the connection to the server. Well above any working server's
  // handshake, even over a slow line, yet short enough that a dead address
  // does not keep the player from the splash for long.
  std::chrono::milliseconds connect{10000};
  // The longest silence while waiting for any byte of the answer, headers
  // or body: a server that takes the request and then says nothing (an
  // overloaded server, a broken proxy). Gaps between the blocks of a slow
  // but working server stay far below it.
  std::chrono::milliseconds stall{15000};
  // The whole call, from its start to its last byte, however slowly the
  // bytes come; zero for no limit.
  std::chrono::milliseconds total{0};
};

// The version file, a text under 1 KB, must never keep the player from the
// splash: its download ends by the deadline, and a larger body is refused.
inline constexpr DownloadTimeouts kVersionFileTimeouts{
    std::chrono::milliseconds(10000), std::chrono::milliseconds(15000), std::chrono::milliseconds(20000)};
inline constexpr std::uint64_t kVersionFileMaxBytes = 64 * 1024;

}  // namespace vorn2
