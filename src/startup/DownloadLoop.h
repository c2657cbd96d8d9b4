// The download loop of CLumDownLoadFile, kept free of Windows headers: the
// HTTP request, the target file and the message pump come in through a small
// session interface (WinINet in the product, a scripted fake in the tests).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vorn2 {

// One download's platform calls. Each call of DownloadLoop::Run uses the
// session it is given from OpenInternet to CloseInternet.
class IDownloadSession {
 public:
  virtual ~IDownloadSession() = default;
  virtual bool OpenInternet() = 0;
  virtual bool OpenUrl(const std::string& url) = 0;
  // False when the server's answer carries no usable value.
  virtual bool QueryStatusCode(std::uint32_t& status) = 0;
  virtual bool QueryContentLength(std::uint64_t& length) = 0;
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
};

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
           bool raiseEvents, const DownloadEvents& events);
  // The running transfer leaves its loop at the next block boundary.
  void Stop() { stop_ = true; }
  bool Running() const { return running_; }
  // Bytes written by the last (or the running) transfer.
  std::uint64_t Received() const { return received_; }

 private:
  bool stop_ = false;
  bool running_ = false;
  std::uint64_t received_ = 0;
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
