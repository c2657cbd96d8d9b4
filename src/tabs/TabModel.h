// The tab list behind the tab strip: CTabItems (ordered, optionally keyed),
// CTabItem (one tab), IuTab (the strip as the list and items see it) and
// ITabForm (a window that lives in a tab).
//
// Ownership:
//   strip  --shared-->  list  --shared-->  items  --shared-->  tab windows
//   items, list  --weak-->  strip          tab window --shared--> its item
// The item <-> window pair is a cycle while the window is open; it is broken
// when the window is closed through ITabForm::Unload, which the model calls
// at most once per window (however many tabs list it): Remove with bUnload,
// Clear, the release of an item that still holds its window, or the end of a
// list that still lists it.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace vorn2 {

// Window handles cross into the portable code as opaque integers.
using WindowHandle = std::uintptr_t;

// Halves go to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
double RoundHalfEven(double value);

// Errors of the keyed list, numbered like the general-purpose keyed list of
// the platform this program was designed on: 5 invalid argument, 9 subscript
// out of range, 457 duplicate key, 91 no object.
class TabError : public std::runtime_error {
 public:
  static constexpr int kInvalidArgument = 5;
  static constexpr int kOutOfRange = 9;
  static constexpr int kNoObject = 91;
  static constexpr int kDuplicateKey = 457;

  explicit TabError(int number);
  int Number() const { return number_; }

 private:
  int number_;
};

class ITabForm;
class IuTab;
class CTabItem;
class CTabItems;

// An argument that may be a key, a position, a tab window or an item (or be
// missing), like the list's Index arguments.
class TabIndex {
 public:
  using Value = std::variant<std::monostate, std::string, double, std::shared_ptr<ITabForm>, std::shared_ptr<CTabItem>>;

  TabIndex() = default;
  TabIndex(int position) : value_(static_cast<double>(position)) {}
  TabIndex(long position) : value_(static_cast<double>(position)) {}
  TabIndex(long long position) : value_(static_cast<double>(position)) {}
  TabIndex(double position) : value_(position) {}
  TabIndex(const char* key) : value_(std::string(key)) {}
  TabIndex(std::string key) : value_(std::move(key)) {}
  TabIndex(std::shared_ptr<ITabForm> form) : value_(std::move(form)) {}
  TabIndex(std::shared_ptr<CTabItem> item) : value_(std::move(item)) {}
  template <class T>
    requires std::is_base_of_v<ITabForm, T>
  TabIndex(std::shared_ptr<T> form) : value_(std::shared_ptr<ITabForm>(std::move(form))) {}

  bool IsMissing() const { return std::holds_alternative<std::monostate>(value_); }
  const std::string* Text() const { return std::get_if<std::string>(&value_); }
  const double* Number() const { return std::get_if<double>(&value_); }
  const std::shared_ptr<ITabForm>* Form() const { return std::get_if<std::shared_ptr<ITabForm>>(&value_); }
  const std::shared_ptr<CTabItem>* Item() const { return std::get_if<std::shared_ptr<CTabItem>>(&value_); }

 private:
  Value value_;
};

// A window that lives in a tab. Slots 1-3 as the list calls them; Unload is
// how the model closes the window.
class ITabForm {
 public:
  virtual ~ITabForm() = default;
  // The window's top-level window handle.
  virtual WindowHandle hWnd() = 0;
  // Hands the window its strip and its item; the window keeps the latest
  // values (the item strongly, the strip as given).
  virtual void Initialize(std::weak_ptr<IuTab> Implement, std::shared_ptr<CTabItem> Item) = 0;
  // Reloads the window's content.
  virtual void RefreshPage() = 0;
  // Closes (unloads) the window and drops the item and strip it was given.
  // The caller holds a reference to the window for the whole call, so
  // dropping the item here cannot destroy the window under its own feet.
  virtual void Unload() = 0;

 private:
  // Set when the model has closed the window; kept here rather than in the
  // item because a window may be listed under more than one tab.
  friend class CTabItem;
  bool closedByModel_ = false;
};

// The strip as its list and items see it.
class IuTab {
 public:
  virtual ~IuTab() = default;
  virtual void Add(const std::string& Caption, const std::shared_ptr<ITabForm>& Form,
                   const std::optional<std::string>& Key, const TabIndex& Index) = 0;
  virtual bool BeforeRemove(std::int32_t Index) = 0;
  virtual void Remove(std::int32_t Index) = 0;
  virtual void Clear() = 0;
  virtual void Redraw(bool bUpdate) = 0;
  virtual void ChangeForm(const std::shared_ptr<CTabItem>& Item, const std::shared_ptr<ITabForm>& Form) = 0;
  virtual std::int32_t Selected() const = 0;
  virtual void SetSelected(std::int32_t NewValue) = 0;
  virtual std::shared_ptr<CTabItems> TabItems() const = 0;
  virtual WindowHandle hWnd() const = 0;
  virtual WindowHandle hParent() const = 0;
  virtual std::shared_ptr<IuTab> Control() = 0;
};

