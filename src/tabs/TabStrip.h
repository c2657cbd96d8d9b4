// The tab strip's behaviour without the window: the IuTab side, the layout of
// both styles, hit testing, selection and the mouse state machine with its
// events. The Windows control uTab derives from it and supplies the window
// work (placing tab windows, drawing, mouse-leave tracking).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "framework/MouseButtons.h"
#include "framework/Twips.h"
#include "tabs/TabModel.h"

namespace vorn2 {

// Hit codes besides a tab index.
inline constexpr std::int32_t kHitNoTab = -1;
inline constexpr std::int32_t kHitSideBand = -2;
inline constexpr std::int32_t kHitOutside = -3;

struct TabHit {
  std::int32_t index = kHitNoTab;
  bool onClose = false;
};

// Notifications of the strip, in their event order (1..9).
struct uTabEvents {
  using MouseEvent = std::function<void(std::int32_t ItemIndex, std::int16_t Button, std::int16_t Shift, float X,
                                        float Y)>;
  std::function<void()> TabChanged;
  MouseEvent OnDblClick;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseHover;
  MouseEvent OnMouseMove;
  MouseEvent OnMouseUp;
  std::function<void()> OnMouseLeave;
  std::function<void(std::int32_t ItemIndex, bool& Cancel)> OnItemColose;
  // hdc is the background buffer's device context.
  std::function<void(std::uintptr_t hdc, std::int32_t cx, std::int32_t cy, bool& bSkipDefault)> OnDrawBackground;
};

// Lengths of the strip are 96-dpi pixels; the strip shows them at its
// window's factor (LayoutScale()), so the layout, the hit boxes and the drawing
// work in device pixels of the window: every design length (the ones below,
// the band widths, the heights and the close boxes) scaled once. The band
// widths keep their design values as properties.
class TabStripCore : public IuTab, public std::enable_shared_from_this<TabStripCore> {
 public:
  static constexpr std::int32_t kItemWidth0 = 108;  // compact style
  static constexpr std::int32_t kItemWidth1 = 200;  // rounded style
  static constexpr std::int32_t kSlope = 14;        // compact tabs' slanted edge
  static constexpr std::int32_t kGap1 = 5;          // rounded tabs' spacing
  static constexpr std::int32_t kHitHeight = 25;    // the tab band, in both styles

  // The list makes its window calls through api (none in tests).
  explicit TabStripCore(std::shared_ptr<ITabWindowApi> api = nullptr);
  ~TabStripCore() override;

  uTabEvents& Events() { return events_; }

  // Public operations.
  void refresh() { RedrawAll(); }
  void LockReDraw(bool bLock);
  bool RedrawEnabled() const { return m_bRedraw; }
  WindowHandle hContainerWnd() const { return m_hContainerWnd; }
  std::int32_t TabLeftSize() const { return m_TabLeftSize; }
  void SetTabLeftSize(std::int32_t NewValue) { m_TabLeftSize = NewValue; }
  std::int32_t TabRightSize() const { return m_TabRightSize; }
  void TabRight(std::int32_t NewValue) { m_TabRightSize = NewValue; }
  std::int32_t TabStyle() const { return m_TabStyle; }
  void SetTabStyle(std::int32_t NewValue) { m_TabStyle = NewValue; }
  // Throws TabError 91 when no tab is selected; window errors propagate.
  void RefreshPage();
  std::int32_t HotIndex() const { return m_lHotIndex; }
  std::int32_t HotState() const { return m_lHotState; }
  std::int32_t ItemWidth() const { return m_lItemWidth; }
  // The factor (1 until the window sets it); takes effect at the next layout.
  DpiScale LayoutScale() const { return m_scale; }
  void SetLayoutScale(DpiScale scale) { m_scale = scale; }
  // A design length at the strip's factor (held within a million pixels).
  std::int32_t Scaled(std::int32_t designPixels) const;

  // IuTab.
  void Add(const std::string& Caption, const std::shared_ptr<ITabForm>& Form, const std::optional<std::string>& Key,
           const TabIndex& Index) override;
  bool BeforeRemove(std::int32_t Index) override;
  void Remove(std::int32_t Index) override;
  void Clear() override;
  void Redraw(bool bUpdate) override;
  void ChangeForm(const std::shared_ptr<CTabItem>& Item, const std::shared_ptr<ITabForm>& Form) override;
  std::int32_t Selected() const override { return m_Selected; }
  void SetSelected(std::int32_t NewValue) override;
  std::shared_ptr<CTabItems> TabItems() const override { return m_TabItems; }
  WindowHandle hWnd() const override { return OwnWindow(); }
  WindowHandle hParent() const override { return ParentWindow(); }
  std::shared_ptr<IuTab> Control() override { return shared_from_this(); }

  // Layout and hit testing (pixels of the client area).
  // Client width less both bands (held within a million pixels either way).
  std::int32_t TabAreaWidth() const;
  void CalcItemWidth();
  void LayoutItems();
  TabHit HitTest(float X, float Y) const;

  // Mouse input as the control receives it. Button: the button pressed or
  // released; for moves, every button held.
  void MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
  void MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
  void MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
  // A double click replays the state recorded at the last press.
  void DblClick();
  void MouseLeave();

  void ShowSelectedForm();
  // Drawing entry points; nothing happens while drawing is disabled.
  void DrawBackground();
  void DrawTabs(bool bPaint);
  void RedrawAll();

 protected:
  // Call once the object is owned by a shared_ptr: attaches the list.
  void AttachList();
  // The band widths at the strip's factor.
  std::int32_t LeftBand() const { return Scaled(m_TabLeftSize); }
  std::int32_t RightBand() const { return Scaled(m_TabRightSize); }
  void SetContainer(WindowHandle window) { m_hContainerWnd = window; }

  virtual std::int32_t ClientWidth() const = 0;
  virtual WindowHandle OwnWindow() const = 0;
  virtual WindowHandle ParentWindow() const = 0;
  // Makes the window a hidden child of the container, sized to it.
  virtual void AdoptForm(WindowHandle form) = 0;
  // Sizes the window to the container and shows it on top of its siblings.
  virtual void PlaceSelectedForm(WindowHandle form) = 0;
  virtual void PaintBackground() = 0;
  virtual void PaintTabs(bool bPaint) = 0;
  virtual void TrackMouseLeave() {}

  std::int32_t m_TabStyle = 0;
  std::int32_t m_TabLeftSize = 40;
  std::int32_t m_TabRightSize = 0;
  WindowHandle m_hContainerWnd = 0;
  std::shared_ptr<CTabItems> m_TabItems;
  std::int32_t m_Selected = -1;
  uTabEvents events_;
  std::int32_t m_lHotIndex = -1;
  std::int32_t m_lHotState = 0;
  std::int32_t m_lItemWidth = kItemWidth0;
  bool m_bRedraw = false;
  DpiScale m_scale;

 private:
  struct MouseState {
    std::int16_t button = 0;
    std::int16_t shift = 0;
    float x = 0;
    float y = 0;
  };
  MouseState m_lastPress;
};

}  // namespace vorn2
