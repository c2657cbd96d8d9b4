#include "tabs/TabStrip.h"

#include <algorithm>
#include <cmath>

#include "framework/FailureTrace.h"
#include "framework/Notify.h"

namespace vorn2 {
namespace {

// Pixel values beyond any screen are held here, so that the sums the
// layout and the drawing make of them stay far inside 32 bits.
constexpr double kPixelLimit = 1000000;

std::int32_t ClampPixels(double value) {
  return static_cast<std::int32_t>(std::clamp(value, -kPixelLimit, kPixelLimit));
}

// Mouse coordinates are compared with sums of 32-bit values; beyond 2^40
// every comparison comes out the same.
std::int64_t RoundToPixel(float value) {
  constexpr double kFar = 0x1p40;
  const double r = RoundHalfEven(static_cast<double>(value));
  return std::isfinite(r) ? static_cast<std::int64_t>(std::clamp(r, -kFar, kFar)) : -static_cast<std::int64_t>(kFar);
}

}  // namespace

TabStripCore::TabStripCore(std::shared_ptr<ITabWindowApi> api)
    : m_TabItems(std::make_shared<CTabItems>(std::move(api))) {}

TabStripCore::~TabStripCore() {
  // Items and a list that outlive the strip must not reach it any more.
  if (m_TabItems) m_TabItems->SetTab({});
}

void TabStripCore::AttachList() { m_TabItems->SetTab(weak_from_this()); }

std::int32_t TabStripCore::Scaled(std::int32_t designPixels) const {
  if (m_scale.IsDesign()) return designPixels;
  return ClampPixels(static_cast<double>(m_scale.Px(designPixels)));
}

void TabStripCore::LockReDraw(bool bLock) {
  m_bRedraw = !bLock;
  if (!bLock) {
    CalcItemWidth();
    LayoutItems();
    RedrawAll();
  }
}

void TabStripCore::RefreshPage() {
  std::shared_ptr<CTabItem> item = m_TabItems->Item(m_Selected);
  if (!item || !item->Form()) throw TabError(TabError::kNoObject);
  std::shared_ptr<ITabForm> form = item->Form();
  form->RefreshPage();
}

// --- IuTab ----------------------------------------------------------------

void TabStripCore::Add(const std::string&, const std::shared_ptr<ITabForm>& Form, const std::optional<std::string>&,
                       const TabIndex&) {
  if (Form) AdoptForm(Form->hWnd());
  const std::int32_t count = m_TabItems->Count();
  if (m_Selected > count || m_Selected < 0) m_Selected = 0;
  CalcItemWidth();
  LayoutItems();
  DrawTabs(true);
}

bool TabStripCore::BeforeRemove(std::int32_t Index) {
  bool cancel = false;
  Raise(events_.OnItemColose, Index, cancel);
  return !cancel;
}

void TabStripCore::Remove(std::int32_t Index) {
  CalcItemWidth();
  LayoutItems();
  if (Index == m_Selected) m_Selected = 0;
  else if (m_Selected > Index) m_Selected = m_Selected - 1;
  ShowSelectedForm();
  DrawTabs(true);
}

void TabStripCore::Clear() {
  CalcItemWidth();
  m_Selected = 0;
  DrawTabs(true);
}

void TabStripCore::Redraw(bool) { RedrawAll(); }

void TabStripCore::ChangeForm(const std::shared_ptr<CTabItem>&, const std::shared_ptr<ITabForm>& Form) {
  try {
    if (Form) AdoptForm(Form->hWnd());
  } catch (...) {
    VORN2_TRACE_CAUGHT();
  }
  try {
    ShowSelectedForm();
  } catch (...) {
    VORN2_TRACE_CAUGHT();
  }
}

void TabStripCore::SetSelected(std::int32_t NewValue) {
  if (NewValue < 0) {
    m_Selected = -1;
    RedrawAll();
    return;
  }
  if (NewValue > m_TabItems->Count() - 1) return;
  m_Selected = NewValue;
  ShowSelectedForm();
  RedrawAll();
}

// --- Layout ---------------------------------------------------------------

void TabStripCore::CalcItemWidth() {
  if (!m_bRedraw) return;
  const std::int32_t area = TabAreaWidth();
  const std::int32_t n = m_TabItems->Count();
  std::int32_t locked = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    if (m_TabItems->Item(i)->LockSize()) ++locked;
  }
  const std::int32_t full = Scaled(m_TabStyle == 0 ? kItemWidth0 : kItemWidth1);
  const double rest = m_TabStyle == 0
                          ? static_cast<double>(area) - static_cast<double>(full) * locked - Scaled(kSlope)
                          : static_cast<double>(area) - static_cast<double>(full) * locked -
                                static_cast<double>(Scaled(kGap1)) * n;
  double w = full;
  if (locked < n) w = RoundHalfEven(rest / (n - locked));
  if (w > full) w = full;
  m_lItemWidth = ClampPixels(w);
}

