// The narrow view of a web browser control that the forms use. The product
// hosts the system's IWebBrowser2 (WebBrowserHost.h); tests drive a scripted
// implementation of the same interface.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace vorn2 {

// Browser notifications, raised synchronously on the UI thread. A handler
// may destroy the view (or its window): nothing is raised after Destroy().
struct WebViewEvents {
  // Before any navigation, also of frames; set cancel to stop it.
  std::function<void(const std::wstring& url, bool topLevel, bool& cancel)> beforeNavigate;
  std::function<void()> downloadBegin;
  // A document finished; topLevel is false for a frame's document.
  std::function<void(const std::wstring& url, bool topLevel)> documentComplete;
  std::function<void(const std::wstring& title)> titleChange;
};

class IWebView {
 public:
  virtual ~IWebView() = default;

  // Creates the control as a child of parent at the given pixel rectangle.
  virtual bool Create(HWND parent, int x, int y, int width, int height) = 0;
  // Releases the control; safe inside one of its own notifications (deleting
  // the object there is not: its handlers are still running).
  virtual void Destroy() = 0;
  // The child window that holds the control (nullptr before Create).
  virtual HWND hWnd() const = 0;
  virtual void Move(int x, int y, int width, int height) = 0;

  virtual WebViewEvents& Events() = 0;

  virtual void Navigate(const std::wstring& url) = 0;
  virtual void Refresh() = 0;
  // Silent: no script-error or other dialogs of the browser.
  virtual void SetSilent(bool silent) = 0;
  virtual bool Silent() const = 0;
  // URL of the current top-level document; empty without one.
  virtual std::wstring DocumentUrl() = 0;
  // Characters of the root element's inner HTML; 0 without a document or root.
  virtual long RootInnerHtmlLength() = 0;
  // style.overflow = "hidden" on the root element; false without one.
  virtual bool SetRootOverflowHidden() = 0;

  // Host options read by the control when a document is set up.
  virtual void SetContextMenuEnabled(bool enabled) = 0;
  virtual void SetScrollBars(bool shown) = 0;
  virtual void SetBorder(bool shown) = 0;
};

}  // namespace vorn2
