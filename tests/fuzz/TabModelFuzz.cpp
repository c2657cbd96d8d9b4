// The tab list and the strip's core driven by a decoded sequence of list,
// selection, geometry and mouse operations, every step checked against a
// plain reference: the tabs in order (window, key, caption, flags), the
// selection, the hover state, the layout, the hit codes in the events, and
// each window closed at most once.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/tabs/TabFakes.h"
#include "fuzz/FuzzSupport.h"
#include "tabs/TabModel.h"
#include "tabs/TabStrip.h"

using namespace vorn2;
using namespace vorn2::test;

namespace {

constexpr std::size_t kMaxTabs = 48;
constexpr int kMaxSteps = 512;
constexpr double kPixelRange = 1000000;  // the strip holds its geometry within this

// Reads the input from the front, one decision at a time; zeros once used up.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::int32_t Int32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return static_cast<std::int32_t>(v);
  }
  float Float() {
    const std::uint32_t bits = static_cast<std::uint32_t>(Int32());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // One of a few values, or (rarely) a raw 32-bit one.
  std::int32_t Pick(std::initializer_list<std::int32_t> values) {
    const std::uint8_t b = Byte();
    if (b == 0xFF) return Int32();
    return values.begin()[b % values.size()];
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

bool KeysMatch(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
           return fold(x) == fold(y);
         });
}

struct RefTab {
  const CTabItem* item;
  FakeForm* form;
  std::optional<std::string> key;
  std::string caption;
  bool lockSize = false;
  bool hideButton = false;
  std::int32_t left = 0;
  std::int32_t width = 0;
};

struct RefHit {
  std::int32_t index;
  bool onClose;
};

struct Event {
  char kind;  // T TabChanged, D down, H hover, M move, U up, L leave, B double click
  std::int32_t index;
  bool operator==(const Event&) const = default;
};

class Harness {
 public:
  explicit Harness(Reader& in) : in_(in) {
    strip_ = FakeStrip::New(in.Pick({600, 681, 200, 30, 1280, 0, 100000}));
    items_ = strip_->TabItems();
    width_ = strip_->width;
    strip_->SetTabStyle(in.Pick({0, 1, 2, -1}));
    strip_->SetTabLeftSize(in.Pick({40, 10, 0, 100}));
    strip_->TabRight(in.Pick({0, 30, 5}));
    strip_->SetContainerForTest(in.Byte() % 2 ? 0x900 : 0);
    auto mouse = [this](char kind) {
      return [this, kind](std::int32_t i, std::int16_t, std::int16_t, float, float) { events_.push_back({kind, i}); };
    };
    strip_->Events().TabChanged = [this] { events_.push_back({'T', 0}); };
    strip_->Events().OnMouseDown = mouse('D');
    strip_->Events().OnMouseHover = mouse('H');
    strip_->Events().OnMouseMove = mouse('M');
    strip_->Events().OnMouseUp = mouse('U');
    strip_->Events().OnDblClick = mouse('B');
    strip_->Events().OnMouseLeave = [this] { events_.push_back({'L', 0}); };
    strip_->Events().OnItemColose = [this](std::int32_t index, bool& cancel) { CloseQuestion(index, cancel); };
  }

  void Run() {
    for (int step = 0; step < kMaxSteps && in_.More(); ++step) {
      Step(in_.Byte() % 16);
      CheckAll();
    }
    TearDown();
  }

 private:
  // --- Reference rules ----------------------------------------------------

  std::int32_t Count() const { return static_cast<std::int32_t>(ref_.size()); }

  std::int32_t RefPositionOf(const CTabItem* item) const {
    for (std::size_t i = 0; i < ref_.size(); ++i) {
      if (ref_[i].item == item) return static_cast<std::int32_t>(i);
    }
    return -1;
  }

  std::int32_t RefFindKey(const std::string& key) const {
    for (std::size_t i = 0; i < ref_.size(); ++i) {
      if (ref_[i].key && KeysMatch(*ref_[i].key, key)) return static_cast<std::int32_t>(i);
    }
    return -1;
  }

