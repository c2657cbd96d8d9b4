// A popup menu (never shown as a menu bar) that owns its menu handle. Items
// are identified by command ids; a chosen item reaches the owner window as
// WM_COMMAND (Form::OnCommand).
//
// Opening follows the rule for menus opened from a tray icon too: the owner
// is made the foreground window first, so that the menu closes when the user
// clicks elsewhere, and a WM_NULL is posted to it afterwards, so that a
// second opening works at once.
#pragma once

#include <windows.h>

#include <string>

#include "framework/win/Handles.h"

namespace vorn2 {

class PopupMenu {
 public:
  PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  // Appends an item (UTF-8 caption); "-" appends a separator.
  void AddItem(int id, const std::string& caption);
  // Removes every item.
  void Clear();
  void SetCaption(int id, const std::string& caption);
  std::string Caption(int id) const;
  int Count() const;
  // The id of the item at a position, -1 for a separator or none.
  int IdAt(int position) const;
  HMENU Handle() const { return menu_.get(); }

  // Shows the menu at the mouse position for owner and returns once it has
  // closed; the choice arrives as WM_COMMAND. False when it could not open.
  bool Popup(HWND owner) const;

 private:
  UniqueMenu menu_;
};

}  // namespace vorn2
