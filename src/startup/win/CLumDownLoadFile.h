// Downloads one URL to a file over WinINet on the calling thread, processing
// window messages between blocks so the windows stay responsive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "startup/DownloadLoop.h"

namespace vorn2 {

class CLumDownLoadFile {
 public:
  // Raised only when a call asks for events, in this order: once before the
  // file is created, after every block written, once at the end of the call.
  std::function<void(std::int32_t dwFileTotalLen)> QueryFileInfo;
  std::function<void(std::int32_t dwRecivedLen)> Loading;
  std::function<void()> Complete;

  // strURLFile and strSaveFile in UTF-8. True when the whole body announced
  // by Content-Length was saved, or when StopDownLoad ended the transfer.
  // False at once, without events, while another call runs on this object.
  bool DownLoadFile(const std::string& strURLFile, const std::string& strSaveFile, bool bHidden, bool bRaiseEvent);
  void StopDownLoad() { loop_.Stop(); }

  bool Downloading() const { return loop_.Running(); }
  std::uint64_t ReceivedBytes() const { return loop_.Received(); }

 private:
  DownloadLoop loop_;
};

}  // namespace vorn2