  // A position given as a number: rounded first, then it must name a tab.
  std::int32_t RefFindNumber(double d) const {
    const double r = RoundHalfEven(d);
    if (!std::isfinite(r) || r < 0 || r >= Count()) return -1;
    return static_cast<std::int32_t>(r);
  }

  // The layout rule, exact; unknown when the numbers leave the strip's range.
  void RefLayout() {
    if (!redraw_) return;
    const bool compact = strip_->TabStyle() == 0;
    const std::int32_t full = compact ? TabStripCore::kItemWidth0 : TabStripCore::kItemWidth1;
    const double area = static_cast<double>(width_) - strip_->TabLeftSize() - strip_->TabRightSize();
    const double n = Count();
    const double locked = static_cast<double>(std::count_if(ref_.begin(), ref_.end(), [](auto& t) { return t.lockSize; }));
    const double rest = compact ? area - full * locked - TabStripCore::kSlope : area - full * locked - 5 * n;
    double w = full;
    if (locked < n) w = RoundHalfEven(rest / (n - locked));
    w = std::min<double>(w, full);
    layoutKnown_ = std::fabs(area) <= kPixelRange && std::fabs(w) <= kPixelRange;
    double x = compact ? TabStripCore::kSlope : 0;
    for (RefTab& t : ref_) {
      const double width = t.lockSize ? full : w;
      layoutKnown_ = layoutKnown_ && std::fabs(x) <= kPixelRange;
      t.left = static_cast<std::int32_t>(std::clamp(x, -kPixelRange, kPixelRange));
      t.width = static_cast<std::int32_t>(std::clamp(width, -kPixelRange, kPixelRange));
      x += compact ? width : width + 5;
    }
    itemWidth_ = static_cast<std::int32_t>(std::clamp(w, -kPixelRange, kPixelRange));
  }

  RefHit RefHitTest(float X, float Y) const {
    const double x = RoundHalfEven(X), y = RoundHalfEven(Y);
    const double w = width_, left = strip_->TabLeftSize(), right = strip_->TabRightSize();
    if (!std::isfinite(x) || !std::isfinite(y) || x < 0 || x > w || y < 0 || y > 25) return {kHitOutside, false};
    if (x > w - right || x < left) return {kHitSideBand, false};
    if (ref_.empty()) return {kHitNoTab, false};
    const double rx = x - left;
    if (rx <= TabStripCore::kSlope) return {0, false};
    const bool compact = strip_->TabStyle() == 0;
    for (std::size_t i = 0; i < ref_.size(); ++i) {
      const double l = ref_[i].left, r = l + ref_[i].width;
      if (l <= rx && rx <= r) {
        bool onClose = false;
        if (!ref_[i].hideButton) {
          onClose = compact ? (r - 24 <= rx && rx <= r - 12 && 6 <= y && y <= 18)
                            : (r - 20 <= rx && rx <= r - 8 && 7 <= y && y <= 19);
        }
        return {static_cast<std::int32_t>(i), onClose};
      }
    }
    return {kHitNoTab, false};
  }

  // After the list removed a tab: the strip's selection rule and layout.
  void RefRemoved(const CTabItem* item, bool unload) {
    const std::int32_t p = RefPositionOf(item);
    FUZZ_CHECK(p >= 0);
    FakeForm* form = ref_[static_cast<std::size_t>(p)].form;
    ref_.erase(ref_.begin() + p);
    RefLayout();
    if (p == selected_) selected_ = 0;
    else if (selected_ > p) --selected_;
    if (unload && form) mustBeClosed_.push_back(form);
  }

  // --- The host's close question -------------------------------------------

  void CloseQuestion(std::int32_t index, bool& cancel) {
    FUZZ_CHECK(!expectedClose_.empty() && expectedClose_.back() == index);
    expectedClose_.pop_back();
    closeAsked_ = true;
    cancel = cancelCloses_;
    if (cancel || !nestedRemoval_) return;
    // The host closes a tab while it is asked about this one (this one too).
    const std::uint8_t other = *nestedRemoval_;
    nestedRemoval_.reset();
    RemoveThroughList(other % Count(), true);
  }

