// One icon in the taskbar's notification area for a window: added, changed,
// given a balloon or none, and removed when the object goes.
//
// The object keeps one Unicode notification record (the Windows 2000 layout
// of NOTIFYICONDATAW) and sends the whole record on every operation; it keeps
// the values of the last one. Identifier kTrayIconId, callback message
// kTrayCallbackMessage (also for ModifyNotifyIcon, so that a change never
// moves the owner's mouse messages elsewhere), flags message + icon + tip +
// info. Text fields are filled by FillTrayField (TrayText.h).
//
// The icon handle is not owned: the owner keeps its icon alive while it is in
// the tray and destroys it after DeleteNotifyIcon (or this object) is done.
//
// Explorer forgets every tray icon when it restarts and then sends the
// registered TaskbarCreatedMessage() to every top-level window; the owner's
// window procedure calls OnTaskbarCreated() on it, which adds the icon again.
//
// Tests pass their own ShellNotify to see what would be sent; the program
// uses the default, the system's Shell_NotifyIconW.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>

#include "mainwindow/TrayText.h"

namespace vorn2 {

class CLumNotifyIcon {
 public:
  using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;

  explicit CLumNotifyIcon(ShellNotify shellNotify = {});
  // Removes the icon when it is in the tray.
  ~CLumNotifyIcon();
  CLumNotifyIcon(const CLumNotifyIcon&) = delete;
  CLumNotifyIcon& operator=(const CLumNotifyIcon&) = delete;

  // Each returns the system's answer (the program does not act on it).
  bool AddNotifyIcon(HWND hWnd, HICON hIcon, const std::string& strTip);
  bool ModifyNotifyIcon(HWND hWnd, HICON hIcon, const std::string& strTip);
  bool ShowBubble(const std::string& strTitle, const std::string& strInfo, DWORD eInfoFlags);
  bool HideBubble();
  bool DeleteNotifyIcon();

  // Adds the icon again after Explorer restarted, balloon texts emptied (an
  // old balloon must not pop up again); nothing when the icon was removed.
  bool OnTaskbarCreated();
  static UINT TaskbarCreatedMessage();

  const NOTIFYICONDATAW& Record() const { return record_; }

 private:
  void SetIconFields(HWND hWnd, HICON hIcon, const std::string& strTip);
  bool Send(DWORD message);

  ShellNotify shellNotify_;
  NOTIFYICONDATAW record_{};
  bool wanted_ = false;  // added and not deleted since (even when the shell refused)
};

}  // namespace vorn2