// Window calls the list makes. The Windows layer supplies the real ones; a
// list without them skips those steps.
class ITabWindowApi {
 public:
  virtual ~ITabWindowApi() = default;
  virtual std::int32_t GetStyle(WindowHandle window) = 0;
  virtual void SetStyle(WindowHandle window, std::int32_t style) = 0;
  virtual void SetActiveWindow(WindowHandle window) = 0;
  virtual void SetParentNone(WindowHandle window) = 0;
  virtual void ScreenSize(std::int32_t& width, std::int32_t& height) = 0;
  // Outer rectangle of the window (screen coordinates).
  virtual void WindowRect(WindowHandle window, std::int32_t& left, std::int32_t& top, std::int32_t& right,
                          std::int32_t& bottom) = 0;
  // SetWindowPos with insert-after 0 and no size.
  virtual void PlaceAt(WindowHandle window, std::int32_t x, std::int32_t y, std::uint32_t flags) = 0;
  // RedrawWindow with no rectangle and no region.
  virtual void RedrawWindow(WindowHandle window, std::uint32_t flags) = 0;
};

class CTabItem : public std::enable_shared_from_this<CTabItem> {
 public:
  CTabItem() = default;
  ~CTabItem();
  CTabItem(const CTabItem&) = delete;
  CTabItem& operator=(const CTabItem&) = delete;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  const std::shared_ptr<ITabForm>& Form() const { return form_; }
  void SetForm(std::shared_ptr<ITabForm> value);
  bool HideButton() const { return hideButton_; }
  void SetHideButton(bool value);
  std::int32_t Left() const { return left_; }
  std::int32_t Width() const { return width_; }
  bool LockSize() const { return lockSize_; }
  void SetLockSize(bool value);
  const std::any& ItemData() const { return itemData_; }
  void SetItemData(std::any value) { itemData_ = std::move(value); }

 private:
  friend class CTabItems;
  friend class TabStripCore;

  void SetTab(std::weak_ptr<IuTab> tab) { m_objTab = std::move(tab); }
  void SetLeft(std::int32_t value) { left_ = value; }
  void SetWidth(std::int32_t value) { width_ = value; }
  // Closes the window once, whichever tabs list it; later calls and the
  // releases of those tabs do nothing.
  void CloseForm();
  void RedrawStrip();

  std::string caption_;
  std::shared_ptr<ITabForm> form_;
  std::int32_t m_lOrigStyle = 0;
  bool hideButton_ = false;
  std::weak_ptr<IuTab> m_objTab;
  std::int32_t left_ = 0;
  std::int32_t width_ = 0;
  bool lockSize_ = false;
  std::any itemData_;
};

class CTabItems {
 public:
  explicit CTabItems(std::shared_ptr<ITabWindowApi> api = nullptr);
  // Closes the windows of the tabs still listed.
  ~CTabItems();
  CTabItems(const CTabItems&) = delete;
  CTabItems& operator=(const CTabItems&) = delete;

  // Throws TabError 5 (Index not numeric, or no window), 9 (position out of
  // range) or 457 (key in use); the window has been adopted by then.
  bool Add(const std::string& Caption, std::shared_ptr<ITabForm> Form, std::optional<std::string> Key = std::nullopt,
           TabIndex Index = TabIndex());
  bool Remove(const TabIndex& Index, bool bUnload);
  bool Clear();
  std::int32_t FindItem(const TabIndex& Index) const noexcept;
  bool ReleaseForm(const TabIndex& Index);
  std::int32_t Count() const { return static_cast<std::int32_t>(m_colItems.size()); }
  // Empty for a position out of range; TabError 5 for a missing key.
  std::shared_ptr<CTabItem> Item(const TabIndex& Index) const;
  std::int32_t Selected() const;
  void SetSelected(std::int32_t NewValue);

  // Attached by the strip right after it creates the list.
  void SetTab(std::weak_ptr<IuTab> tab) { m_objTab = std::move(tab); }
  std::shared_ptr<IuTab> Tab() const { return m_objTab.lock(); }

 private:
  struct Entry {
    std::shared_ptr<CTabItem> item;
    std::optional<std::string> key;
  };
  std::int32_t FindKey(const std::string& key) const;
  std::int32_t PositionOf(const CTabItem* item) const;

  std::vector<Entry> m_colItems;
  std::weak_ptr<IuTab> m_objTab;
  std::shared_ptr<ITabWindowApi> api_;
};

}  // namespace vorn2
