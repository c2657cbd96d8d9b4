#include "mainwindow/win/CLumNotifyIcon.h"

#include <algorithm>
#include <utility>

namespace vorn2 {
namespace {

template <std::size_t N>
void SetField(WCHAR (&field)[N], const std::string& text) {
  static_assert(sizeof(WCHAR) == sizeof(char16_t));
  const std::u16string filled = FillTrayField(text, N);
  std::copy(filled.begin(), filled.end(), field);
}

}  // namespace

CLumNotifyIcon::CLumNotifyIcon(ShellNotify shellNotify) : shellNotify_(std::move(shellNotify)) {
  if (!shellNotify_) {
    shellNotify_ = [](DWORD message, NOTIFYICONDATAW* data) { return Shell_NotifyIconW(message, data); };
  }
}

CLumNotifyIcon::~CLumNotifyIcon() {
  if (wanted_) DeleteNotifyIcon();
}

void CLumNotifyIcon::SetIconFields(HWND hWnd, HICON hIcon, const std::string& strTip) {
  record_.cbSize = NOTIFYICONDATAW_V2_SIZE;
  record_.hWnd = hWnd;
  record_.uID = kTrayIconId;
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  record_.uCallbackMessage = kTrayCallbackMessage;
  record_.hIcon = hIcon;
  SetField(record_.szTip, strTip);
}

bool CLumNotifyIcon::Send(DWORD message) { return shellNotify_(message, &record_) != FALSE; }

bool CLumNotifyIcon::AddNotifyIcon(HWND hWnd, HICON hIcon, const std::string& strTip) {
  SetIconFields(hWnd, hIcon, strTip);
  wanted_ = true;
  return Send(NIM_ADD);
}

bool CLumNotifyIcon::ModifyNotifyIcon(HWND hWnd, HICON hIcon, const std::string& strTip) {
  SetIconFields(hWnd, hIcon, strTip);
  return Send(NIM_MODIFY);
}

bool CLumNotifyIcon::ShowBubble(const std::string& strTitle, const std::string& strInfo, DWORD eInfoFlags) {
  SetField(record_.szInfoTitle, strTitle);
  SetField(record_.szInfo, strInfo);
  record_.dwInfoFlags = eInfoFlags;
  return Send(NIM_MODIFY);
}

bool CLumNotifyIcon::HideBubble() {
  SetField(record_.szInfoTitle, {});
  SetField(record_.szInfo, {});
  return Send(NIM_MODIFY);
}

bool CLumNotifyIcon::DeleteNotifyIcon() {
  wanted_ = false;
  return Send(NIM_DELETE);
}

bool CLumNotifyIcon::OnTaskbarCreated() {
  if (!wanted_) return false;
  SetField(record_.szInfoTitle, {});
  SetField(record_.szInfo, {});
  return Send(NIM_ADD);
}

UINT CLumNotifyIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

}  // namespace vorn2
