#include "tabs/TabAccessibility.h"

namespace vorn2 {
namespace {

std::shared_ptr<CTabItem> ItemAt(const TabStripCore& strip, std::int32_t index) {
  const std::shared_ptr<CTabItems> items = strip.TabItems();
  if (!items || index < 0 || index >= items->Count()) return nullptr;
  return items->Item(index);
}

bool Same(const std::weak_ptr<const void>& a, const std::weak_ptr<const void>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

std::int32_t IndexOf(const TabLook& look, const std::weak_ptr<const void>& identity) {
  for (std::size_t i = 0; i < look.tabs.size(); ++i) {
    if (Same(look.tabs[i].identity, identity)) return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::optional<std::weak_ptr<const void>> SelectedIdentity(const TabLook& look) {
  const bool valid = look.selected >= 0 && static_cast<std::size_t>(look.selected) < look.tabs.size();
  if (!valid) return std::nullopt;
  return look.tabs[static_cast<std::size_t>(look.selected)].identity;
}

}  // namespace

std::optional<TabBox> TabBodyBox(const TabStripCore& strip, std::int32_t index) {
  const std::shared_ptr<CTabItem> item = ItemAt(strip, index);
  if (!item) return std::nullopt;
  return TabBox{strip.Scaled(strip.TabLeftSize()) + item->Left(), 0, item->Width(),
                strip.Scaled(TabStripCore::kHitHeight)};
}

std::optional<TabBox> TabCloseBox(const TabStripCore& strip, std::int32_t index) {
  const std::shared_ptr<CTabItem> item = ItemAt(strip, index);
  if (!item || item->HideButton()) return std::nullopt;
  // The hit boxes of the two styles, from the tab's right edge.
  const bool compact = strip.TabStyle() == 0;
  const std::int32_t right = strip.Scaled(strip.TabLeftSize()) + item->Left() + item->Width();
  return TabBox{right - strip.Scaled(compact ? 24 : 20), strip.Scaled(compact ? 6 : 7), strip.Scaled(12),
                strip.Scaled(12)};
}

std::optional<TabPoint> TabClickPoint(const TabStripCore& strip, std::int32_t index, bool onClose) {
  const std::optional<TabBox> box = onClose ? TabCloseBox(strip, index) : TabBodyBox(strip, index);
  if (!box || box->width <= 0) return std::nullopt;
  // The body is clicked above the glyph's rows, the glyph in its middle.
  const TabPoint at{static_cast<float>(box->x + box->width / 2),
                    static_cast<float>(onClose ? box->y + box->height / 2 : strip.Scaled(2))};
  const TabHit hit = strip.HitTest(at.x, at.y);
  if (hit.index != index || hit.onClose != onClose) return std::nullopt;
  return at;
}

TabLook LookAt(const TabStripCore& strip) {
  TabLook look;
  const std::shared_ptr<CTabItems> items = strip.TabItems();
  const std::int32_t count = items ? items->Count() : 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::shared_ptr<CTabItem> item = items->Item(i);
    look.tabs.push_back({std::weak_ptr<const void>(item), item->Caption()});
  }
  look.selected = strip.Selected();
  return look;
}

std::vector<TabAnnouncement> CompareLooks(const TabLook& before, const TabLook& after) {
  std::vector<TabAnnouncement> out;
  for (std::int32_t i = static_cast<std::int32_t>(before.tabs.size()) - 1; i >= 0; --i) {
    if (IndexOf(after, before.tabs[static_cast<std::size_t>(i)].identity) < 0) out.push_back({TabChange::Closed, i});
  }
  for (std::size_t i = 0; i < after.tabs.size(); ++i) {
    const std::int32_t was = IndexOf(before, after.tabs[i].identity);
    const auto index = static_cast<std::int32_t>(i);
    if (was < 0) out.push_back({TabChange::Opened, index});
    else if (before.tabs[static_cast<std::size_t>(was)].caption != after.tabs[i].caption)
      out.push_back({TabChange::Retitled, index});
  }
  const auto was = SelectedIdentity(before);
  const auto now = SelectedIdentity(after);
  if (was.has_value() != now.has_value() || (was && !Same(*was, *now))) {
    if (const std::int32_t kept = was ? IndexOf(after, *was) : -1; kept >= 0)
      out.push_back({TabChange::Deselected, kept});
    if (now) out.push_back({TabChange::Selected, after.selected});
  }
  return out;
}

}  // namespace vorn2