std::int32_t TabStripCore::TabAreaWidth() const {
  // Band widths are stored as given, however absurd; 64 bits hold the sum.
  return ClampPixels(static_cast<double>(std::int64_t{ClientWidth()} - LeftBand() - RightBand()));
}

void TabStripCore::LayoutItems() {
  if (!m_bRedraw) return;
  const bool compact = m_TabStyle == 0;
  std::int64_t x = compact ? Scaled(kSlope) : 0;
  const std::int32_t full = Scaled(compact ? kItemWidth0 : kItemWidth1);
  const std::int32_t gap = Scaled(kGap1);
  const std::int32_t n = m_TabItems->Count();
  for (std::int32_t i = 0; i < n; ++i) {
    const std::shared_ptr<CTabItem> item = m_TabItems->Item(i);
    const std::int32_t width = item->LockSize() ? full : m_lItemWidth;
    item->SetLeft(ClampPixels(static_cast<double>(x)));
    item->SetWidth(width);
    x += compact ? width : width + gap;
  }
}

TabHit TabStripCore::HitTest(float X, float Y) const {
  TabHit hit;
  const std::int64_t x = RoundToPixel(X);
  const std::int64_t y = RoundToPixel(Y);
  const std::int64_t w = ClientWidth();
  if (x < 0 || x > w || y < 0 || y > Scaled(kHitHeight)) {
    hit.index = kHitOutside;
    return hit;
  }
  if (x > w - RightBand() || x < LeftBand()) {
    hit.index = kHitSideBand;
    return hit;
  }
  const std::int32_t n = m_TabItems->Count();
  if (n == 0) {
    hit.index = kHitNoTab;
    return hit;
  }
  const std::int64_t rx = x - LeftBand();
  if (rx <= Scaled(kSlope)) {
    hit.index = 0;
    return hit;
  }
  for (std::int32_t i = 0; i < n; ++i) {
    const std::shared_ptr<CTabItem> item = m_TabItems->Item(i);
    const std::int64_t left = item->Left();
    const std::int64_t right = left + item->Width();
    if (left <= rx && rx <= right) {
      hit.index = i;
      if (!item->HideButton()) {
        if (m_TabStyle == 0) {
          hit.onClose = right - Scaled(24) <= rx && rx <= right - Scaled(12) && Scaled(6) <= y && y <= Scaled(18);
        } else {
          hit.onClose = right - Scaled(20) <= rx && rx <= right - Scaled(8) && Scaled(7) <= y && y <= Scaled(19);
        }
      }
      return hit;
    }
  }
  hit.index = kHitNoTab;
  return hit;
}

// --- Mouse ----------------------------------------------------------------

