// cSetStyle: lets the user resize a borderless top-level window by its edges
// (rubber band on the screen, one move at the release), toggles it between
// its own bounds and the work area, and reports the system close command and
// setting changes.
//
// Host: set objForm, call SetWindowStyle with the form's window during load,
// release the object at unload (which puts the window procedure back). The
// object may be released from inside one of its notifications.
//
// It sees the form's messages through cFormSubclass, in front of every
// procedure of the window: the window is the host's, not this object's.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/Notify.h"
#include "framework/win/Form.h"
#include "framework/win/Handles.h"
#include "winplumbing/SetStyleCore.h"
#include "winplumbing/win/cFormSubclass.h"

namespace vorn2 {

struct cSetStyleEvents {
  std::function<void()> CloseClick;
  std::function<void()> SettingChange;
  std::function<void(int theMouseStyle)> MouseSize;
};

class cSetStyle {
 public:
  cSetStyle();
  ~cSetStyle();
  cSetStyle(const cSetStyle&) = delete;
  cSetStyle& operator=(const cSetStyle&) = delete;

  Form* objForm() const { return form_; }
  void objForm(Form* form) { form_ = form; }

  // Style exactly WS_SYSMENU | WS_MINIMIZEBOX (kept visible if it was), then
  // every message of the window passes through objSubclass.
  void SetWindowStyle(HWND hWnd);
  // True when the window now fills the work area.
  bool CallWindowStateChange();
  // Fills the work area again when the window fills it (its dpi changed).
  void RefillIfFilled() { core_.RefillIfFilled(); }
  void ScaleSaved(int fromDpi, int toDpi) { core_.ScaleSaved(fromDpi, toDpi); }

  cSetStyleEvents& Events() { return events_; }

  cFormSubclass& objSubclass() { return *objSubclass_; }
  // State for tests.
  bool Filled() const { return core_.Filled(); }
  bool Dragging() const { return core_.Dragging(); }
  int Zone() const { return core_.Zone(); }
  // The form pointer code last applied (6 NE-SW, 7 N-S, 8 NW-SE, 9 W-E, 1 arrow).
  int MousePointer() const { return pointer_; }

 private:
  class Host;
  HWND Target() const;
  void OnMsg(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  Form* form_ = nullptr;
  HWND hWnd_ = nullptr;
  WindowDC screenDC_;  // held while the rubber band is on the screen
  int pointer_ = 1;
  cSetStyleEvents events_;
  LifeToken life_;
  std::unique_ptr<Host> host_;
  setstyle::SetStyleCore core_;
  std::unique_ptr<cFormSubclass> objSubclass_;
};

}  // namespace vorn2
