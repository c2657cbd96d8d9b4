// Downloads one URL to a file over WinINet for the calling thread, which
// processes its window messages while it waits, so the windows stay
// responsive and a stop ends the download at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "startup/DownloadLoop.h"
#include "startup/DownloadTimeouts.h"

namespace vorn2 {

class CLumDownLoadFile {
 public:
  // Raised only when a call asks for events, in this order: QueryFileInfo
  // once before the file is created, Loading after every block written,
  // Complete once at the end of the call.
  DownloadEvents& Events() { return events_; }

  // strURLFile and strSaveFile in UTF-8. True when the whole body announced
  // by Content-Length was saved, or when StopDownLoad ended the transfer.
  // False at once, without events, while another call runs on this object.
  bool DownLoadFile(const std::string& strURLFile, const std::string& strSaveFile, bool bHidden, bool bRaiseEvent);
  void StopDownLoad() { loop_.Stop(); }

  // For this object's later calls: a connection not open within `connect`,
  // no byte for `stall`, or a call not over by `total`, fails the download.
  void SetTimeouts(const DownloadTimeouts& timeouts) { timeouts_ = timeouts; }
  const DownloadTimeouts& Timeouts() const { return timeouts_; }
  // For this object's later calls: the Content-Lengths they take.
  void SetLimits(const DownloadLimits& limits) { limits_ = limits; }

  bool Downloading() const { return loop_.Running(); }
  std::uint64_t ReceivedBytes() const { return loop_.Received(); }
  DownloadFailure LastFailure() const { return loop_.LastFailure(); }

 private:
  DownloadLoop loop_;
  DownloadEvents events_;
  DownloadTimeouts timeouts_;
  DownloadLimits limits_;
};

}  // namespace vorn2
