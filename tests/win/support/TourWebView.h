// The page view of the tour build (vorn2-tour.exe, never shipped): where no
// HTML engine exists (Wine on these machines), it stands in for the browser
// control with the real devserver behind it. It fetches the page it is sent
// to with WinINet and reports what the control would report: before-navigate
// (so app:// addresses reach the windows the same way), download-begin,
// document-complete with the fetched document (its real length), and the
// page's <title> as a title change. It shows the page's title, address and
// text. On the login page it "clicks" the page's own loadgame link after a
// short pause, through the same before-navigate path.
//
// Environment (tour build and its tests only): VORN2_TOUR_CLICK_MS, the pause
// before the click (default 1500; 0: never click); VORN2_TOUR_FIRST_PAGE_MS,
// how long the process's first page takes (default 0); VORN2_TOUR_LOG, a file
// that gets one line per event ("navigate URL", "complete URL", "shown URL").
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/win/IWebView.h"

namespace vorn2::test {

class TourWebView : public IWebView {
 public:
  TourWebView() = default;
  ~TourWebView() override;

  bool Create(HWND parent, int x, int y, int width, int height) override;
  void Destroy() override;
  HWND hWnd() const override { return hwnd_; }
  void Move(int x, int y, int width, int height) override;
  WebViewEvents& Events() override { return events_; }

  void Navigate(const std::wstring& url) override;
  void Refresh() override;
  void SetSilent(bool silent) override { silent_ = silent; }
  bool Silent() const override { return silent_; }
  std::wstring DocumentUrl() override { return documentUrl_; }
  long RootInnerHtmlLength() override;
  bool SetRootOverflowHidden() override { return !html_.empty(); }
  void SetContextMenuEnabled(bool) override {}
  void SetScrollBars(bool) override {}
  void SetBorder(bool) override {}

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Load();
  void Paint(HDC dc);
  void Log(const std::string& line);

  WebViewEvents events_;
  HWND hwnd_ = nullptr;
  bool destroyed_ = false;
  bool silent_ = false;
  std::wstring pending_;      // address being fetched
  std::wstring documentUrl_;  // the document shown
  std::string html_;          // its bytes (UTF-8)
  std::wstring title_, text_;
  std::wstring loadGameLink_;  // the login page's app://loadgame|... address
};

std::unique_ptr<IWebView> CreateTourWebView();

}  // namespace vorn2::test
