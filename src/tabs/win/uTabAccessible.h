// The tab strip as screen readers see it: a page-tab list whose children are
// the tabs, named by their captions, the selected one selected; each tab's
// close glyph is a push button child named "关闭" and the caption. A tab's
// default action selects it, the glyph's closes the tab: both are a click
// on the strip where a player would click, through the strip's own mouse
// handling. Changes are announced after each repaint of the tabs: a tab
// opened, closed, retitled, selected.
//
// Owned by the strip; the strip cuts it off when its window goes.
#pragma once

#include <windows.h>

#include <optional>

#include "framework/win/AccessibleObject.h"
#include "tabs/TabAccessibility.h"

namespace vorn2 {

class uTab;

class uTabAccessible {
 public:
  explicit uTabAccessible(uTab& strip);

  // WM_GETOBJECT of the strip's window.
  std::optional<LRESULT> Answer(WPARAM wParam, LPARAM lParam) { return root_.Answer(wParam, lParam); }
  // Tells listening clients what changed since the last look.
  void Announce();
  // The strip's window has gone.
  void Disconnect();

 private:
  uTab& strip_;
  AccessibleRoot root_;
  TabLook last_;
};

}  // namespace vorn2
