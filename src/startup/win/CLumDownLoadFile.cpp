#include "startup/win/CLumDownLoadFile.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "framework/Notify.h"
#include "framework/win/Handles.h"
#include "framework/win/MessageLoop.h"
#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"
#include "startup/win/InternetHelper.h"

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

ULONGLONG Earlier(ULONGLONG a, ULONGLONG b) { return a == 0 ? b : b == 0 ? a : std::min(a, b); }

// What an error of the send says about the address.
std::optional<DownloadFailure> CauseOf(DWORD error, bool secure) {
  switch (error) {
    case ERROR_INTERNET_TIMEOUT:
      return DownloadFailure::TimedOut;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
      return DownloadFailure::NoConnection;
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
      return DownloadFailure::SecureConnection;
    default:
      // Anything else that ends an https request before its answer (the
      // server reached dropped the handshake) is the secure channel's.
      if (secure) return DownloadFailure::SecureConnection;
      return std::nullopt;
  }
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
    if (timeouts_.total.count() > 0) deadline_ = GetTickCount64() + Milliseconds(timeouts_.total);
    // The system's proxy settings, no agent string.
    internet_.reset(net_->InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!internet_) return false;
    SetTimeouts(internet_.get());
    return true;
  }
  // The request made step by step rather than with InternetOpenUrl, so that
  // every handle carries the time-outs: Wine's connection and request
  // handles do not take them from the internet handle. Redirects are left
  // to the loop: Wine follows a loop of them for ever.
  bool OpenUrl(const std::string& url) override {
    cause_.reset();
    if (abandoned_) return false;
    const std::wstring wide = W(url);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!net_->InternetCrackUrlW(wide.c_str(), 0, 0, &parts)) return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
    secure_ = parts.nScheme == INTERNET_SCHEME_HTTPS;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring target = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.empty() || target[0] != L'/') target.insert(0, 1, L'/');
    connection_.reset(net_->InternetConnectW(internet_.get(), host.c_str(), parts.nPort, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
    if (connection_) SetTimeouts(connection_.get());
    // Always from the server, never from the cache.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (secure_) flags |= INTERNET_FLAG_SECURE;
    if (connection_)
      request_.reset(
          net_->HttpOpenRequestW(connection_.get(), L"GET", target.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (request_) SetTimeouts(request_.get());
    length_ = taken_ = 0;
    ahead_.clear();
    aheadPos_ = 0;
    if (request_ && Send()) return true;
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
    length = length_ = *value;
    return true;
  }
  bool QueryLocation(std::string& location) override {
    wchar_t text[2048] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (!net_->HttpQueryInfoW(request_.get(), HTTP_QUERY_LOCATION, text, &size, nullptr)) return false;
    location = U8(std::wstring(text, size / sizeof(wchar_t)));
    return true;
  }
  bool CreateTarget(const std::string& path, bool hidden) override {
    file_.reset(CreateFileW(W(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file_);
  }
  // Hands out the body in the blocks the loop asks for, from a read-ahead
  // buffer filled by network reads of the size ReadAheadSize chooses, never
  // past the announced length.
  bool Read(unsigned char* buffer, std::uint32_t size, std::uint32_t& received) override {
    received = 0;
    if (ahead_.size() - aheadPos_ < size) {
      ahead_.erase(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(aheadPos_));
      aheadPos_ = 0;
    }
    while (ahead_.size() < size && taken_ < length_) {
      const auto want = static_cast<DWORD>(std::min<std::uint64_t>(aheadSize_.Next(), length_ - taken_));
      InternetHelper::Result result;
      if (!ReadFromNetwork(want, result)) return false;
      if (result.count == 0) break;  // the body ended
      aheadSize_.Done(want, result.count, result.micros);
      const unsigned char* got = helper_.Buffer().data();
      ahead_.insert(ahead_.end(), got, got + result.count);
      taken_ += result.count;
    }
    received = static_cast<std::uint32_t>(std::min<std::size_t>(size, ahead_.size() - aheadPos_));
    std::memcpy(buffer, ahead_.data() + aheadPos_, received);
    aheadPos_ += received;
    return true;
  }
  bool Write(const unsigned char* data, std::uint32_t size) override {
    DWORD written = 0;
    return WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
  }
  void CloseTarget() override { file_.reset(); }
  // Closing a request whose body was left unread may read that body to its
  // end first (Wine does, to keep the connection for another request, and a
  // hostile server sends gigabytes): such a close goes to the helper, and
  // the download does not wait for it.
  void CloseUrl() override {
    if (request_ && !(length_ > 0 && taken_ == length_)) CloseOnHelper(request_.detach(), connection_.detach());
    request_.reset();
    connection_.reset();
  }
  void CloseInternet() override {
    // After the requests handed to the helper, never before them.
    if (closingOnHelper_) CloseOnHelper(internet_.detach(), nullptr);
    internet_.reset();
  }
  void PumpPendingMessages() override { vorn2::PumpPendingMessages(); }
  void Abandon() override { abandoned_ = true; }
  std::optional<DownloadFailure> FailureCause() const override { return cause_; }

 private:
  // Connecting, sending and waiting for the answer's headers, given up after
  // the two time-outs together: Wine (like some Windows versions) ignores
  // the connect time-out and waits for the system's, minutes.
  bool Send() {
    const HINTERNET request = request_.get();
    InternetHelper::Result result;
    const ULONGLONG limit =
        Earlier(deadline_, GetTickCount64() + Milliseconds(timeouts_.connect) + Milliseconds(timeouts_.stall));
    if (!Call(
            [net = net_, request](std::vector<unsigned char>&) {
              InternetHelper::Result r;
              r.ok = net->HttpSendRequestW(request, nullptr, 0, nullptr, 0) != FALSE;
              if (!r.ok) r.error = GetLastError();
              return r;
            },
            limit, result))
      return false;
    if (!result.ok) cause_ = CauseOf(result.error, secure_);
    return result.ok;
  }

  // One network read on the helper. Until reads have come back whole at
  // once, only what has arrived is read: a read waits until its buffer is
  // full, and a call given up on must end at the next byte, not hours later
  // when a trickling server has filled it.
  bool ReadFromNetwork(DWORD want, InternetHelper::Result& result) {
    const bool waitForWhole = aheadSize_.Next() > ReadAheadSize::kMin;
    const HINTERNET request = request_.get();
    if (!Call(
            [net = net_, request, want, waitForWhole](std::vector<unsigned char>& into) {
              InternetHelper::Result r;
              if (into.size() < want) into.resize(want);
              LARGE_INTEGER start, end;
              QueryPerformanceCounter(&start);
              DWORD ask = want;
              if (!waitForWhole) {
                DWORD available = 0;
                if (!net->InternetQueryDataAvailable(request, &available, 0, 0)) {
                  r.error = GetLastError();
                  return r;
                }
                ask = std::min(ask, available);  // none: the end of the body
              }
              r.ok = ask == 0 || net->InternetReadFile(request, into.data(), ask, &r.count);
              if (!r.ok) r.error = GetLastError();
              QueryPerformanceCounter(&end);
              r.micros = Micros(start, end);
              return r;
            },
            deadline_, result))
      return false;
    if (result.ok) return true;
    if (result.error == ERROR_INTERNET_TIMEOUT) cause_ = DownloadFailure::TimedOut;
    return false;
  }

  // One blocking call on the helper. A call not waited for to its end is
  // closed: on Windows that ends it, elsewhere it ends at its own time-out
  // with nothing of this session's left to touch, and no request follows.
  bool Call(InternetHelper::Call call, ULONGLONG limit, InternetHelper::Result& result) {
    switch (helper_.Run(std::move(call), limit, abandoned_, result)) {
      case InternetHelper::Wait::Done:
        return true;
      case InternetHelper::Wait::TimedOut:
        cause_ = DownloadFailure::TimedOut;
        break;
      case InternetHelper::Wait::Abandoned:
        break;
    }
    abandoned_ = true;
    CloseUrl();
    return false;
  }

  void CloseOnHelper(HINTERNET first, HINTERNET second) {
    auto close = [net = net_, first, second] {
      if (first) net->InternetCloseHandle(first);
      if (second) net->InternetCloseHandle(second);
    };
    if (helper_.Post(close)) closingOnHelper_ = true;
    else close();
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
  ULONGLONG deadline_ = 0;  // tick count; 0 for none
  const WinInetFunctions* net_ = WinInet();
  InternetHelper helper_;
  bool abandoned_ = false;
  bool closingOnHelper_ = false;
  bool secure_ = false;
  std::optional<DownloadFailure> cause_;
  UniqueInternet internet_;
  UniqueInternet connection_;
  UniqueInternet request_;
  UniqueFile file_;
  std::uint64_t length_ = 0, taken_ = 0;  // the announced body, and what the network gave of it
  std::vector<unsigned char> ahead_;
  std::size_t aheadPos_ = 0;
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
  return loop_.Run(session, strURLFile, strSaveFile, bHidden, bRaiseEvent, events, limits_);
}

}  // namespace vorn2
