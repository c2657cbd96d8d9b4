#include "startup/DownloadLoop.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "framework/Notify.h"
#include "framework/Text.h"

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

bool IsRedirectStatus(std::uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

namespace {

// The scheme an address starts with, lower-cased; empty when it has none.
std::string SchemeOf(std::string_view address) {
  const std::size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  const std::string_view name = address.substr(0, colon);
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!letter(name[0])) return {};
  for (char c : name) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return {};
  }
  return AsciiLower(name);
}

bool IsWebScheme(const std::string& scheme) { return scheme == "http" || scheme == "https"; }

}  // namespace

std::optional<std::string> RedirectTarget(std::string_view from, std::string_view location) {
  location = location.substr(0, location.find('#'));
  if (location.empty()) return std::nullopt;
  for (char c : location) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return std::nullopt;
  }
  const std::string fromScheme = SchemeOf(from);
  if (!IsWebScheme(fromScheme) || from.substr(fromScheme.size(), 3) != "://") return std::nullopt;
  std::string target;
  if (!SchemeOf(location).empty()) {
    target = location;
  } else if (location.substr(0, 2) == "//") {
    target = fromScheme + ":" + std::string(location);
  } else {
    const std::size_t pathStart = from.find_first_of("/?#", fromScheme.size() + 3);
    const std::string_view origin = from.substr(0, pathStart);
    std::string_view path = pathStart == std::string_view::npos ? std::string_view() : from.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    if (path.empty()) path = "/";
    if (location[0] == '/') target = std::string(origin) + std::string(location);
    else if (location[0] == '?') target = std::string(origin) + std::string(path) + std::string(location);
    else target = std::string(origin) + std::string(path.substr(0, path.rfind('/') + 1)) + std::string(location);
  }
  const std::string targetScheme = SchemeOf(target);
  // A redirect never takes an https download onto a plain connection.
  if (!IsWebScheme(targetScheme) || (fromScheme == "https" && targetScheme == "http")) return std::nullopt;
  return target;
}

void DownloadLoop::Stop() {
  stop_ = true;
  if (session_) session_->Abandon();
}

void DownloadLoop::Fail(IDownloadSession& session, DownloadFailure otherwise) {
  failure_ = session.FailureCause().value_or(otherwise);
}

// Sends the request and follows redirects; true with the last answer open.
bool DownloadLoop::Open(IDownloadSession& session, std::string url, std::uint32_t& status) {
  for (int redirects = 0;; ++redirects) {
    if (!session.OpenUrl(url)) {
      Fail(session, DownloadFailure::NoConnection);
      return false;
    }
    if (!session.QueryStatusCode(status)) {
      Fail(session, DownloadFailure::Status);
      session.CloseUrl();
      return false;
    }
    if (!IsRedirectStatus(status)) return true;
    std::string location;
    std::optional<std::string> next;
    if (redirects < kMaxRedirects && !stop_ && session.QueryLocation(location)) next = RedirectTarget(url, location);
    // Each request is closed before the next one goes out: none is left
    // running behind the download.
    session.CloseUrl();
    if (!next) {
      failure_ = DownloadFailure::Redirects;
      return false;
    }
    url = std::move(*next);
  }
}

// The body into the open target: never more than `length` bytes, and the
// end of the body must follow them.
bool DownloadLoop::Transfer(IDownloadSession& session, std::uint64_t length, bool raiseEvents,
                            const DownloadEvents& events) {
  std::vector<unsigned char> buffer(kDownloadBlockSize);
  while (!stop_) {
    const std::uint64_t left = length - received_;
    const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left == 0 ? 1 : left, kDownloadBlockSize));
    std::uint32_t got = 0;
    if (!session.Read(buffer.data(), want, got)) {
      // A read abandoned for a stop ends the transfer as the stop does.
      if (!stop_) Fail(session, DownloadFailure::Transfer);
      return stop_;
    }
    if (got == 0) break;
    if (got > want || left == 0) {
      failure_ = DownloadFailure::Transfer;  // more than announced
      return false;
    }
    if (!session.Write(buffer.data(), got)) {
      failure_ = DownloadFailure::File;
      return false;
    }
    received_ += got;
    if (raiseEvents) Raise(events.Loading, ClampToInt32(received_));
    session.PumpPendingMessages();
  }
  // A body that ends short of its announced length is not a download; a
  // stop asked for by the program is.
  if (stop_ || received_ == length) return true;
  failure_ = DownloadFailure::Transfer;
  return false;
}

bool DownloadLoop::Run(IDownloadSession& session, const std::string& url, const std::string& saveFile, bool hidden,
                       bool raiseEvents, const DownloadEvents& events, const DownloadLimits& limits) {
  // Reached again through the message pump: leave the running transfer alone.
  if (running_) return false;
  running_ = true;
  stop_ = false;
  received_ = 0;
  failure_ = DownloadFailure::None;
  session_ = &session;
  bool result = false;

  if (!session.OpenInternet()) {
    Fail(session, DownloadFailure::NoConnection);
  } else {
    std::uint32_t status = 0;
    if (Open(session, url, status)) {
      std::uint64_t length = 0;
      if (status != 200) {
        failure_ = DownloadFailure::Status;
      } else if (!session.QueryContentLength(length) || length == 0 || length > limits.maxLength ||
                 (limits.exactLength && length != *limits.exactLength)) {
        failure_ = DownloadFailure::Length;
      } else {
        if (raiseEvents) Raise(events.QueryFileInfo, ClampToInt32(length));
        if (!session.CreateTarget(saveFile, hidden)) {
          failure_ = DownloadFailure::File;
        } else {
          result = Transfer(session, length, raiseEvents, events);
          session.CloseTarget();
        }
      }
      session.CloseUrl();
    }
    session.CloseInternet();
  }

  if (result) failure_ = DownloadFailure::None;
  session_ = nullptr;
  running_ = false;
  if (raiseEvents) Raise(events.Complete);
  return result;
}

}  // namespace vorn2
