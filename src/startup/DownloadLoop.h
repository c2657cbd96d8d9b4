// The download loop of CLumDownLoadFile, kept free of Windows headers: the
// HTTP request, the target file and the message pump come in through a small
// session interface (WinINet in the product, a scripted fake in the tests).
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace vorn2 {

// Why a download failed. A stop asked for by the program is no failure.
enum class DownloadFailure {
  None,
  NoConnection,      // no internet handle, or the address was not reached
  SecureConnection,  // an https connection that could not be made or whose certificate was refused
  Redirects,         // too many redirects, or one to an address that is not followed
  Status,            // an answer other than 200
  Length,            // no usable Content-Length, or one the call does not take
  File,              // the target could not be created or written
  Transfer,          // the body broke off, or ran short or long of its length
  TimedOut,          // the whole call's deadline passed, or the server fell silent
};

// One download's platform calls. Each call of DownloadLoop::Run uses the
// session it is given from OpenInternet to CloseInternet.
class IDownloadSession {
 public:
  virtual ~IDownloadSession() = default;
  virtual bool OpenInternet() = 0;
  // One request, redirects not followed: the loop follows them itself.
  virtual bool OpenUrl(const std::string& url) = 0;
  // False when the server's answer carries no usable value.
  virtual bool QueryStatusCode(std::uint32_t& status) = 0;
  virtual bool QueryContentLength(std::uint64_t& length) = 0;
  // The Location header of a redirect.
  virtual bool QueryLocation(std::string& location) = 0;
  // Creates (or replaces) the target file, hidden or normal.
  virtual bool CreateTarget(const std::string& path, bool hidden) = 0;
  // Up to size bytes; received 0 at the end of the body. False on a failed read.
  virtual bool Read(unsigned char* buffer, std::uint32_t size, std::uint32_t& received) = 0;
  // True only when every byte was written.
  virtual bool Write(const unsigned char* data, std::uint32_t size) = 0;
  virtual void CloseTarget() = 0;
  virtual void CloseUrl() = 0;
  virtual void CloseInternet() = 0;
  // Lets the rest of the program run between blocks.
  virtual void PumpPendingMessages() = 0;
  // The program gave the download up (a stop): the call the session waits
  // in ends at once, and every later one fails.
  virtual void Abandon() = 0;
  // What the session knows of its last failed call that the loop cannot
  // see (a refused secure connection, a passed deadline); nothing otherwise.
  virtual std::optional<DownloadFailure> FailureCause() const = 0;
};

// What a call takes. A Content-Length outside them is refused before the
// target is created; no more than the announced length is ever read.
struct DownloadLimits {
  std::uint64_t maxLength = std::numeric_limits<std::uint64_t>::max();
  std::optional<std::uint64_t> exactLength;  // the only length taken, when the caller knows it
};

// Redirects followed in one call; the next one fails it.
inline constexpr int kMaxRedirects = 5;

// 301, 302, 303, 307 and 308.
bool IsRedirectStatus(std::uint32_t status);

// Where a redirect from `from` leads: `location` as an address of its own,
// a path on the same server, or relative to `from` (any fragment dropped).
// Nothing for a scheme other than http and https, for https to http, and
// for an empty or unusable location.
std::optional<std::string> RedirectTarget(std::string_view from, std::string_view location);

// The three notifications, in their order. Arguments are 32-bit signed as
// the hosts know them; larger values are held at the 32-bit maximum.
struct DownloadEvents {
  std::function<void(std::int32_t dwFileTotalLen)> QueryFileInfo;
  std::function<void(std::int32_t dwRecivedLen)> Loading;
  std::function<void()> Complete;
};

inline constexpr std::uint32_t kDownloadBlockSize = 8192;

class DownloadLoop {
 public:
  // Downloads url into saveFile. True when the whole announced body was
  // written, or when Stop() ended the transfer early. A call made while
  // another one runs on this object (through the message pump) returns
  // False at once and raises nothing.
  bool Run(IDownloadSession& session, const std::string& url, const std::string& saveFile, bool hidden,
           bool raiseEvents, const DownloadEvents& events, const DownloadLimits& limits = {});
  // The running transfer ends at once: a call the session waits in is
  // abandoned, and the loop goes no further than the block in hand.
  void Stop();
  bool Running() const { return running_; }
  // Bytes written by the last (or the running) transfer.
  std::uint64_t Received() const { return received_; }
  // Why the last call returned False (None after a success or a stop).
  DownloadFailure LastFailure() const { return failure_; }

 private:
  bool Open(IDownloadSession& session, std::string url, std::uint32_t& status);
  bool Transfer(IDownloadSession& session, std::uint64_t length, bool raiseEvents, const DownloadEvents& events);
  void Fail(IDownloadSession& session, DownloadFailure otherwise);

  bool stop_ = false;
  bool running_ = false;
  std::uint64_t received_ = 0;
  DownloadFailure failure_ = DownloadFailure::None;
  IDownloadSession* session_ = nullptr;  // while running
};

// How many bytes a session asks the network for at once. The loop takes the
// body in 8192-byte blocks; a session may read ahead of it, since each
// network read costs far more than its bytes (under Wine 8 KB reads top out
// near 80 MB/s, 256 KB reads above 1 GB/s). A read blocks until it is full
// or the body ends, so the size grows only while reads return whole within a
// few milliseconds and shrinks when one takes longer than a frame: a slow
// server still gets small reads with the windows running between them.
class ReadAheadSize {
 public:
  static constexpr std::uint32_t kMin = kDownloadBlockSize;
  static constexpr std::uint32_t kMax = 256 * 1024;
  static constexpr std::uint64_t kQuickMicros = 4000;
  static constexpr std::uint64_t kSlowMicros = 16000;

  std::uint32_t Next() const { return size_; }
  // A read asked for `requested` bytes and delivered `delivered` in `micros`.
  void Done(std::uint32_t requested, std::uint32_t delivered, std::uint64_t micros);

 private:
  std::uint32_t size_ = kMin;
};

// The decimal text of a Content-Length header; nothing for anything that is
// not a plain number that fits in 64 bits.
std::optional<std::uint64_t> ParseContentLength(std::string_view text);

// 32-bit signed view of a count, held at the maximum instead of wrapping.
std::int32_t ClampToInt32(std::uint64_t value);

}  // namespace vorn2
