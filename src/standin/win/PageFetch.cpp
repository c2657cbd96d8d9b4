#include "standin/win/PageFetch.h"

#include <wininet.h>

#include <thread>
#include <utility>

#include "framework/win/Handles.h"
#include "standin/PageReading.h"

namespace vorn2::standin {
namespace {

std::string QueryText(HINTERNET request, DWORD what) {
  wchar_t buffer[512];
  DWORD size = sizeof(buffer);
  DWORD index = 0;
  if (!HttpQueryInfoW(request, what, buffer, &size, &index)) return {};
  std::string text;
  for (DWORD i = 0; i < size / sizeof(wchar_t); ++i) text += buffer[i] < 0x80 ? static_cast<char>(buffer[i]) : '?';
  return text;
}

}  // namespace

std::shared_ptr<PageFetch> PageFetch::Start(const std::wstring& url, HWND window, UINT message, WPARAM id) {
  std::shared_ptr<PageFetch> fetch(new PageFetch(window, message, id));
  std::thread([fetch, url] { fetch->Run(url); }).detach();
  return fetch;
}

void PageFetch::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
}

bool PageFetch::Take(FetchedPage& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!done_) return false;
  done_ = false;
  out = std::move(result_);
  return true;
}

void PageFetch::Run(const std::wstring& url) {
  FetchedPage page = Fetch(url);
  std::lock_guard<std::mutex> lock(mutex_);
  if (cancelled_) return;
  result_ = std::move(page);
  done_ = true;
  PostMessageW(window_, message_, id_, 0);
}

// Returns with every handle of the fetch closed, so none is still open when
// the window hears that the page is there.
FetchedPage PageFetch::Fetch(const std::wstring& url) {
  FetchedPage page;
  // Direct: the demo's pages are on this machine, whatever proxy the system names.
  const UniqueInternet internet(InternetOpenW(L"vorn2-standin", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (internet.get()) {
    DWORD connect = 10000, receive = 30000;
    InternetSetOptionW(internet.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
    InternetSetOptionW(internet.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
    const UniqueInternet request(InternetOpenUrlW(
        internet.get(), url.c_str(), nullptr, 0,
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0));
    if (request.get()) {
      page.ok = true;
      page.contentType = QueryText(request.get(), HTTP_QUERY_CONTENT_TYPE);
      DWORD status = 0, size = sizeof(status), index = 0;
      if (HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index))
        page.status = status;
      char buffer[65536];
      DWORD got = 0;
      // A type that is no page is refused from its header alone: nothing to read.
      const bool pageType = page.contentType.empty() || KindOf(page.contentType, {}) != PageKind::Other;
      while (pageType && !cancelled_ && InternetReadFile(request.get(), buffer, sizeof(buffer), &got) && got > 0) {
        if (page.bytes.size() + got > kPageByteLimit) {
          page.overLimit = true;
          break;
        }
        page.bytes.append(buffer, got);
      }
    } else {
      page.error = GetLastError();
    }
  } else {
    page.error = GetLastError();
  }
  return page;
}

}  // namespace vorn2::standin
