// A child-window control hosted on a form (or on another control). Geometry
// is in pixels of the parent's client area; the Twips forms take a design
// rectangle and convert it with the window's scale (the parent's, while
// creating). A form's whole layout goes through ControlLayout.h.
#pragma once

#include <windows.h>

#include "framework/win/Window.h"

namespace vorn2 {

class Control : public Window {
 public:
  Control() = default;

  // Creates the child window (visible unless style says otherwise).
  bool Create(HWND parent, int x, int y, int width, int height, DWORD style = WS_CHILD | WS_VISIBLE,
              DWORD exStyle = 0, int id = 0);
  bool CreateTwips(HWND parent, const TwipsRect& design, DWORD style = WS_CHILD | WS_VISIBLE, DWORD exStyle = 0,
                   int id = 0);
  // Destroys the window now; the object can make one again with Create.
  using Window::Destroy;

  void Move(int x, int y, int width, int height);
  void MoveTwips(const TwipsRect& design);
  // Moves the left edge only (twips); size and top stay.
  void MoveLeftTwips(int leftTwips);
  RECT Bounds() const;  // in the parent's client coordinates
  void SetVisible(bool visible);
  bool Visible() const;

 protected:
  // One window class per control type.
  virtual const wchar_t* ClassName() const = 0;
  // Runs once the window exists (WM_CREATE has been processed).
  virtual void OnCreated() {}
};

}  // namespace vorn2
