// The system's web browser control (IWebBrowser2) hosted without ATL, seen
// by the forms as an IWebView.
//
// The COM side is a separate reference-counted site object: the control
// holds references to it (client site, in-place site, UI handler, event
// sink) that may outlive this object. Destroy() detaches the site at once,
// so no notification arrives afterwards, and releases the control in order;
// inside one of the control's own notifications the release waits until
// that notification has returned.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/win/IWebView.h"

struct IOleClientSite;
struct IWebBrowser2;

namespace vorn2 {

class WebBrowserHost final : public IWebView {
 public:
  WebBrowserHost();
  ~WebBrowserHost() override;

  bool Create(HWND parent, int x, int y, int width, int height) override;
  void Destroy() override;
  HWND hWnd() const override;
  void Move(int x, int y, int width, int height) override;
  WebViewEvents& Events() override { return events_; }

  void Navigate(const std::wstring& url) override;
  void Refresh() override;
  void SetSilent(bool silent) override;
  bool Silent() const override;
  std::wstring DocumentUrl() override;
  long RootInnerHtmlLength() override;
  bool SetRootOverflowHidden() override;

  void SetContextMenuEnabled(bool enabled) override;
  void SetScrollBars(bool shown) override;
  void SetBorder(bool shown) override;

  // The control and our site for it; nullptr before Create and after Destroy.
  IWebBrowser2* Browser() const;
  IOleClientSite* ClientSite() const;
  // Window the control put in place inside hWnd(), nullptr if none.
  HWND ControlWindow() const;

  // Site objects alive in the process (for leak checks).
  static long LiveSites();

  class Site;

 private:
  friend class Site;
  Site* site_ = nullptr;
  WebViewEvents events_;
  bool contextMenu_ = true;
  bool scrollBars_ = true;
  bool border_ = true;
};

// The product's browser: the real control.
std::unique_ptr<IWebView> CreateWebBrowser();

}  // namespace vorn2