  // Runs an operation that asks the host about closing the tab at expected
  // (-1: no question) and, unless the host cancels or removes that tab
  // itself meanwhile, removes it: the reference follows. True when it did.
  template <class Operation>
  bool ThroughCloseQuestion(std::int32_t expected, bool unload, Operation operation) {
    const CTabItem* item = expected >= 0 ? ref_[static_cast<std::size_t>(expected)].item : nullptr;
    if (expected >= 0) expectedClose_.push_back(expected);
    const bool cancels = cancelCloses_;
    closeAsked_ = false;
    operation();
    FUZZ_CHECK(closeAsked_ == (expected >= 0));
    const bool removed = item && !cancels && RefPositionOf(item) >= 0;
    if (removed) RefRemoved(item, unload);
    return removed;
  }

  void RemoveThroughList(const TabIndex& index, bool unload, std::int32_t expected) {
    bool result = false;
    const bool removed = ThroughCloseQuestion(expected, unload, [&] { result = items_->Remove(index, unload); });
    FUZZ_CHECK(result == removed);
  }
  void RemoveThroughList(std::int32_t position, bool unload) {
    RemoveThroughList(TabIndex(position), unload, position);
  }

  // --- Operations ----------------------------------------------------------

  void Step(int op) {
    switch (op) {
      case 0:
      case 1:
        Add();
        break;
      case 2:
        Remove();
        break;
      case 3:
        Clear();
        break;
      case 4:
        Select();
        break;
      case 5:
        Mouse('M');
        break;
      case 6:
        Mouse('D');
        break;
      case 7:
        Mouse('U');
        break;
      case 8:
        Leave();
        break;
      case 9:
        DoubleClick();
        break;
      case 10:
        redraw_ = in_.Byte() % 2 == 0;
        strip_->LockReDraw(!redraw_);
        if (redraw_) RefLayout();
        break;
      case 11:
        ChangeItem();
        break;
      case 12:
        Geometry();
        break;
      case 13:
        Queries();
        break;
      case 14:
        cancelCloses_ = in_.Byte() % 4 == 0;
        if (in_.Byte() % 2) nestedRemoval_ = in_.Byte();
        break;
      default:
        Release();
        break;
    }
  }

  std::shared_ptr<FakeForm> ChooseForm() {
    const std::uint8_t b = in_.Byte();
    if (!forms_.empty() && b % 4 == 0) return forms_[in_.Byte() % forms_.size()];  // listed again, or closed
    auto form = std::make_shared<FakeForm>(0x1000 + forms_.size(), /*keepItem=*/b % 8 != 1);
    forms_.push_back(form);
    return form;
  }

  std::optional<std::string> ChooseKey() {
    static const char* const keys[] = {"a", "A", "b", "Game1", "GAME1", "2", "", "k"};
    const std::uint8_t b = in_.Byte();
    if (b % 3 == 0) return std::nullopt;
    return std::string(keys[b % 8]);
  }

  double ChooseNumber() {
    static const double numbers[] = {0, 1, 2, 3, -1, 0.5, 1.5, 2.5, -0.4, -0.5, 2.3, 1e12, -1e12, NAN, INFINITY};
    const std::uint8_t b = in_.Byte();
    if (b == 0xFF) return in_.Float();
    if (b % 2) return (b / 2) % (Count() + 3) - 1;
    return numbers[b % 15];
  }

