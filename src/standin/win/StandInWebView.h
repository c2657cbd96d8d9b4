// The page view of vorn2-standin.exe, the demo client for machines without
// an HTML engine (Wine without its engine). It stands in for the browser
// control behind the same interface: it fetches each page over WinINet on a
// worker (PageFetch), and draws the page's title and text and every link as
// a line of its own (its text and address). A click on a link goes the way a
// browser's does: before-navigate first (so app:// addresses reach the
// login window's handler), then the next page in this view. It never runs
// scripts and follows nothing but a click (javascript:, vbscript:, data: and
// file: links are shown but do nothing); pages it cannot read (not HTML or
// text, over the size limit, neither UTF-8 nor GBK) are refused with a line.
//
// One step can be automatic, for a run without a display: the first page
// that shows an app://loadgame link follows it once, followStartMs after the
// page completed (the login pair has shown by then). The demo client takes
// that pause from the environment variable VORN2_STANDIN_FOLLOW_START_MS;
// the tour build sets its own (every such page, the first page held back)
// and reads what the view does through its log.
//
// Teardown: Destroy() cancels the fetch (no message comes after it) and
// destroys the window; it is safe inside the view's own notifications.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Notify.h"
#include "framework/win/IWebView.h"
#include "framework/win/Window.h"
#include "standin/PageReading.h"

namespace vorn2::standin {

class PageFetch;
struct FetchedPage;

struct StandInSettings {
  // The pause before a page's start link is followed; 0: never.
  unsigned followStartMs = 0;
  // Follow it on every page that shows it, not only on the process's first.
  bool followEveryStart = false;
  // How long the process's first page is held back before it is fetched.
  unsigned firstPageMs = 0;
  // What the view does: ("navigate", address) for every navigation asked
  // for, ("complete", address) for every document shown, ("painted",
  // address) for every paint of it.
  std::function<void(const char* what, const std::wstring& url)> log;
};

class StandInWebView final : public IWebView, private Window {
 public:
  explicit StandInWebView(StandInSettings settings = {});
  ~StandInWebView() override;

  bool Create(HWND parent, int x, int y, int width, int height) override;
  void Destroy() override;
  HWND hWnd() const override { return Window::hWnd(); }
  void Move(int x, int y, int width, int height) override;
  WebViewEvents& Events() override { return events_; }

  void Navigate(const std::wstring& url) override;
  void Refresh() override;
  void SetSilent(bool silent) override { silent_ = silent; }
  bool Silent() const override { return silent_; }
  std::wstring DocumentUrl() override { return documentUrl_; }
  long RootInnerHtmlLength() override { return page_.rootInnerLength; }
  bool SetRootOverflowHidden() override { return !documentUrl_.empty(); }
  void SetContextMenuEnabled(bool) override {}
  void SetScrollBars(bool) override {}
  void SetBorder(bool) override {}

  // Where the link to address is drawn, in client pixels; empty when it is
  // not on the screen. For the tests, which click there.
  RECT LinkBox(const std::wstring& address) const;
  // The line under the page's title: loading, or why a page was refused.
  const std::wstring& Notice() const { return notice_; }

 private:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Gone with its parent, not through Destroy(): nothing may be posted to it now.
  void OnWindowDestroyed() override { CancelFetch(); }
  void Load(const std::wstring& url);
  void StartFetch();
  void FollowStartLater();
  void Log(const char* what, const std::wstring& url) const;
  void Arrived(FetchedPage fetched);
  void Show(const std::wstring& url, ReadPage page, std::wstring notice);
  void Follow(std::size_t line);
  int LinkAt(POINT pt) const;
  void Layout();
  void ScrollBy(int pixels);
  void Paint(HDC dc);
  void CancelFetch();

  StandInSettings settings_;
  WebViewEvents events_;
  LifeToken life_;
  bool destroyed_ = false;
  bool silent_ = false;
  std::shared_ptr<PageFetch> fetch_;
  WPARAM fetchId_ = 0;
  std::wstring fetchUrl_;
  std::wstring documentUrl_;
  ReadPage page_;
  std::wstring notice_;
  std::vector<RECT> boxes_;  // one per line of page_, in page pixels (before scrolling)
  int top_ = 0;              // where the page's lines begin
  int scroll_ = 0;
  int contentHeight_ = 0;
  int pressed_ = -1;
  std::wstring followStart_;  // the app://loadgame address followed once, automatically
};

// The demo client's view: its settings from the environment.
std::unique_ptr<IWebView> CreateStandInWebView();
std::unique_ptr<IWebView> CreateStandInWebView(StandInSettings settings);

}  // namespace vorn2::standin
