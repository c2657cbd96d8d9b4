#include "startup/win/CLumDownLoadFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/Notify.h"
#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"
#include "framework/win/Window.h"

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

class WinInetSession : public IDownloadSession {
 public:
  ~WinInetSession() override {
    CloseTarget();
    CloseUrl();
    CloseInternet();
  }

  bool OpenInternet() override {
    if (!net_) return false;
    // The system's proxy settings, no agent string.
    internet_ = net_->InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    return internet_ != nullptr;
  }
  bool OpenUrl(const std::string& url) override {
    // Always from the server, never from the cache.
    request_ = net_->InternetOpenUrlW(internet_, W(url).c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    return request_ != nullptr;
  }
  bool QueryStatusCode(std::uint32_t& status) override {
    DWORD code = 0, size = sizeof(code);
    if (!net_->HttpQueryInfoW(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
      return false;
    status = code;
    return true;
  }
  bool QueryContentLength(std::uint64_t& length) override {
    // As text: the numeric form is 32-bit.
    wchar_t text[64] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (!net_->HttpQueryInfoW(request_, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return false;
    auto value = ParseContentLength(U8(std::wstring(text, size / sizeof(wchar_t))));
    if (!value) return false;
    length = *value;
    return true;
  }
  bool CreateTarget(const std::string& path, bool hidden) override {
    file_ = CreateFileW(W(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
      file_ = nullptr;
      return false;
    }
    return true;
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
      const BOOL ok = net_->InternetReadFile(request_, ahead_.data(), want, &got);
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
    return WriteFile(file_, data, size, &written, nullptr) && written == size;
  }
  void CloseTarget() override {
    if (file_) CloseHandle(file_);
    file_ = nullptr;
  }
  void CloseUrl() override {
    if (request_) net_->InternetCloseHandle(request_);
    request_ = nullptr;
  }
  void CloseInternet() override {
    if (internet_) net_->InternetCloseHandle(internet_);
    internet_ = nullptr;
  }
  void PumpPendingMessages() override { vorn2::PumpPendingMessages(); }

 private:
  const WinInetFunctions* net_ = WinInet();
  HINTERNET internet_ = nullptr;
  HINTERNET request_ = nullptr;
  HANDLE file_ = nullptr;
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
  WinInetSession session;
  return loop_.Run(session, strURLFile, strSaveFile, bHidden, bRaiseEvent, events);
}

}  // namespace vorn2
