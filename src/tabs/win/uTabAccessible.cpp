#include "tabs/win/uTabAccessible.h"

#include <vector>

#include "tabs/win/uTab.h"

namespace vorn2 {
namespace {

RECT OnScreen(HWND strip, const std::optional<TabBox>& box) {
  if (!box) return {};
  RECT r{box->x, box->y, box->x + box->width, box->y + box->height};
  MapWindowPoints(strip, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

long Hidden(HWND strip) { return IsWindowVisible(strip) ? 0 : STATE_SYSTEM_INVISIBLE; }

void Click(uTab& strip, std::int32_t index, bool onClose) {
  if (const std::optional<TabPoint> at = TabClickPoint(strip, index, onClose))
    ClickAsMouse(strip.hWnd(), POINT{static_cast<LONG>(at->x), static_cast<LONG>(at->y)});
}

class TabNode;

class GlyphNode : public AccessibleNode {
 public:
  GlyphNode(uTab& strip, const std::shared_ptr<TabNode>& tab) : strip_(strip), tab_(tab) {}
  bool Connected() const override;
  AccessibleInfo Info() const override;
  RECT ScreenRect() const override;
  std::shared_ptr<AccessibleNode> Parent() const override;
  void DoDefaultAction() override;

 private:
  uTab& strip_;
  std::weak_ptr<TabNode> tab_;
};

class TabNode : public AccessibleNode, public std::enable_shared_from_this<TabNode> {
 public:
  TabNode(uTab& strip, const std::shared_ptr<CTabItem>& item, std::weak_ptr<AccessibleNode> list)
      : strip_(strip), item_(item), list_(std::move(list)) {}

  const std::weak_ptr<CTabItem>& Item() const { return item_; }
  // Its place in the strip now; -1 once the tab is closed.
  std::int32_t Index() const {
    const std::shared_ptr<CTabItem> item = item_.lock();
    return item ? strip_.TabItems()->FindItem(TabIndex(item)) : -1;
  }

  bool Connected() const override { return Index() >= 0; }
  AccessibleInfo Info() const override {
    const std::int32_t index = Index();
    const std::shared_ptr<CTabItem> item = item_.lock();
    AccessibleInfo info{ROLE_SYSTEM_PAGETAB, item ? item->Caption() : std::string(), STATE_SYSTEM_SELECTABLE,
                        kActionSwitch};
    if (index == strip_.Selected()) info.state |= STATE_SYSTEM_SELECTED;
    if (index == strip_.HotIndex()) info.state |= STATE_SYSTEM_HOTTRACKED;
    info.state |= Hidden(strip_.hWnd());
    return info;
  }
  RECT ScreenRect() const override { return OnScreen(strip_.hWnd(), TabBodyBox(strip_, Index())); }
  std::shared_ptr<AccessibleNode> Parent() const override { return list_.lock(); }
  std::vector<std::shared_ptr<AccessibleNode>> Children() const override {
    const std::shared_ptr<CTabItem> item = item_.lock();
    if (!item || item->HideButton()) return {};
    if (!glyph_) glyph_ = std::make_shared<GlyphNode>(strip_, std::const_pointer_cast<TabNode>(shared_from_this()));
    return {glyph_};
  }
  void DoDefaultAction() override { Click(strip_, Index(), false); }

 private:
  uTab& strip_;
  std::weak_ptr<CTabItem> item_;
  std::weak_ptr<AccessibleNode> list_;
  mutable std::shared_ptr<GlyphNode> glyph_;
};

bool GlyphNode::Connected() const {
  const std::shared_ptr<TabNode> tab = tab_.lock();
  const std::shared_ptr<CTabItem> item = tab ? tab->Item().lock() : nullptr;
  return item && !item->HideButton() && tab->Connected();
}

AccessibleInfo GlyphNode::Info() const {
  const std::shared_ptr<TabNode> tab = tab_.lock();
  const std::shared_ptr<CTabItem> item = tab ? tab->Item().lock() : nullptr;
  AccessibleInfo info{ROLE_SYSTEM_PUSHBUTTON, std::string("关闭") + (item ? item->Caption() : std::string()), 0,
                      kActionPress};
  const bool hot = tab && tab->Index() == strip_.HotIndex();
  if (hot && strip_.HotState() == 1) info.state |= STATE_SYSTEM_HOTTRACKED;
  if (hot && strip_.HotState() == 2) info.state |= STATE_SYSTEM_PRESSED;
  info.state |= Hidden(strip_.hWnd());
  return info;
}

RECT GlyphNode::ScreenRect() const {
  const std::shared_ptr<TabNode> tab = tab_.lock();
  return tab ? OnScreen(strip_.hWnd(), TabCloseBox(strip_, tab->Index())) : RECT{};
}

std::shared_ptr<AccessibleNode> GlyphNode::Parent() const { return tab_.lock(); }

void GlyphNode::DoDefaultAction() {
  if (const std::shared_ptr<TabNode> tab = tab_.lock()) Click(strip_, tab->Index(), true);
}

// The strip itself. Its tabs keep their nodes while they are open, so an
// object a client holds stays with its tab when others come and go.
class StripNode : public AccessibleNode, public std::enable_shared_from_this<StripNode> {
 public:
  explicit StripNode(uTab& strip) : strip_(strip) {}
  HWND Window() const override { return strip_.hWnd(); }
  AccessibleInfo Info() const override { return AccessibleInfo{ROLE_SYSTEM_PAGETABLIST, {}, 0, {}}; }
  std::vector<std::shared_ptr<AccessibleNode>> Children() const override {
    std::vector<std::shared_ptr<TabNode>> now;
    const std::shared_ptr<CTabItems> items = strip_.TabItems();
    for (std::int32_t i = 0; i < items->Count(); ++i) {
      const std::shared_ptr<CTabItem> item = items->Item(i);
      std::shared_ptr<TabNode> node;
      for (const std::shared_ptr<TabNode>& known : tabs_) {
        if (known->Item().lock() == item) node = known;
      }
      if (!node) node = std::make_shared<TabNode>(strip_, item, std::const_pointer_cast<StripNode>(shared_from_this()));
      now.push_back(std::move(node));
    }
    tabs_ = now;
    return {now.begin(), now.end()};
  }

 private:
  uTab& strip_;
  mutable std::vector<std::shared_ptr<TabNode>> tabs_;
};

DWORD EventFor(TabChange change) {
  switch (change) {
    case TabChange::Closed:
      return EVENT_OBJECT_DESTROY;
    case TabChange::Opened:
      return EVENT_OBJECT_CREATE;
    case TabChange::Retitled:
      return EVENT_OBJECT_NAMECHANGE;
    case TabChange::Deselected:
      return EVENT_OBJECT_STATECHANGE;
    case TabChange::Selected:
      break;
  }
  return EVENT_OBJECT_SELECTION;
}

}  // namespace

uTabAccessible::uTabAccessible(uTab& strip)
    : strip_(strip), root_([&strip] { return std::make_shared<StripNode>(strip); }) {}

void uTabAccessible::Announce() {
  TabLook now = LookAt(strip_);
  for (const TabAnnouncement& a : CompareLooks(last_, now))
    AnnounceAccessible(strip_.hWnd(), EventFor(a.change), a.index + 1);
  last_ = std::move(now);
}

void uTabAccessible::Disconnect() {
  root_.Disconnect();
  last_ = TabLook{};
}

}  // namespace vorn2
