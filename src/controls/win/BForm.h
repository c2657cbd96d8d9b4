// The skinned title bar: a child control 500 twips high that draws the bar
// from the title skin (bitmap 108), prints the window's title on it, lets
// the user drag a window by it, and on request paints the host window's
// left, right and bottom frame from the same skin.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "framework/Notify.h"
#include "framework/PropertyBag.h"
#include "framework/win/AccessibleObject.h"
#include "framework/win/Control.h"
#include "framework/win/Handles.h"
#include "framework/win/Picture.h"

namespace vorn2 {

struct BFormEvents {
  std::function<void()> DblClick;
  std::function<void(std::int16_t Button, std::int16_t Shift, float X, float Y)> MouseDown;
  std::function<void(std::int16_t Button, std::int16_t Shift, float X, float Y)> MouseMove;
};

class BForm final : public Control {
 public:
  BForm();
  ~BForm() override;

  BFormEvents& Events() { return events_; }

  // Decimal text of the background colour; text that is not a 32-bit
  // number is ignored.
  std::string BackColor() const;
  void SetBackColor(std::string_view New_BackColor);
  const std::string& Caption() const { return tag_; }
  void SetCaption(std::string New_caption);
  bool HasLogo() const { return hasLogo_; }
  void SetHasLogo(bool vNewValue);
  // The window a drag on the bar moves; null: no dragging.
  HWND frmHwnd() const { return frmHwnd_; }
  void SetfrmHwnd(HWND New_frmHwnd);

  // Paints the host's frame (left, right, bottom edges, bottom corners) onto
  // its persistent drawing, which it switches on when it is off.
  void Printform(Window& host);

  // The skin every slice comes from (its 96-dpi artwork), and the copy of it
  // at the bar's factor that the slices are cut from.
  const PicturePtr& PP() const { return pp_; }
  PicturePtr ScaledSkin() const;

  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;
  const std::set<std::string>& ChangedProperties() const { return changed_; }

 protected:
  const wchar_t* ClassName() const override { return L"Vorn2BForm"; }
  void OnCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged() override;
  void OnWindowDestroyed() override { accessible_.Disconnect(); }

 private:
  void PaintBar();
  void ApplyBackColor(std::uint32_t color);
  HFONT TitleFont();

  BFormEvents events_;
  PicturePtr pp_;
  std::uint32_t backColor_ = 0x00DEDEDE;
  std::string tag_;  // the caption lives in the tag
  bool hasLogo_ = false;
  HWND frmHwnd_ = nullptr;
  UniqueFont font_;
  std::set<std::string> changed_;
  LifeToken life_;
  // Screen readers read the bar as a title bar named by its caption.
  AccessibleRoot accessible_{[this] {
    return std::make_shared<WindowAccessible>(hWnd(), [this] {
      return AccessibleInfo{ROLE_SYSTEM_TITLEBAR, tag_, 0, {}};
    });
  }};
};

}  // namespace vorn2
