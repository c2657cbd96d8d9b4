#include "startup/win/CLumDownLoadFile.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/Notify.h"
#include "framework/win/Handles.h"
#include "framework/win/MessageLoop.h"
#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

std::uint64_t Micros(LARGE_INTEGER start, LARGE_INTEGER end) {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return static_cast<std::uint64_t>((end.QuadPart - start.QuadPart) * 1000000 / frequency);
}

DWORD Milliseconds(std::chrono::milliseconds value) {
  return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(value.count(), 1, MAXDWORD));
}

class WinInetSession : public IDownloadSession {
 public:
  explicit WinInetSession(const DownloadTimeouts& timeouts) : timeouts_(timeouts) {}
  ~WinInetSession() override {
    CloseTarget();
    CloseUrl();
    CloseInternet();
  }

  bool OpenInternet() override {
    if (!net_) return false;
    // The system's proxy settings, no agent string.
    internet_.reset(net_->InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet_) return false;
    SetTimeouts(internet_.get());
    return true;
  }
  // The request made step by step rather than with InternetOpenUrl, so that
  // every handle carries the time-outs: Wine's connection and request
  // handles do not take them from the internet handle. Redirects are still
  // followed by the send.
  bool OpenUrl(const std::string& url) override {
    const std::wstring wide = W(url);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!net_->InternetCrackUrlW(wide.c_str(), 0, 0, &parts)) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.empty() || target[0] != L'/') target.insert(0, 1, L'/');
    connection_.reset(net_->InternetConnectW(internet_.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
    if (connection_) SetTimeouts(connection_.get());
    // Always from the server, never from the cache.
    DWORD flags = INTERNET_FLAG_RELOAD;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    if (connection_)
      request_.reset(
          net_->HttpOpenRequestW(connection_.get(), L"GET", target.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (request_) SetTimeouts(request_.get());
    if (request_ && SendWithinTimeouts()) return true;
    // The loop closes only what it was told is open.
    CloseUrl();
    return false;
  }
  bool QueryStatusCode(std::uint32_t& status) override {
    DWORD code = 0, size = sizeof(code);
    if (!net_->HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
      return false;
    status = code;
    return true;
  }
  bool QueryContentLength(std::uint64_t& length) override {
    // As text: the numeric form is 32-bit.
    wchar_t text[64] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (!net_->HttpQueryInfoW(request_.get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
    auto value = ParseContentLength(U8(std::wstring(text, size / sizeof(wchar_t))));
    if (!value) return false;
    length = *value;
    return true;
  }
  bool CreateTarget(const std::string& path, bool hidden) override {
    file_.reset(CreateFileW(W(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file_);
  }
  // Hands out the body from a read-ahead buffer filled by network reads of
  // the size ReadAheadSize chooses.
  bool Read(unsigned char* buffer, std::uint32_t size, std::uint32_t& received) override {
    received = 0;
    if (aheadPos_ == aheadEnd_) {
      const std::uint32_t want = aheadSize_.Next();
      if (ahead_.size() < want) ahead_.resize(want);
      DWORD got = 0;
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      const BOOL ok = net_->InternetReadFile(request_.get(), ahead_.data(), want, &got);
      QueryPerformanceCounter(&end);
      if (!ok) return false;
      aheadSize_.Done(want, got, Micros(start, end));
      aheadPos_ = 0;
      aheadEnd_ = got;
    }
    received = std::min(size, aheadEnd_ - aheadPos_);
    std::memcpy(buffer, ahead_.data() + aheadPos_, received);
    aheadPos_ += received;
    return true;
  }
  bool Write(const unsigned char* data, std::uint32_t size) override {
    DWORD written = 0;
    return WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
  }
  void CloseTarget() override { file_.reset(); }
  void CloseUrl() override {
    request_.reset();
    connection_.reset();
  }
  void CloseInternet() override { internet_.reset(); }
  void PumpPendingMessages() override { vorn2::PumpPendingMessages(); }

 private:
  // Connecting, sending and waiting for the answer's headers, given up after
  // the two time-outs together. Wine (like some Windows versions) ignores the
  // connect time-out and waits for the system's, minutes. So the send runs
  // on a helper that is left behind when it takes too long: closing the
  // request (CloseUrl) ends its call on Windows, and elsewhere the call ends
  // on its own later, touching nothing of this session's.
  bool SendWithinTimeouts() {
    struct Call {
      std::atomic<bool> sent{false};
      UniqueKernelHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    auto call = std::make_shared<Call>();
    std::thread helper;
    if (call->done) {
      try {
        helper = std::thread([call, net = net_, request = request_.get()] {
          call->sent = net->HttpSendRequestW(request, nullptr, 0, nullptr, 0) != FALSE;
          SetEvent(call->done.get());
        });
      } catch (const std::system_error&) {
        // No helper: the send below waits as long as the system lets it.
      }
    }
    if (!helper.joinable()) return net_->HttpSendRequestW(request_.get(), nullptr, 0, nullptr, 0) != FALSE;
    const DWORD limit = Milliseconds(timeouts_.connect + timeouts_.stall);
    if (WaitForSingleObject(call->done.get(), limit) != WAIT_OBJECT_0) {
      helper.detach();
      return false;
    }
    // Joined, the helper has let go of its share of the call (the event)
    // before the download goes on; only a late helper outlives it.
    helper.join();
    return call->sent;
  }

  // Without these the system's defaults decide, and a server that takes the
  // request and never answers holds the call for minutes.
  void SetTimeouts(HINTERNET handle) {
    auto set = [&](DWORD option, DWORD value) { net_->InternetSetOptionW(handle, option, &value, sizeof(value)); };
    set(INTERNET_OPTION_CONNECT_TIMEOUT, Milliseconds(timeouts_.connect));
    set(INTERNET_OPTION_CONNECT_RETRIES, 1);
    set(INTERNET_OPTION_SEND_TIMEOUT, Milliseconds(timeouts_.stall));
    set(INTERNET_OPTION_RECEIVE_TIMEOUT, Milliseconds(timeouts_.stall));
  }

  DownloadTimeouts timeouts_;
  const WinInetFunctions* net_ = WinInet();
  UniqueInternet internet_;
  UniqueInternet connection_;
  UniqueInternet request_;
  UniqueFile file_;
  std::vector<unsigned char> ahead_;
  std::uint32_t aheadPos_ = 0, aheadEnd_ = 0;
  ReadAheadSize aheadSize_;
};

}  // namespace

bool CLumDownLoadFile::DownLoadFile(const std::string& strURLFile, const std::string& strSaveFile, bool bHidden,
                                    bool bRaiseEvent) {
  if (loop_.Running()) return false;
  // The handlers may be replaced while the transfer runs; each event reads
  // the current one.
  DownloadEvents events;
  events.QueryFileInfo = [this](std::int32_t n) {
    Raise(events_.QueryFileInfo, n);
  };
  events.Loading = [this](std::int32_t n) {
    Raise(events_.Loading, n);
  };
  events.Complete = [this] {
    Raise(events_.Complete);
  };
  WinInetSession session(timeouts_);
  return loop_.Run(session, strURLFile, strSaveFile, bHidden, bRaiseEvent, events);
}

}  // namespace vorn2
