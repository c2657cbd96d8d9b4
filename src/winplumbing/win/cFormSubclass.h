// cFormSubclass: offers every message of a window to its owner first, with
// the message arguments by reference, then passes it on. Its owner
// (cSetStyle) watches a form it does not own, so a replaced procedure is
// the only way in.
//
// Always the Unicode flavour: every window of the program is a Unicode
// window, and an ANSI router would push captions through the system code
// page (WM_SETTEXT / WM_GETTEXT), garbling the Chinese ones.
// The object may be destroyed from inside a message of its own window: the
// router finishes that message first and frees itself afterwards.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/Notify.h"
#include "winplumbing/FormSubclassEngine.h"

namespace vorn2 {

// MsgCome: bBefore by value, everything else by reference. bHandled true in
// the before call answers the message with lReturn.
struct cFormSubclassEvents {
  std::function<void(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg, WPARAM& wParam,
                     LPARAM& lParam)>
      MsgCome;
};

class cFormSubclass {
 public:
  cFormSubclass();
  ~cFormSubclass();  // puts every window's procedure back
  cFormSubclass(const cFormSubclass&) = delete;
  cFormSubclass& operator=(const cFormSubclass&) = delete;

  // Subclasses the window with every message before its own procedure.
  // False only when the window cannot be subclassed.
  bool AddWindowMsgs(HWND hWnd);
  // Does nothing.
  bool DeleteWindowMsg(HWND hWnd);
  // Called by the router; raises MsgCome.
  void zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg, WPARAM& wParam,
                      LPARAM& lParam);

  cFormSubclassEvents& Events() { return events_; }

 private:
  cFormSubclassEvents events_;
  LifeToken life_;
  subclass::FormSubclassEngine engine_;
};

}  // namespace vorn2