  void Add() {
    if (ref_.size() >= kMaxTabs) return;
    const std::shared_ptr<FakeForm> form = ChooseForm();
    const std::optional<std::string> key = ChooseKey();
    const std::string caption = "t" + std::to_string(captions_++);
    TabIndex index;
    std::optional<double> number;  // what Index reads as; unknown for free text
    bool freeText = false;
    switch (in_.Byte() % 4) {
      case 0:
        break;
      case 1:
        number = ChooseNumber();
        index = *number;
        break;
      case 2: {
        number = ChooseNumber();
        char text[64];
        std::snprintf(text, sizeof text, in_.Byte() % 2 ? " %.17g " : "%.17g", *number);
        index = std::string(text);
        if (!std::isfinite(*number)) number = NAN;  // "inf" and "nan" are no numbers
        break;
      }
      default: {
        std::string text;
        for (int i = in_.Byte() % 6; i > 0; --i) text.push_back(static_cast<char>(in_.Byte()));
        index = text;
        freeText = true;
        break;
      }
    }
    std::int32_t position = Count();
    int expectedError = 0;
    if (number) {
      const double n = RoundHalfEven(*number);
      if (std::isnan(*number)) expectedError = TabError::kInvalidArgument;
      else if (n < 0 || n > Count()) expectedError = TabError::kOutOfRange;
      else position = static_cast<std::int32_t>(n);
    }
    if (!expectedError && key && RefFindKey(*key) >= 0) expectedError = TabError::kDuplicateKey;

    int error = 0;
    try {
      FUZZ_CHECK(items_->Add(caption, form, key, index));
    } catch (const TabError& e) {
      error = e.Number();
    }
    if (freeText) {
      FUZZ_CHECK(error == 0 || error == TabError::kInvalidArgument || error == TabError::kOutOfRange ||
                 error == TabError::kDuplicateKey);
      if (error == TabError::kDuplicateKey) FUZZ_CHECK(key && RefFindKey(*key) >= 0);
      if (error == 0) {
        position = -1;
        for (std::int32_t i = 0; i < items_->Count(); ++i) {
          if (items_->Item(i).get() == form->lastItem) position = i;
        }
        FUZZ_CHECK(position >= 0);
      }
    } else {
      FUZZ_CHECK(error == expectedError);
    }
    if (error) return;
    ref_.insert(ref_.begin() + position, RefTab{form->lastItem, form.get(), key, caption});
    if (selected_ > Count() || selected_ < 0) selected_ = 0;
    RefLayout();
  }

  TabIndex ChooseIndex(std::int32_t& expected) {
    const std::uint8_t b = in_.Byte();
    expected = -1;
    switch (b % 5) {
      case 0: {
        const std::optional<std::string> key = ChooseKey();
        if (!key) return TabIndex();
        if (!ref_.empty()) expected = RefFindKey(*key);
        return TabIndex(*key);
      }
      case 1: {
        const double d = ChooseNumber();
        if (!ref_.empty()) expected = RefFindNumber(d);
        return TabIndex(d);
      }
      case 2: {
        if (forms_.empty()) return TabIndex();
        const std::shared_ptr<FakeForm>& form = forms_[in_.Byte() % forms_.size()];
        for (std::size_t i = 0; i < ref_.size() && expected < 0; ++i) {
          if (ref_[i].form == form.get()) expected = static_cast<std::int32_t>(i);
        }
        return TabIndex(std::static_pointer_cast<ITabForm>(form));
      }
      case 3: {
        if (ref_.empty()) return TabIndex(std::make_shared<CTabItem>());
        expected = in_.Byte() % Count();
        return TabIndex(items_->Item(expected));
      }
      default:
        return TabIndex();
    }
  }

  void Remove() {
    std::int32_t expected = -1;
    const TabIndex index = ChooseIndex(expected);
    FUZZ_CHECK(items_->FindItem(index) == expected);
    RemoveThroughList(index, in_.Byte() % 2 == 0, expected);
  }

  void Release() {
    std::int32_t expected = -1;
    const TabIndex index = ChooseIndex(expected);
    ThroughCloseQuestion(expected, false, [&] { FUZZ_CHECK(!items_->ReleaseForm(index)); });
  }

