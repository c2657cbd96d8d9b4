#include "startup/DownloadLoop.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "framework/Notify.h"

namespace vorn2 {

std::int32_t ClampToInt32(std::uint64_t value) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(value > kMax ? kMax : value);
}

std::optional<std::uint64_t> ParseContentLength(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

void ReadAheadSize::Done(std::uint32_t requested, std::uint32_t delivered, std::uint64_t micros) {
  if (micros > kSlowMicros) {
    size_ = std::max(kMin, size_ / 2);
  } else if (micros < kQuickMicros && delivered >= requested && requested >= size_) {
    size_ = std::min(kMax, size_ * 2);
  }
}

bool DownloadLoop::Run(IDownloadSession& session, const std::string& url, const std::string& saveFile, bool hidden,
                       bool raiseEvents, const DownloadEvents& events) {
  // Reached again through the message pump: leave the running transfer alone.
  if (running_) return false;
  running_ = true;
  stop_ = false;
  received_ = 0;
  bool result = false;

  if (session.OpenInternet()) {
    if (session.OpenUrl(url)) {
      std::uint32_t status = 0;
      std::uint64_t length = 0;
      if (session.QueryStatusCode(status) && status == 200 && session.QueryContentLength(length) && length != 0) {
        if (raiseEvents) Raise(events.QueryFileInfo, ClampToInt32(length));
        if (session.CreateTarget(saveFile, hidden)) {
          std::vector<unsigned char> buffer(kDownloadBlockSize);
          bool broken = false;
          while (!stop_) {
            std::uint32_t got = 0;
            if (!session.Read(buffer.data(), kDownloadBlockSize, got)) {
              broken = true;
              break;
            }
            if (got == 0) break;
            if (got > kDownloadBlockSize || !session.Write(buffer.data(), got)) {
              broken = true;
              break;
            }
            received_ += got;
            if (raiseEvents) Raise(events.Loading, ClampToInt32(received_));
            session.PumpPendingMessages();
          }
          session.CloseTarget();
          // A body that ends short (or runs long) of its announced length is
          // not a download; a stop asked for by the program is.
          result = !broken && (stop_ || received_ == length);
        }
      }
      session.CloseUrl();
    }
    session.CloseInternet();
  }

  running_ = false;
  if (raiseEvents) Raise(events.Complete);
  return result;
}

}  // namespace vorn2
