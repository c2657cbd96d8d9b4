#include "tabs/TabModel.h"

#include <cmath>
#include <limits>

#include "framework/FailureTrace.h"

namespace vorn2 {
namespace {

const char* ErrorText(int number) {
  switch (number) {
    case TabError::kInvalidArgument:
      return "Invalid procedure call or argument";
    case TabError::kOutOfRange:
      return "Subscript out of range";
    case TabError::kNoObject:
      return "Object variable not set";
    case TabError::kDuplicateKey:
      return "This key is already associated with an element of this collection";
    default:
      return "Tab list error";
  }
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool KeysEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A decimal number in text ("  -2.5e1 "), as the list reads a textual Index.
std::optional<double> ParseDecimal(const std::string& text) {
  std::size_t i = 0, n = text.size();
  while (i < n && IsSpace(text[i])) ++i;
  while (n > i && IsSpace(text[n - 1])) --n;
  if (i == n) return std::nullopt;
  const std::size_t start = i;
  if (text[i] == '+' || text[i] == '-') ++i;
  std::size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  return std::strtod(text.substr(start, n - start).c_str(), nullptr);
}

// Rounds to a 32-bit position; nullopt when it does not fit.
std::optional<std::int32_t> ToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = RoundHalfEven(value);
  if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(r);
}

}  // namespace

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double lower = std::floor(value);
  const double diff = value - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

TabError::TabError(int number) : std::runtime_error(ErrorText(number)), number_(number) {}

// --- CTabItem -------------------------------------------------------------

CTabItem::~CTabItem() {
  // An item that goes away while it still holds an open window closes it.
  try {
    CloseForm();
  } catch (...) {
    VORN2_TRACE_CAUGHT();
  }
}

void CTabItem::RedrawStrip() {
  if (auto tab = m_objTab.lock()) tab->Redraw(true);
}

void CTabItem::SetCaption(const std::string& value) {
  caption_ = value;
  RedrawStrip();
}

void CTabItem::SetHideButton(bool value) {
  hideButton_ = value;
  RedrawStrip();
}

void CTabItem::SetLockSize(bool value) {
  lockSize_ = value;
  RedrawStrip();
}

void CTabItem::SetForm(std::shared_ptr<ITabForm> value) {
  form_ = std::move(value);
  if (!form_) return;
  // Keep the window alive through the calls even if a callee drops it.
  std::shared_ptr<ITabForm> form = form_;
  form->Initialize(m_objTab, shared_from_this());
  if (auto tab = m_objTab.lock()) tab->ChangeForm(shared_from_this(), form);
}

void CTabItem::CloseForm() {
  // The window remembers it was closed: another tab listing it closes nothing.
  if (!form_ || form_->closedByModel_) return;
  form_->closedByModel_ = true;
  std::shared_ptr<ITabForm> form = form_;
  form->Unload();
}

// --- CTabItems ------------------------------------------------------------

CTabItems::CTabItems(std::shared_ptr<ITabWindowApi> api) : api_(std::move(api)) {}

CTabItems::~CTabItems() {
  std::vector<Entry> items;
  items.swap(m_colItems);
  for (const Entry& entry : items) {
    try {
      entry.item->CloseForm();
    } catch (...) {
      VORN2_TRACE_CAUGHT();
    }
  }
}

std::int32_t CTabItems::FindKey(const std::string& key) const {
  for (std::size_t i = 0; i < m_colItems.size(); ++i) {
    if (m_colItems[i].key && KeysEqual(*m_colItems[i].key, key)) return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::int32_t CTabItems::PositionOf(const CTabItem* item) const {
  for (std::size_t i = 0; i < m_colItems.size(); ++i) {
    if (m_colItems[i].item.get() == item) return static_cast<std::int32_t>(i);
  }
  return -1;
}

bool CTabItems::Add(const std::string& Caption, std::shared_ptr<ITabForm> Form, std::optional<std::string> Key,
                    TabIndex Index) {
  if (!Form) throw TabError(TabError::kInvalidArgument);
  const std::shared_ptr<IuTab> tab = m_objTab.lock();

  const WindowHandle window = Form->hWnd();
  auto item = std::make_shared<CTabItem>();
  item->m_lOrigStyle = api_ ? api_->GetStyle(window) : 0;
  item->SetTab(m_objTab);
  Form->Initialize(m_objTab, item);
  item->SetCaption(Caption);
  item->SetForm(Form);

  try {
    std::size_t position = m_colItems.size();
    if (!Index.IsMissing()) {
      std::optional<double> number;
      if (const double* d = Index.Number()) number = *d;
      else if (const std::string* s = Index.Text()) number = ParseDecimal(*s);
      if (!number || std::isnan(*number)) throw TabError(TabError::kInvalidArgument);
      const double n = RoundHalfEven(*number);
      if (n < 0 || n > static_cast<double>(m_colItems.size())) throw TabError(TabError::kOutOfRange);
      position = static_cast<std::size_t>(n);
    }
    if (Key && FindKey(*Key) >= 0) throw TabError(TabError::kDuplicateKey);
    m_colItems.insert(m_colItems.begin() + static_cast<std::ptrdiff_t>(position), Entry{item, Key});
  } catch (...) {
    // The window stays adopted and keeps the unlisted item; the item lets go
    // of the window so that the pair is no cycle and its release closes
    // nothing.
    item->form_.reset();
    throw;
  }

  if (tab) {
    tab->Add(Caption, Form, Key, Index);
    if (api_) api_->SetActiveWindow(tab->hWnd());
  }
  return true;
}

bool CTabItems::Remove(const TabIndex& Index, bool bUnload) {
  std::int32_t p = FindItem(Index);
  if (p < 0) return false;
  const std::shared_ptr<CTabItem> item = m_colItems[static_cast<std::size_t>(p)].item;
  const std::shared_ptr<ITabForm> form = item->Form();

  if (auto tab = m_objTab.lock()) {
    if (!tab->BeforeRemove(p)) return false;
  }
  // The host's close question may have changed the list meanwhile.
  p = PositionOf(item.get());
  if (p < 0) return false;

  m_colItems.erase(m_colItems.begin() + p);
  if (auto tab = m_objTab.lock()) tab->Remove(p);
  if (form && bUnload) item->CloseForm();
  return true;
}

bool CTabItems::Clear() {
  std::vector<Entry> items;
  items.swap(m_colItems);
  for (const Entry& entry : items) entry.item->CloseForm();
  items.clear();
  if (auto tab = m_objTab.lock()) tab->Clear();
  return false;
}

std::int32_t CTabItems::FindItem(const TabIndex& Index) const noexcept {
  try {
    if (m_colItems.empty()) return -1;
    if (const std::string* key = Index.Text()) return FindKey(*key);
    if (const double* number = Index.Number()) {
      const std::optional<std::int32_t> p = ToInt32(*number);
      if (!p || *p < 0 || *p >= Count()) return -1;
      return *p;
    }
    if (const auto* form = Index.Form()) {
      if (!*form) return -1;
      for (std::size_t i = 0; i < m_colItems.size(); ++i) {
        if (m_colItems[i].item->Form() == *form) return static_cast<std::int32_t>(i);
      }
      return -1;
    }
    if (const auto* item = Index.Item()) return *item ? PositionOf(item->get()) : -1;
    return -1;
  } catch (...) {
    VORN2_TRACE_CAUGHT();
    return -1;
  }
}

std::shared_ptr<CTabItem> CTabItems::Item(const TabIndex& Index) const {
  if (const std::string* key = Index.Text()) {
    const std::int32_t p = FindKey(*key);
    if (p < 0) throw TabError(TabError::kInvalidArgument);
    return m_colItems[static_cast<std::size_t>(p)].item;
  }
  const double* number = Index.Number();
  if (!number) throw TabError(TabError::kInvalidArgument);
  // The range is checked on the position as given, before rounding: -0.4 and
  // 2.3 on three tabs are no tabs (and NaN fails both comparisons).
  if (!(*number >= 0 && *number <= Count() - 1)) return nullptr;
  return m_colItems[static_cast<std::size_t>(RoundHalfEven(*number))].item;
}

bool CTabItems::ReleaseForm(const TabIndex& Index) {
  const std::int32_t p = FindItem(Index);
  if (p < 0) return false;
  const std::shared_ptr<CTabItem> item = m_colItems[static_cast<std::size_t>(p)].item;
  const std::shared_ptr<ITabForm> form = item->Form();
  const std::int32_t origStyle = item->m_lOrigStyle;
  // A removal the host refused leaves the window in its tab.
  if (!Remove(p, false)) return false;
  if (!form || !api_) return false;

  const WindowHandle window = form->hWnd();
  api_->SetParentNone(window);
  std::int32_t screenW = 0, screenH = 0, left = 0, top = 0, right = 0, bottom = 0;
  api_->ScreenSize(screenW, screenH);
  api_->WindowRect(window, left, top, right, bottom);
  api_->SetStyle(window, origStyle);
  const double x = RoundHalfEven((static_cast<double>(screenW) - (right - left)) / 2.0);
  const double y = RoundHalfEven((static_cast<double>(screenH) - (bottom - top)) / 2.0);
  api_->PlaceAt(window, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0x61);
  if (auto tab = m_objTab.lock()) api_->RedrawWindow(tab->hParent(), 3);
  return false;
}

std::int32_t CTabItems::Selected() const {
  auto tab = m_objTab.lock();
  return tab ? tab->Selected() : -1;
}

void CTabItems::SetSelected(std::int32_t NewValue) {
  if (auto tab = m_objTab.lock()) tab->SetSelected(NewValue);
}

}  // namespace vorn2
