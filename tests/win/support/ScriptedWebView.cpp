#include "win/support/ScriptedWebView.h"

#include "framework/Notify.h"
#include "framework/win/MessageLoop.h"

namespace vorn2::test {

ScriptedWebView::~ScriptedWebView() { Destroy(); }

bool ScriptedWebView::Create(HWND parent, int x, int y, int width, int height) {
  if (created_) return hwnd_ != nullptr;
  created_ = true;
  hwnd_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  // Like the real control: keyboard messages inside it are offered first.
  if (hwnd_) {
    SetKeyFilter(hwnd_, [this](MSG& msg) {
      keysOffered.push_back(msg.message == WM_KEYDOWN ? static_cast<int>(msg.wParam) : -1);
      return claimKeys;
    });
  }
  return hwnd_ != nullptr;
}

void ScriptedWebView::Destroy() {
  if (destroyed_ || !created_) return;
  destroyed_ = true;
  if (hwnd_) SetKeyFilter(hwnd_, {});
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void ScriptedWebView::Move(int x, int y, int width, int height) {
  if (hwnd_) MoveWindow(hwnd_, x, y, width, height, TRUE);
}

void ScriptedWebView::Navigate(const std::wstring& url) {
  navigations.push_back(url);
  if (FireBeforeNavigate(url) || destroyed_) return;
  documentUrl = url;
  FireDownloadBegin();
}

bool ScriptedWebView::FireBeforeNavigate(const std::wstring& url, bool topLevel) {
  bool cancel = false;
  if (destroyed_) return cancel;
  Raise(events_.beforeNavigate, url, topLevel, cancel);
  if (cancel) cancelled.push_back(url);
  return cancel;
}

void ScriptedWebView::FireDownloadBegin() {
  if (!destroyed_) Raise(events_.downloadBegin);
}

void ScriptedWebView::FireDocumentComplete(const std::wstring& url, bool topLevel) {
  if (!destroyed_) Raise(events_.documentComplete, url, topLevel);
}

void ScriptedWebView::FireTitleChange(const std::wstring& title) {
  if (!destroyed_) Raise(events_.titleChange, title);
}

}  // namespace vorn2::test