  void Clear() {
    if (in_.Byte() % 4) return;  // rare: it empties everything
    for (const RefTab& t : ref_) mustBeClosed_.push_back(t.form);
    FUZZ_CHECK(!items_->Clear());
    ref_.clear();
    selected_ = 0;
    if (redraw_) RefLayout();
  }

  void Select() {
    const std::int32_t value = in_.Pick({0, 1, 2, 3, -1, -5, 4, 47});
    const std::size_t placedBefore = strip_->placed.size();
    items_->SetSelected(value);  // the list hands it to the strip
    if (value < 0) {
      selected_ = -1;
    } else if (value <= Count() - 1) {
      selected_ = value;
      if (strip_->hContainerWnd()) {
        FUZZ_CHECK(strip_->placed.size() == placedBefore + 1);
        FUZZ_CHECK(strip_->placed.back() == ref_[static_cast<std::size_t>(value)].form->hWnd());
      }
    }
  }

  // A coordinate near something that matters: a tab's edges and close box,
  // a band edge, anywhere small, or any float at all.
  float ChooseX() {
    const std::uint8_t mode = in_.Byte() % 4;
    const float half = (in_.Byte() % 2) ? 0.5f : 0.0f;
    const float delta = static_cast<float>(static_cast<std::int8_t>(in_.Byte()) % 4) + half;
    switch (mode) {
      case 0: {
        if (ref_.empty()) return delta;
        const RefTab& t = ref_[in_.Byte() % ref_.size()];
        const bool compact = strip_->TabStyle() == 0;
        const float right = static_cast<float>(t.left) + static_cast<float>(t.width);
        const float marks[] = {static_cast<float>(t.left), right, right - (compact ? 24.0f : 20.0f),
                               right - (compact ? 12.0f : 8.0f), right - 18.0f};
        return static_cast<float>(strip_->TabLeftSize()) + marks[in_.Byte() % 5] + delta;
      }
      case 1:
        return static_cast<float>(in_.Byte()) * 3.0f + delta;
      case 2: {
        const double left = strip_->TabLeftSize(), right = static_cast<double>(width_) - strip_->TabRightSize();
        const float edges[] = {static_cast<float>(left), static_cast<float>(right), 0.0f, static_cast<float>(width_),
                               static_cast<float>(left + 14)};
        return edges[in_.Byte() % 5] + delta;
      }
      default:
        return in_.Float();
    }
  }

  float ChooseY() {
    const std::uint8_t b = in_.Byte();
    if (b == 0xFF) return in_.Float();
    return static_cast<float>(b % 32) - 3.0f + ((b & 0x20) ? 0.5f : 0.0f);
  }

  void ExpectDown(std::int16_t button, float x, float y) {
    lastPress_ = {button, x, y};
    std::int32_t h = 0;
    if (button == kButtonLeft) {
      const RefHit hit = RefHitTest(x, y);
      h = hit.index;
      if (h >= 0 && h < Count()) {
        // The press takes the hover from its own hit.
        if (h != hot_ || !hit.onClose) hotState_ = 0;
        if (h != hot_) expected_.push_back({'H', h});
        hot_ = h;
        if (h != selected_ && !hit.onClose) selected_ = h;
        else if (hit.onClose && hotState_ != 2) hotState_ = 2;
        expected_.push_back({'T', 0});
      }
    }
    expected_.push_back({'D', h});
  }

