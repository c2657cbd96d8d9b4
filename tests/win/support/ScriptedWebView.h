// An IWebView the tests drive by hand: it records what the form asks of it
// and raises the browser's notifications when the test says so. It has a
// real child window, so geometry can be checked as with the real control.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/win/IWebView.h"

namespace vorn2::test {

class ScriptedWebView : public IWebView {
 public:
  ScriptedWebView() = default;
  ~ScriptedWebView() override;

  bool Create(HWND parent, int x, int y, int width, int height) override;
  void Destroy() override;
  HWND hWnd() const override { return hwnd_; }
  void Move(int x, int y, int width, int height) override;
  WebViewEvents& Events() override { return events_; }

  // Like the real control: raises before-navigate (top level); unless
  // cancelled the address becomes the document URL and download-begin follows.
  void Navigate(const std::wstring& url) override;
  void Refresh() override { ++refreshCount; }
  void SetSilent(bool silent) override { silent_ = silent; }
  bool Silent() const override { return silent_; }
  std::wstring DocumentUrl() override { return documentUrl; }
  long RootInnerHtmlLength() override { return innerHtmlLength; }
  bool SetRootOverflowHidden() override {
    overflowHidden = true;
    return true;
  }
  void SetContextMenuEnabled(bool enabled) override { contextMenuEnabled = enabled; }
  void SetScrollBars(bool shown) override { scrollBars = shown; }
  void SetBorder(bool shown) override { border = shown; }

  // The notifications; nothing happens once destroyed. Returns the cancel flag.
  bool FireBeforeNavigate(const std::wstring& url, bool topLevel = true);
  void FireDownloadBegin();
  void FireDocumentComplete(const std::wstring& url, bool topLevel = true);
  void FireTitleChange(const std::wstring& title);

  bool created() const { return created_; }
  bool destroyed() const { return destroyed_; }

  // What the page looks like to the form.
  std::wstring documentUrl;
  long innerHtmlLength = 1200;
  // What the form did.
  std::vector<std::wstring> navigations;  // every Navigate() call
  std::vector<std::wstring> cancelled;    // addresses whose before-navigate was cancelled
  int refreshCount = 0;
  // Keyboard messages offered to the page: the key of each WM_KEYDOWN, -1
  // for other keyboard messages. claimKeys: the page takes them.
  std::vector<int> keysOffered;
  bool claimKeys = true;
  bool overflowHidden = false;
  bool contextMenuEnabled = true;
  bool scrollBars = true;
  bool border = true;

 private:
  WebViewEvents events_;
  HWND hwnd_ = nullptr;
  bool silent_ = false;
  bool created_ = false;
  bool destroyed_ = false;
};

}  // namespace vorn2::test
