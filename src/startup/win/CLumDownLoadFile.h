// Downloads one URL to a file over WinINet on the calling thread, processing
// window messages between blocks so the windows stay responsive.
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
  // or no byte for `stall`, fails the download.
  void SetTimeouts(const DownloadTimeouts& timeouts) { timeouts_ = timeouts; }
  const DownloadTimeouts& Timeouts() const { return timeouts_; }

  bool Downloading() const { return loop_.Running(); }
  std::uint64_t ReceivedBytes() const { return loop_.Received(); }

 private:
  DownloadLoop loop_;
  DownloadEvents events_;
  DownloadTimeouts timeouts_;
};

}  // namespace vorn2