  void Mouse(char kind) {
    const std::int16_t button = static_cast<std::int16_t>(in_.Pick({kButtonLeft, 0, kButtonRight, kButtonMiddle, 3}));
    const std::int16_t shift = static_cast<std::int16_t>(in_.Byte() & 7);
    const float x = ChooseX(), y = ChooseY();
    events_.clear();
    expected_.clear();
    if (kind == 'D') {
      ExpectDown(button, x, y);
      strip_->MouseDown(button, shift, x, y);
    } else if (kind == 'M') {
      std::int32_t h = 0;
      if (button == 0) {
        const RefHit hit = RefHitTest(x, y);
        h = hit.index;
        const std::int32_t s = hit.onClose ? 1 : 0;
        if (h != hot_ || s != hotState_) {
          if (h != hot_) expected_.push_back({'H', h});
          hot_ = h;
          hotState_ = s;
        }
      }
      expected_.push_back({'M', h});
      strip_->MouseMove(button, shift, x, y);
    } else {
      std::int32_t h = 0;
      std::int32_t closing = -1;
      if (button == kButtonLeft) {
        const RefHit hit = RefHitTest(x, y);
        h = hit.index;
        hotState_ = 0;
        const bool closes = h >= 0 && h < Count() && h == hot_ && hit.onClose;
        if (closes && !ref_[static_cast<std::size_t>(h)].hideButton) closing = h;
      }
      expected_.push_back({'U', h});
      ThroughCloseQuestion(closing, true, [&] { strip_->MouseUp(button, shift, x, y); });
    }
    FUZZ_CHECK(events_ == expected_);
  }

  void Leave() {
    events_.clear();
    strip_->MouseLeave();
    hot_ = -1;
    FUZZ_CHECK(events_ == std::vector<Event>{{'L', 0}});
  }

  void DoubleClick() {
    events_.clear();
    expected_.clear();
    const Press press = lastPress_;
    const RefHit hit = RefHitTest(press.x, press.y);
    ExpectDown(press.button, press.x, press.y);
    expected_.push_back({'B', hit.index});
    strip_->DblClick();
    FUZZ_CHECK(events_ == expected_);
  }

  void ChangeItem() {
    if (ref_.empty()) return;
    RefTab& t = ref_[in_.Byte() % ref_.size()];
    const std::shared_ptr<CTabItem> item = items_->Item(RefPositionOf(t.item));
    switch (in_.Byte() % 4) {
      case 0:
        t.lockSize = !t.lockSize;
        item->SetLockSize(t.lockSize);
        break;
      case 1:
        t.hideButton = !t.hideButton;
        item->SetHideButton(t.hideButton);
        break;
      case 2:
        t.caption = "c" + std::to_string(captions_++);
        item->SetCaption(t.caption);
        break;
      default: {
        const std::shared_ptr<FakeForm> form = ChooseForm();
        item->SetForm(form);
        t.form = form.get();
        break;
      }
    }
  }

  void Geometry() {
    const std::uint8_t what = in_.Byte() % 5;
    if (what == 0) strip_->SetTabLeftSize(in_.Pick({40, 10, 0, -20, 700, 2147483647, -2147483647 - 1}));
    if (what == 1) strip_->TabRight(in_.Pick({0, 30, -20, 700, 2147483647, -2147483647 - 1}));
    if (what == 2) strip_->SetTabStyle(in_.Pick({0, 1, 7}));
    if (what == 3) width_ = strip_->width = in_.Pick({600, 681, 200, 30, 0, 1280, 100000});
    // A resize of the control: layout again (drawing may still be locked).
    strip_->CalcItemWidth();
    strip_->LayoutItems();
    RefLayout();
  }

  void Queries() {
    const double d = ChooseNumber();
    const std::shared_ptr<CTabItem> item = items_->Item(d);
    if (d >= 0 && d <= Count() - 1) FUZZ_CHECK(item && item.get() == ref_[static_cast<std::size_t>(RoundHalfEven(d))].item);
    else FUZZ_CHECK(!item);
    FUZZ_CHECK(items_->FindItem(d) == (ref_.empty() ? -1 : RefFindNumber(d)));
    const std::optional<std::string> key = ChooseKey();
    if (key) {
      const std::int32_t p = RefFindKey(*key);
      int error = 0;
      try {
        const std::shared_ptr<CTabItem> byKey = items_->Item(*key);
        FUZZ_CHECK(p >= 0 && byKey.get() == ref_[static_cast<std::size_t>(p)].item);
      } catch (const TabError& e) {
        error = e.Number();
      }
      FUZZ_CHECK(error == (p >= 0 ? 0 : TabError::kInvalidArgument));
    }
    int error = 0;
    try {
      strip_->RefreshPage();
    } catch (const TabError& e) {
      error = e.Number();
    }
    FUZZ_CHECK(error == (selected_ >= 0 && selected_ < Count() ? 0 : TabError::kNoObject));
  }

