// Times DrawTabs (tab area, compose and the window transfer) at several tab
// counts and prints the mean per draw.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/Form.h"
#include "tabs/win/uTab.h"

using namespace vorn2;

namespace {

class BenchPage : public Form, public ITabForm {
 public:
  BenchPage() : Form(Design()) { Form::Load(); }
  WindowHandle hWnd() override { return reinterpret_cast<WindowHandle>(Window::hWnd()); }
  void Initialize(std::weak_ptr<IuTab>, std::shared_ptr<CTabItem>) override {}
  void RefreshPage() override {}
  void Unload() override {
    if (IsLoaded()) Form::Unload(UnloadMode::FromCode);
  }

 private:
  static FormDesign Design() {
    FormDesign d;
    d.className = L"Vorn2BenchTabPage";
    d.caption = "page";
    d.showInTaskbar = false;
    d.appIcon = false;
    return d;
  }
};

}  // namespace

int main() {
  FormDesign hostDesign;
  hostDesign.className = L"Vorn2BenchTabHost";
  hostDesign.caption = "bench";
  hostDesign.clientWidthTwips = 1280 * 15;
  hostDesign.clientHeightTwips = 600 * 15;
  hostDesign.showInTaskbar = false;
  hostDesign.appIcon = false;
  Form host(hostDesign);
  host.Load();
  host.Show();

  for (int count : {1, 10, 20, 50}) {
    auto tab = uTab::New();
    PropertyBag bag;
    bag.Set("TabStyle", std::int64_t{1});
    bag.Set("TabLeftSize", std::int64_t{10});
    tab->ReadProperties(bag);
    tab->Create(host.hWnd(), 0, 0, 1200, 32);
    HWND container = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 40, 1200, 500, host.hWnd(),
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    tab->SethContainerWnd(container);
    tab->LockReDraw(false);
    for (int i = 0; i < count; ++i) {
      tab->TabItems()->Add("游戏页面 " + std::to_string(i), std::make_shared<BenchPage>());
    }
    tab->SetSelected(count / 2);
    for (int i = 0; i < 5; ++i) tab->DrawTabs(true);  // warm up
    const int rounds = count >= 20 ? 100 : 300;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) tab->DrawTabs(true);
    const auto end = std::chrono::steady_clock::now();
    const double us = std::chrono::duration<double, std::micro>(end - start).count() / rounds;
    std::printf("DrawTabs %d tabs: %.1f us per draw\n", count, us);
    std::fflush(stdout);
    tab->TabItems()->Clear();
    tab.reset();
    DestroyWindow(container);
  }
  host.Unload();
  return 0;
}
