// What the strip tells screen readers, without the window: where each tab
// and its close glyph lie, the point a default action clicks (the same
// point a player's click would hit), and which changes between two looks at
// the strip are announced.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tabs/TabStrip.h"

namespace vorn2 {

// A rectangle in pixels of the strip's client area.
struct TabBox {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
};

// The tab's part of the tab band; its close glyph's hit box. Nothing for an
// index out of range, or a glyph the tab does not show.
std::optional<TabBox> TabBodyBox(const TabStripCore& strip, std::int32_t index);
std::optional<TabBox> TabCloseBox(const TabStripCore& strip, std::int32_t index);

struct TabPoint {
  float x = 0, y = 0;
};
// A point the strip's hit test gives to the tab's body (onClose false) or to
// its close glyph; nothing where no such point exists (a tab squeezed to
// nothing, drawing not yet enabled).
std::optional<TabPoint> TabClickPoint(const TabStripCore& strip, std::int32_t index, bool onClose);

// The strip as a screen reader last saw it: each tab by identity (its item,
// held weakly: a closed tab's place is never taken for a new one's), with
// its caption, and the selected one.
struct TabLook {
  struct Tab {
    std::weak_ptr<const void> identity;
    std::string caption;
  };
  std::vector<Tab> tabs;
  std::int32_t selected = -1;
};
TabLook LookAt(const TabStripCore& strip);

enum class TabChange { Closed, Opened, Retitled, Deselected, Selected };
struct TabAnnouncement {
  TabChange change;
  std::int32_t index;  // in the look before for Closed, in the look after otherwise
  bool operator==(const TabAnnouncement&) const = default;
};
// Closed tabs first (last first, so each index still names its tab), then
// opened and retitled ones, then the selection.
std::vector<TabAnnouncement> CompareLooks(const TabLook& before, const TabLook& after);

}  // namespace vorn2
