// Stand-ins for tab windows, the strip's window side and the window calls of
// the list, recording what the model and the strip ask of them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tabs/TabModel.h"
#include "tabs/TabStrip.h"

namespace vorn2::test {

inline int& LiveForms() {
  static int live = 0;
  return live;
}

class FakeForm : public ITabForm {
 public:
  explicit FakeForm(WindowHandle handle, bool keepItem = true) : handle_(handle), keepItem_(keepItem) {
    ++LiveForms();
  }
  ~FakeForm() override { --LiveForms(); }

  WindowHandle hWnd() override { return handle_; }
  void Initialize(std::weak_ptr<IuTab> Implement, std::shared_ptr<CTabItem> Item) override {
    ++initializeCalls;
    strip = std::move(Implement);
    lastItem = Item.get();
    // Swap first: the old item may close this window when it goes.
    std::shared_ptr<CTabItem> old = std::move(item);
    if (keepItem_) item = std::move(Item);
    old.reset();
  }
  void RefreshPage() override { ++refreshCalls; }
  void Unload() override {
    ++unloadCalls;
    item.reset();
    strip.reset();
  }

  int initializeCalls = 0;
  int refreshCalls = 0;
  int unloadCalls = 0;
  std::weak_ptr<IuTab> strip;
  std::shared_ptr<CTabItem> item;
  const CTabItem* lastItem = nullptr;

 private:
  WindowHandle handle_;
  bool keepItem_;
};

class FakeWindowApi : public ITabWindowApi {
 public:
  std::vector<std::string> calls;
  std::int32_t style = 0x00CF0000;
  std::int32_t rectW = 301, rectH = 200;

  std::int32_t GetStyle(WindowHandle w) override {
    calls.push_back("GetStyle " + std::to_string(w));
    return style;
  }
  void SetStyle(WindowHandle w, std::int32_t s) override {
    calls.push_back("SetStyle " + std::to_string(w) + " " + std::to_string(s));
  }
  void SetActiveWindow(WindowHandle w) override { calls.push_back("SetActiveWindow " + std::to_string(w)); }
  void SetParentNone(WindowHandle w) override { calls.push_back("SetParentNone " + std::to_string(w)); }
  void ScreenSize(std::int32_t& w, std::int32_t& h) override {
    calls.push_back("ScreenSize");
    w = 1280;
    h = 1024;
  }
  void WindowRect(WindowHandle w, std::int32_t& l, std::int32_t& t, std::int32_t& r, std::int32_t& b) override {
    calls.push_back("WindowRect " + std::to_string(w));
    l = 10, t = 20, r = 10 + rectW, b = 20 + rectH;
  }
  void PlaceAt(WindowHandle w, std::int32_t x, std::int32_t y, std::uint32_t flags) override {
    calls.push_back("PlaceAt " + std::to_string(w) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
                    std::to_string(flags));
  }
  void RedrawWindow(WindowHandle w, std::uint32_t flags) override {
    calls.push_back("RedrawWindow " + std::to_string(w) + " " + std::to_string(flags));
  }
};

// The strip without a window: a fixed client width, placement and drawing
// recorded.
class FakeStrip : public TabStripCore {
 public:
  static std::shared_ptr<FakeStrip> New(std::int32_t width = 600) {
    auto strip = std::make_shared<FakeStrip>();
    strip->width = width;
    strip->AttachList();
    return strip;
  }

  std::int32_t width = 600;
  std::vector<WindowHandle> adopted;
  std::vector<WindowHandle> placed;
  int backgrounds = 0;
  int tabDraws = 0;
  int leaveRequests = 0;

  void SetContainerForTest(WindowHandle w) { SetContainer(w); }

 protected:
  std::int32_t ClientWidth() const override { return width; }
  WindowHandle OwnWindow() const override { return 0x500; }
  WindowHandle ParentWindow() const override { return 0x600; }
  void AdoptForm(WindowHandle form) override { adopted.push_back(form); }
  void PlaceSelectedForm(WindowHandle form) override { placed.push_back(form); }
  void PaintBackground() override { ++backgrounds; }
  void PaintTabs(bool) override { ++tabDraws; }
  void TrackMouseLeave() override { ++leaveRequests; }
};

}  // namespace vorn2::test
