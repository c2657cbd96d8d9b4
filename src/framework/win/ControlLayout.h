// A form's layout, declared once: a table of its child controls, each with
// its design rectangle (twips, in the form's client area) and the style it is
// created with. The form creates its controls from the table and applies the
// same table when its dpi changes, so a control added to the table is one
// line and no dpi change can miss it. The table refers to controls the form
// owns; it holds nothing itself.
#pragma once

#include <windows.h>

#include <span>

#include "framework/Twips.h"
#include "framework/win/Control.h"

namespace vorn2 {

struct ControlPlace {
  Control& control;
  TwipsRect design;
  DWORD style = WS_CHILD | WS_VISIBLE;
};

// Creates the controls in the table's order (each later one starts below the
// earlier ones), at the parent's factor. One that fails is left out, as a
// failed layout step is; the rest are still made.
void CreateAtDesign(HWND parent, std::span<const ControlPlace> table);
// Every created control back at its design rectangle, at its own factor.
void MoveToDesign(std::span<const ControlPlace> table);

}  // namespace vorn2