void TabStripCore::MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
  // A host handler may drop the strip (closing its window); stay alive.
  const std::shared_ptr<TabStripCore> self = weak_from_this().lock();
  m_lastPress = MouseState{Button, Shift, X, Y};
  std::int32_t h = 0;
  if (Button == kButtonLeft) {
    const TabHit hit = HitTest(X, Y);
    h = hit.index;
    if (h >= 0 && h < m_TabItems->Count()) {
      // The press is hit-tested where it happens: tabs may have slid under
      // a pointer that has not moved since, so the last move's hover is stale.
      const bool hotChanged = h != m_lHotIndex;
      if (hotChanged || !hit.onClose) m_lHotState = 0;
      m_lHotIndex = h;
      if (h != m_Selected && !hit.onClose) {
        m_Selected = h;
        ShowSelectedForm();
        DrawTabs(true);
      } else if (hit.onClose && m_lHotState != 2) {
        m_lHotState = 2;
        DrawTabs(true);
      }
      // The host's tooltip follows the hot tab, whatever made it the hot one.
      if (hotChanged) Raise(events_.OnMouseHover, h, Button, Shift, X, Y);
      Raise(events_.TabChanged);
    }
  }
  Raise(events_.OnMouseDown, h, Button, Shift, X, Y);
}

void TabStripCore::MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) {
  const std::shared_ptr<TabStripCore> self = weak_from_this().lock();
  std::int32_t h = 0;
  if (Button == 0) {
    TrackMouseLeave();
    const TabHit hit = HitTest(X, Y);
    h = hit.index;
    const std::int32_t s = hit.onClose ? 1 : 0;
    if (h != m_lHotIndex || s != m_lHotState) {
      if (h != m_lHotIndex) Raise(events_.OnMouseHover, h, Button, Shift, X, Y);
      m_lHotIndex = h;
      m_lHotState = s;
      DrawTabs(true);
    }
  }
  Raise(events_.OnMouseMove, h, Button, Shift, X, Y);
}

void TabStripCore::MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) {
  const std::shared_ptr<TabStripCore> self = weak_from_this().lock();
  std::int32_t h = 0;
  if (Button == kButtonLeft) {
    const TabHit hit = HitTest(X, Y);
    h = hit.index;
    m_lHotState = 0;
    if (h >= 0 && h < m_TabItems->Count() && h == m_lHotIndex && hit.onClose) {
      if (!m_TabItems->Item(h)->HideButton()) m_TabItems->Remove(h, true);
    }
    RedrawAll();
  }
  Raise(events_.OnMouseUp, h, Button, Shift, X, Y);
}

void TabStripCore::DblClick() {
  const std::shared_ptr<TabStripCore> self = weak_from_this().lock();
  const MouseState press = m_lastPress;
  const TabHit hit = HitTest(press.x, press.y);
  MouseDown(press.button, press.shift, press.x, press.y);
  Raise(events_.OnDblClick, hit.index, press.button, press.shift, press.x, press.y);
}

void TabStripCore::MouseLeave() {
  const std::shared_ptr<TabStripCore> self = weak_from_this().lock();
  if (m_lHotIndex != -1) {
    m_lHotIndex = -1;
    DrawTabs(true);
  }
  Raise(events_.OnMouseLeave);
}

// --- Placement and drawing ------------------------------------------------

void TabStripCore::ShowSelectedForm() {
  if (m_Selected < 0 || m_Selected >= m_TabItems->Count() || m_hContainerWnd == 0) return;
  const std::shared_ptr<CTabItem> item = m_TabItems->Item(m_Selected);
  if (!item->Form()) return;
  const std::shared_ptr<ITabForm> form = item->Form();
  PlaceSelectedForm(form->hWnd());
}

void TabStripCore::DrawBackground() {
  if (m_bRedraw) PaintBackground();
}

void TabStripCore::DrawTabs(bool bPaint) {
  if (m_bRedraw) PaintTabs(bPaint);
}

void TabStripCore::RedrawAll() {
  DrawBackground();
  DrawTabs(true);
}

}  // namespace vorn2