  // --- Checks --------------------------------------------------------------

  void CheckAll() {
    FUZZ_CHECK(items_->Count() == Count());
    FUZZ_CHECK(items_->Selected() == selected_);
    FUZZ_CHECK(strip_->HotIndex() == hot_);
    FUZZ_CHECK(strip_->HotState() == hotState_);
    FUZZ_CHECK(expectedClose_.empty());
    for (std::int32_t i = 0; i < Count(); ++i) {
      const RefTab& t = ref_[static_cast<std::size_t>(i)];
      const std::shared_ptr<CTabItem> item = items_->Item(i);
      FUZZ_CHECK(item.get() == t.item);
      FUZZ_CHECK(item->Form().get() == t.form);
      FUZZ_CHECK(item->Caption() == t.caption);
      FUZZ_CHECK(item->LockSize() == t.lockSize && item->HideButton() == t.hideButton);
      if (t.key) FUZZ_CHECK(items_->FindItem(*t.key) == i);
      if (layoutKnown_) FUZZ_CHECK(item->Left() == t.left && item->Width() == t.width);
      FUZZ_CHECK(std::fabs(item->Left()) <= kPixelRange && std::fabs(item->Width()) <= kPixelRange);
    }
    if (layoutKnown_) {
      if (redraw_ && !ref_.empty()) FUZZ_CHECK(strip_->ItemWidth() == itemWidth_);
    } else {
      // Geometry beyond the checked range: hit tests use what the strip laid out.
      for (std::int32_t i = 0; i < Count(); ++i) {
        ref_[static_cast<std::size_t>(i)].left = items_->Item(i)->Left();
        ref_[static_cast<std::size_t>(i)].width = items_->Item(i)->Width();
      }
    }
    FUZZ_CHECK(!items_->Item(Count()) && !items_->Item(-1));
    for (const auto& form : forms_) FUZZ_CHECK(form->unloadCalls <= 1);
    for (const FakeForm* form : mustBeClosed_) FUZZ_CHECK(form->unloadCalls == 1);
  }

  void TearDown() {
    strip_->Events() = uTabEvents{};
    std::weak_ptr<CTabItems> list = items_;
    items_.reset();
    strip_.reset();
    FUZZ_CHECK(list.expired());
    // The host closes the windows it kept: each drops the tab it was given,
    // and a tab that goes with its window still open closes it, once.
    for (const auto& form : forms_) {
      std::shared_ptr<CTabItem> item = std::move(form->item);
      item.reset();
    }
    for (const auto& form : forms_) FUZZ_CHECK(form->unloadCalls <= 1);
    forms_.clear();
    FUZZ_CHECK(LiveForms() == 0);
  }

  struct Press {
    std::int16_t button = 0;
    float x = 0;
    float y = 0;
  };

  Reader& in_;
  std::shared_ptr<FakeStrip> strip_;
  std::shared_ptr<CTabItems> items_;
  std::vector<std::shared_ptr<FakeForm>> forms_;
  std::vector<RefTab> ref_;
  std::vector<Event> events_, expected_;
  std::vector<const FakeForm*> mustBeClosed_;
  std::vector<std::int32_t> expectedClose_;
  std::int32_t selected_ = -1;
  std::int32_t hot_ = -1;
  std::int32_t hotState_ = 0;
  std::int32_t itemWidth_ = TabStripCore::kItemWidth0;
  std::int32_t width_ = 600;
  bool redraw_ = false;
  bool layoutKnown_ = true;
  bool cancelCloses_ = false;
  bool closeAsked_ = false;
  std::optional<std::uint8_t> nestedRemoval_;
  Press lastPress_;
  int captions_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryBound bound(size, 512);
  Reader in(data, size);
  Harness harness(in);
  harness.Run();
  return 0;
}
