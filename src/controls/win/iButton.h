// The program's own push button: a child window with persistent drawing
// that paints itself from a strip of equal frames (normal, hover, pressed;
// a toggle button has a second set for Value = true) and raises its own
// notifications. The behaviour lives in iButtonLogic; this is its window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "controls/iButtonLogic.h"
#include "framework/Notify.h"
#include "framework/PropertyBag.h"
#include "framework/win/AccessibleObject.h"
#include "framework/win/Control.h"
#include "framework/win/Handles.h"
#include "framework/win/Picture.h"

namespace vorn2 {

class iButton final : public Control, private iButtonPlatform {
 public:
  iButton();
  ~iButton() override;

  // Notifications (Click, MouseDown, KeyDown, KeyUP, KeyPress, MouseUp,
  // MouseMove, MouseOut, MouseOver, DBClick).
  iButtonEvents& Events() { return logic_.Events(); }

  std::int16_t cDrawMode() const { return drawMode_; }
  void SetcDrawMode(std::int16_t mode);
  const FontDesc& cFont() const { return font_; }
  void SetcFont(const FontDesc& font);
  // An OLE colour: 0x00BBGGRR, or 0x800000nn for system colour nn.
  std::uint32_t cForeColor() const { return foreColor_; }
  void SetcForeColor(std::uint32_t color);
  bool Locked() const { return logic_.Locked(); }
  void SetLocked(bool locked) { logic_.SetLocked(locked); }
  bool Value() const { return logic_.Value(); }
  void SetValue(bool value) { logic_.SetValue(value); }
  bool AutoSize() const { return logic_.AutoSize(); }
  void SetAutoSize(bool autoSize);
  std::int32_t Style() const { return logic_.Style(); }
  void SetStyle(std::int32_t style);
  const PicturePtr& BackPicture() const { return backPicture_; }
  void SetBackPicture(PicturePtr picture);
  const PicturePtr& Icon() const { return icon_; }
  void SetIcon(PicturePtr picture);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // 0 transparent (shaped by the frame's non-magenta pixels), 1 opaque.
  std::int16_t cBackStyle() const { return backStyle_; }
  void SetcBackStyle(std::int16_t style);
  const std::string& Caption() const { return logic_.Caption(); }
  void SetCaption(std::string caption);
  HDC hdc() const { return Surface().hdc(); }
  // A copy of what the surface shows now.
  PicturePtr Image() const;

  void cMouseAction(int cAction, bool vComplePaint) { logic_.cMouseAction(cAction, vComplePaint); }

  // What screen readers call the button: its caption unless a name is set
  // (the picture-only buttons say what they do); a push button unless the
  // host makes it a link (ROLE_SYSTEM_LINK). A new name is announced.
  std::string AccessibleName() const { return accessibleName_.empty() ? Caption() : accessibleName_; }
  void SetAccessibleName(std::string name);
  void SetAccessibleRole(long role) { accessibleRole_ = role; }

  // Design data, with the control's defaults.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // The tag text; the strip is cut again on the first show while it is empty.
  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag) { tag_ = std::move(tag); }

  // State for hosts and tests.
  int DrawnState() const { return logic_.DrawnState(); }
  bool Hovering() const { return logic_.Hovering(); }
  bool FramesReady() const { return logic_.FramesReady(); }
  bool LeavePollRunning() const { return pollTimer_ != 0; }
  // The frame picture in a slot; nullptr for slots the strip does not reach.
  PicturePtr Frame(int index) const;
  // Properties set since creation (what the form designer would save).
  const std::set<std::string>& ChangedProperties() const { return changed_; }

 protected:
  const wchar_t* ClassName() const override { return L"Vorn2iButton"; }
  void OnCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged() override;
  // What belonged to the window (its region, the pointer's state, the first
  // show) goes with it; the properties stay.
  void OnWindowDestroyed() override;

 private:
  // iButtonPlatform
  bool CursorOverControl() override;
  bool ControlEnabled() override { return enabled_; }
  void SetHandCursor() override;
  void SetArrowCursor() override;
  void StartLeavePoll() override;
  void StopLeavePoll() override;
  void Paint(int state, FrameChoice frame) override;
  void DrawFocusRect() override;
  void DiscardFrames() override { frames_.clear(); }
  bool BackPictureSize(double& widthHimetric, double& heightHimetric) override;
  void CutFrames(FrameSize frame, int stripFrames, int slots) override;
  void ResizeTwips(int widthTwips, int heightTwips) override;

  static void CALLBACK PollTick(HWND, UINT, UINT_PTR id, DWORD);
  void MarkChanged(const char* name) { changed_.insert(name); }
  void FirstShow();
  void ApplyShape(UniqueRegion shape);
  AccessibleInfo AccessibleDescription() const;
  // A click with the pointer taken to be on the button, as a player's.
  void ClickForAccessibility();
  HFONT CaptionFont();

  iButtonLogic logic_;
  std::vector<PicturePtr> frames_;
  PicturePtr backPicture_;
  PicturePtr icon_;
  bool enabled_ = true;
  std::int16_t backStyle_ = 1;
  std::int16_t drawMode_ = R2_COPYPEN;
  std::uint32_t foreColor_ = 0x80000000u | COLOR_BTNTEXT;
  FontDesc font_;
  UniqueFont hfont_;
  std::string tag_;
  std::set<std::string> changed_;
  UINT_PTR pollTimer_ = 0;
  bool releasingCapture_ = false;
  bool shaped_ = false;
  UniqueRegion shapeCopy_;  // what the window region was last set to
  std::string accessibleName_;
  long accessibleRole_ = ROLE_SYSTEM_PUSHBUTTON;
  bool clickForAccessibility_ = false;
  LifeToken life_;
  AccessibleRoot accessible_{[this] {
    return std::make_shared<WindowAccessible>(
        hWnd(), [this] { return AccessibleDescription(); }, [this] { ClickForAccessibility(); });
  }};
};

// An OLE colour as a COLORREF (system colours looked up).
COLORREF OleColorToColorRef(std::uint32_t color);

}  // namespace vorn2
