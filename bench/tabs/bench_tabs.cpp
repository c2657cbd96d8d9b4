// Times DrawTabs (tab area, compose and the window transfer) at several tab
// counts in both styles, and the steps one tab's drawing is made of, so the
// cost per tab can be traced to its parts.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/win/Form.h"
#include "resource_ids.h"
#include "tabs/win/TabImageCache.h"
#include "tabs/win/mdlTabAPI.h"
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

// Mean microseconds of one call of f over enough rounds to last ~200 ms.
double MeanMicros(const std::function<void()>& f) {
  using clock = std::chrono::steady_clock;
  for (int i = 0; i < 3; ++i) f();
  int rounds = 0;
  const auto start = clock::now();
  auto now = start;
  do {
    f();
    ++rounds;
    now = clock::now();
  } while (now - start < std::chrono::milliseconds(200) || rounds < 5);
  return std::chrono::duration<double, std::micro>(now - start).count() / rounds;
}

// One strip of count tabs in the given style, drawn over and over.
double DrawTabsMicros(Form& host, int style, int count) {
  auto tab = uTab::New();
  PropertyBag bag;
  bag.Set("TabStyle", std::int64_t{style});
  bag.Set("TabLeftSize", std::int64_t{10});
  tab->ReadProperties(bag);
  // Wide enough that 50 tabs of either style keep a readable width.
  tab->Create(host.hWnd(), 0, 0, 1200, 32);
  HWND container = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 40, 1200, 500, host.hWnd(), nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  tab->SethContainerWnd(container);
  tab->LockReDraw(false);
  for (int i = 0; i < count; ++i) tab->TabItems()->Add("游戏页面 " + std::to_string(i), std::make_shared<BenchPage>());
  tab->SetSelected(count / 2);
  const double us = MeanMicros([&] { tab->DrawTabs(true); });
  tab->TabItems()->Clear();
  tab.reset();
  DestroyWindow(container);
  return us;
}

HDC LoadSkin(int id) {
  auto bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  return mdlTabAPI::CreateBitmapDC(bitmap);
}

// The steps of one tab of the compact style (108 pixels wide) on its own.
void Breakdown() {
  HDC skin = LoadSkin(IDB_TAB_SKIN0);
  HDC area = mdlTabAPI::CreateMemDC(1200, 25);
  HDC image = mdlTabAPI::CreateMemDC(122, 25);
  BitBlt(image, 0, 0, 122, 25, skin, 1, 0, SRCCOPY);
  LOGFONTW lf{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(area, font);
  SetBkMode(area, TRANSPARENT);
  const std::wstring caption = L"游戏页面 7";

  struct Step {
    const char* name;
    const char* key;
    std::function<void()> run;
  };
  TabImageCache cache;
  const std::vector<Step> steps = {
      {"NineSliceBlt (a tab image, drawn anew)", "nine_slice",
       [&] { mdlTabAPI::NineSliceBlt(area, 100, 0, 122, 25, skin, 1, 0, 122, 25, 14, 0, 14, 0, 0x00FF00FF); }},
      {"  its CreateMemDC + DeleteMemDC", "nine_slice_buffer",
       [&] { mdlTabAPI::DeleteMemDC(mdlTabAPI::CreateMemDC(122, 25)); }},
      {"  its three StretchBlt, HALFTONE", "nine_slice_stretch",
       [&] {
         SetStretchBltMode(image, HALFTONE);
         StretchBlt(image, 0, 0, 14, 25, skin, 1, 0, 14, 25, SRCCOPY);
         StretchBlt(image, 108, 0, 14, 25, skin, 109, 0, 14, 25, SRCCOPY);
         StretchBlt(image, 14, 0, 94, 25, skin, 15, 0, 94, 25, SRCCOPY);
       }},
      {"  its TransBlt (TransparentBlt)", "nine_slice_transparent",
       [&] { mdlTabAPI::TransBlt(area, 100, 0, 122, 25, image, 0, 0, 0x00FF00FF); }},
      {"TransBlt of a close glyph", "glyph_transblt",
       [&] { mdlTabAPI::TransBlt(area, 190, 6, 12, 12, skin, 379, 0, 0x00FF00FF); }},
      {"cached tab image (mask AND, picture OR)", "cached_image",
       [&] { cache.DrawNineSlice(area, 100, 0, 122, 25, skin, 1, 0, 122, 25, 14, 0, 14, 0, 0x00FF00FF); }},
      {"cached close glyph", "cached_glyph",
       [&] { cache.DrawTransparent(area, 190, 6, 12, 12, skin, 379, 0, 0x00FF00FF); }},
      {"caption (measure and draw)", "caption",
       [&] {
         SIZE size{};
         GetTextExtentPoint32W(area, caption.c_str(), static_cast<int>(caption.size()), &size);
         mdlTabAPI::DrawTextRect(area, caption, -1, 100, 0, 70, 25, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
       }},
  };
  std::printf("one tab's steps, us per call:\n");
  for (const Step& s : steps) {
    const double us = MeanMicros(s.run);
    std::printf("  %-44s %8.1f\n", s.name, us);
    std::printf("metric tabs.%s_us %.1f\n", s.key, us);
  }
  SelectObject(area, oldFont);
  DeleteObject(font);
  mdlTabAPI::DeleteMemDC(image);
  mdlTabAPI::DeleteMemDC(area);
  mdlTabAPI::DeleteMemDC(skin);
}

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

  for (int style : {0, 1}) {
    for (int count : {0, 1, 10, 20, 50}) {
      const double us = DrawTabsMicros(host, style, count);
      std::printf("DrawTabs style %d, %d tabs: %.1f us per draw\n", style, count, us);
      std::printf("metric tabs.draw_style%d_%d_us %.1f\n", style, count, us);
      std::fflush(stdout);
    }
  }
  Breakdown();
  host.Unload();
  return 0;
}
