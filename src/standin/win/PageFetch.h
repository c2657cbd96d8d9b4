// One page fetched over WinINet on a worker thread of its own, so that a slow
// or stalled server never holds up the window thread. The worker posts one
// message to the window when the bytes are in; the window then takes the
// result. Cancel() (a newer navigation, the view going) makes sure no
// message is posted afterwards; a worker still inside WinINet finishes on
// its own (its time-outs bound it) and drops what it read. The result lives
// in this shared object, never in the message, so a message dropped with
// its window loses nothing.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace vorn2::standin {

struct FetchedPage {
  bool ok = false;         // a response came (of any status)
  DWORD error = 0;         // the WinINet error when not
  DWORD status = 0;        // HTTP status; 0 for other schemes
  std::string contentType;
  std::string bytes;       // at most the page limit
  bool overLimit = false;  // more bytes were on offer than the limit
};

class PageFetch {
 public:
  // Starts the worker; message with wParam = id goes to window when done.
  static std::shared_ptr<PageFetch> Start(const std::wstring& url, HWND window, UINT message, WPARAM id);

  void Cancel();
  // The result once the message arrived; false before (or when taken).
  bool Take(FetchedPage& out);

 private:
  PageFetch(HWND window, UINT message, WPARAM id) : window_(window), message_(message), id_(id) {}
  void Run(const std::wstring& url);
  FetchedPage Fetch(const std::wstring& url);

  const HWND window_;
  const UINT message_;
  const WPARAM id_;
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  bool done_ = false;
  FetchedPage result_;
};

}  // namespace vorn2::standin
