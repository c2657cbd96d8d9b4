// CSubclass: watches and rewrites the messages of windows of this process.
// Replacing the procedure is the point: an owner watches windows that are
// not its own (the tab strip, its host's container), where it has no
// WndProc to put a case in. For the owner's own window, use its WndProc.
//
// How an owner subscribes:
//   1. Implement ISubclassOwner (its WindowProc is the one notification).
//   2. Bind the owner when constructing the CSubclass (or later with SetOwner):
//        - std::weak_ptr<ISubclassOwner> when the owner lives in a shared_ptr, or
//        - a raw ISubclassOwner* plus the owner's LifeToken (framework/Notify.h),
//          which the owner ends before it goes away, e.g.
//            LifeToken life_;
//            subclass_.SetOwner(this, life_.Weak());   ...   ~Owner() { life_.End(); }
//      An expired owner is never called again: its windows fall back to their
//      previous procedures ("owner gone").
//   3. ssc_Subclass(hWnd, ...) each window, ssc_AddMsg the messages wanted
//      (ALL_MESSAGES for every message; When 1 before, 2 after, 3 both).
//   4. On mouse moves call TrackMouseTracking when WM_MOUSELEAVE is wanted.
//   5. ssc_UnSubclass, or destroy the CSubclass (runs ssc_Terminate).
//
// Every window shares one router procedure (per A/W flavour); no code is
// generated at run time. Failures are written to the application event log
// (source "Vornhold 2") as "CSubclass.<routine>: <message>" and never thrown.
// UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "winplumbing/SubclassEngine.h"

namespace vorn2 {

class ISubclassOwner {
 public:
  virtual ~ISubclassOwner() = default;
  // bBefore: true before the previous procedure runs, false after it.
  // bHandled (before call only): set true to answer the message yourself.
  // lReturn: 0 in the before call, the previous procedure's result in the
  //   after call; what is left here is what the window procedure returns.
  // lParamUser: the window's stored value; changes persist.
  virtual void WindowProc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam,
                          LPARAM lParam, LONG_PTR& lParamUser) = 0;
};

class CSubclass {
 public:
  static constexpr int MSG_ENTRIES = subclass::MSG_ENTRIES;
  static constexpr int ALL_MESSAGES = subclass::ALL_MESSAGES;
  // When flags of ssc_AddMsg / ssc_DelMsg.
  static constexpr int MSG_BEFORE = 1;
  static constexpr int MSG_AFTER = 2;
  static constexpr int MSG_BEFORE_AND_AFTER = 3;

  CSubclass();
  explicit CSubclass(std::weak_ptr<ISubclassOwner> owner);
  CSubclass(ISubclassOwner* owner, std::weak_ptr<const void> ownerAlive);
  ~CSubclass();  // ssc_Terminate
  CSubclass(const CSubclass&) = delete;
  CSubclass& operator=(const CSubclass&) = delete;

  void SetOwner(std::weak_ptr<ISubclassOwner> owner);
  void SetOwner(ISubclassOwner* owner, std::weak_ptr<const void> ownerAlive);

  // True when the window is now subclassed. bUnicode in/out: pass true to get
  // the window's own flavour (IsWindowUnicode; written back), false for ANSI.
  bool ssc_Subclass(HWND hWnd, LONG_PTR lParamUser, int nOrdinal, bool bIdeSafety, bool& bUnicode,
                    bool bIsAPIwindow);
  // The common call: ANSI flavour, not an API window.
  bool ssc_Subclass(HWND hWnd, LONG_PTR lParamUser = 0, int nOrdinal = 1, bool bIdeSafety = true);
  void ssc_UnSubclass(HWND hWnd);
  void ssc_Terminate();
  void ssc_AddMsg(HWND hWnd, int uMsg, int When = MSG_AFTER);
  // Elements that are not 8-, 16- or 32-bit integers are skipped; -1 = all.
  void ssc_DelMsg(HWND hWnd, int When, std::initializer_list<subclass::MsgListItem> Messages);
  LRESULT ssc_CallOrigWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void zSet_lParamUser(HWND hWnd_Hook_ID, LONG_PTR NewValue);
  LONG_PTR zGet_lParamUser(HWND hWnd_Hook_ID);
  // Asks for one WM_MOUSELEAVE for the window.
  void TrackMouseTracking(HWND hWnd);

 private:
  void BindEngine();

  subclass::SubclassEngine engine_;
  std::weak_ptr<ISubclassOwner> sharedOwner_;
  ISubclassOwner* rawOwner_ = nullptr;
  std::weak_ptr<const void> ownerAlive_;
  bool userTrackMouseEvent_ = false;
};

}  // namespace vorn2
