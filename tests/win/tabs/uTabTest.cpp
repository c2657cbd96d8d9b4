#include <gtest/gtest.h>

#include <windowsx.h>

#include <functional>
#include <memory>
#include <vector>

#include "framework/win/Control.h"
#include "framework/win/Form.h"
#include "resource_ids.h"
#include "tabs/win/mdlTabAPI.h"
#include "tabs/win/uTab.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

constexpr COLORREF kMagenta = 0x00FF00FF;

FormDesign TestDesign(const wchar_t* cls, int w, int h) {
  FormDesign d;
  d.className = cls;
  d.caption = "页面";
  d.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  d.clientWidthTwips = w * 15;
  d.clientHeightTwips = h * 15;
  d.showInTaskbar = false;
  d.appIcon = false;
  return d;
}

// A top-level window that lives in a tab, like the game page.
class TestPage : public Form, public ITabForm {
 public:
  TestPage() : Form(TestDesign(L"Vorn2TestTabPage", 300, 200)) { Form::Load(); }
  WindowHandle hWnd() override { return reinterpret_cast<WindowHandle>(Window::hWnd()); }
  HWND Handle() const { return Window::hWnd(); }
  void Initialize(std::weak_ptr<IuTab> Implement, std::shared_ptr<CTabItem> Item) override {
    strip_ = std::move(Implement);
    std::shared_ptr<CTabItem> old = std::move(item_);
    item_ = std::move(Item);
  }
  void RefreshPage() override { ++refreshes; }
  void Unload() override {
    ++unloads;
    if (IsLoaded()) Form::Unload(UnloadMode::FromCode);
    item_.reset();
    strip_.reset();
  }
  int refreshes = 0;
  int unloads = 0;

 private:
  std::weak_ptr<IuTab> strip_;
  std::shared_ptr<CTabItem> item_;
};

class Panel : public vorn2::Control {
 protected:
  const wchar_t* ClassName() const override { return L"Vorn2TestPanel"; }
};

// The main window's arrangement: a strip above a container of pages.
struct Host {
  Form form{TestDesign(L"Vorn2TestTabHost", 640, 480)};
  std::shared_ptr<uTab> tab = uTab::New();
  Panel container;

  explicit Host(int style = 0, int left = 40, int right = 0, int width = 600) {
    form.Load();
    PropertyBag bag;
    bag.Set("TabStyle", std::int64_t{style});
    bag.Set("TabLeftSize", std::int64_t{left});
    bag.Set("TabRightSize", std::int64_t{right});
    tab->ReadProperties(bag);
    tab->Create(form.hWnd(), 0, 0, width, 40);
    container.Create(form.hWnd(), 0, 40, 500, 300, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
    tab->SethContainerWnd(container.hWnd());
  }
  ~Host() {
    tab->TabItems()->Clear();
    tab.reset();
    container.Destroy();
    form.Unload();
    // Let the subclassers' release timers run before the next test makes
    // windows (handle values are reused).
    vorn2::test::Pump(150);
  }

  std::shared_ptr<TestPage> AddPage(const std::string& caption) {
    auto page = std::make_shared<TestPage>();
    const std::string key = caption.empty() ? "#" + std::to_string(tab->TabItems()->Count()) : caption;
    tab->TabItems()->Add(caption, page, key);
    return page;
  }
  COLORREF Final(int x, int y) const { return GetPixel(tab->FinalDC(), x, y); }
  std::vector<COLORREF> Snapshot() const {
    std::vector<COLORREF> px;
    for (int y = 0; y < tab->StripHeight(); ++y)
      for (int x = 0; x < 600; ++x) px.push_back(Final(x, y));
    return px;
  }
  void Send(UINT msg, WPARAM keys, int x, int y) { SendMessageW(tab->hWnd(), msg, keys, MAKELPARAM(x, y)); }
};

// A skin bitmap in a context of its own, for reading the expected colours.
struct Skin {
  HDC dc = nullptr;
  explicit Skin(int id) {
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    dc = mdlTabAPI::CreateBitmapDC(bmp);
  }
  ~Skin() { mdlTabAPI::DeleteMemDC(dc); }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
};

// The window's own visibility (the hidden host form hides everything).
bool Shown(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; }

RECT ClientOf(HWND w) {
  RECT rc{};
  GetClientRect(w, &rc);
  return rc;
}

}  // namespace

TEST(uTab, PropertiesDefaultAndAreAlwaysWritten) {
  auto tab = uTab::New();
  tab->ReadProperties(PropertyBag());
  EXPECT_EQ(tab->TabStyle(), 0);
  EXPECT_EQ(tab->TabLeftSize(), 40);
  EXPECT_EQ(tab->TabRightSize(), 0);
  PropertyBag out;
  tab->WriteProperties(out);
  EXPECT_EQ(out.Size(), 3u);
  EXPECT_EQ(out.ReadInt("TabLeftSize", -1), 40);

  PropertyBag in;
  in.Set("TabStyle", std::int64_t{1});
  in.Set("TabLeftSize", std::int64_t{10});
  tab->ReadProperties(in);
  EXPECT_EQ(tab->TabStyle(), 1);
  EXPECT_EQ(tab->TabLeftSize(), 10);
  EXPECT_EQ(tab->TabRightSize(), 0);
}

TEST(uTab, HeightFollowsTheStyleAndTheWindowKeepsItsOwnProcedure) {
  Host compact(0);
  EXPECT_EQ(ClientOf(compact.tab->hWnd()).bottom, 25);
  Host rounded(1, 10);
  EXPECT_EQ(ClientOf(rounded.tab->hWnd()).bottom, 32);
  // Paint, erase and leave are cases of the strip's own procedure: nothing
  // is put in front of it.
  EXPECT_EQ(GetWindowLongPtrW(compact.tab->hWnd(), GWLP_WNDPROC), GetClassLongPtrW(compact.tab->hWnd(), GCLP_WNDPROC));
  EXPECT_EQ(SendMessageW(compact.tab->hWnd(), WM_ERASEBKGND, 0, 0), 0);
  // Painting copies the composed buffer onto the window.
  compact.tab->LockReDraw(false);
  ShowWindow(compact.form.hWnd(), SW_SHOWNOACTIVATE);
  RedrawWindow(compact.tab->hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const WindowDC shown(compact.tab->hWnd());
  for (const int x : {5, 300}) EXPECT_EQ(GetPixel(shown.get(), x, 10), compact.Final(x, 10)) << x;
}

TEST(uTab, AdoptedPagesAreHiddenChildrenAndTheSelectedOneIsShownOnTop) {
  Host host;
  host.tab->LockReDraw(false);
  auto a = host.AddPage("a");
  auto b = host.AddPage("b");
  for (auto* page : {a.get(), b.get()}) {
    HWND w = page->Handle();
    EXPECT_EQ(GetParent(w), host.container.hWnd());
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    RECT rc{};
    GetWindowRect(w, &rc);
    EXPECT_EQ(rc.right - rc.left, 500);
    EXPECT_EQ(rc.bottom - rc.top, 300);
  }
  EXPECT_EQ(host.tab->Selected(), 0);
  // Adding the second page placed the selected first one.
  EXPECT_TRUE(Shown(a->Handle()));
  EXPECT_FALSE(Shown(b->Handle()));

  host.tab->SetSelected(1);
  EXPECT_TRUE(Shown(b->Handle()));
  EXPECT_EQ(GetWindow(host.container.hWnd(), GW_CHILD), b->Handle());
  host.tab->SetSelected(0);
  EXPECT_EQ(GetWindow(host.container.hWnd(), GW_CHILD), a->Handle());
  EXPECT_TRUE(Shown(b->Handle()));  // beneath, not hidden

  // The container grows: the selected page follows through the subclassed WM_SIZE.
  MoveWindow(host.container.hWnd(), 0, 40, 620, 350, TRUE);
  RECT rc{};
  GetWindowRect(a->Handle(), &rc);
  EXPECT_EQ(rc.right - rc.left, 620);
  EXPECT_EQ(rc.bottom - rc.top, 350);
  GetWindowRect(b->Handle(), &rc);
  EXPECT_EQ(rc.right - rc.left, 500);

  host.tab->RefreshPage();
  EXPECT_EQ(a->refreshes, 1);
}

TEST(uTab, ClosingThroughTheModelDestroysThePageWindowsOnce) {
  Host host;
  host.tab->LockReDraw(false);
  auto a = host.AddPage("a");
  auto b = host.AddPage("b");
  auto c = host.AddPage("c");
  const HWND ha = a->Handle(), hb = b->Handle(), hc = c->Handle();
  host.tab->SetSelected(2);
  EXPECT_TRUE(host.tab->TabItems()->Remove("c", true));
  EXPECT_FALSE(IsWindow(hc));
  EXPECT_EQ(c->unloads, 1);
  EXPECT_EQ(host.tab->Selected(), 0);
  EXPECT_TRUE(Shown(ha));

  EXPECT_TRUE(host.tab->TabItems()->Remove("a", false));
  EXPECT_TRUE(IsWindow(ha));  // left open inside the container
  EXPECT_EQ(GetParent(ha), host.container.hWnd());
  host.tab->TabItems()->Clear();
  EXPECT_FALSE(IsWindow(hb));
  EXPECT_EQ(b->unloads, 1);
  a->Unload();
  EXPECT_FALSE(IsWindow(ha));
}

TEST(uTab, ReleaseFormGivesBackAVisibleTopLevelWindow) {
  Host host;
  host.tab->LockReDraw(false);
  auto a = host.AddPage("a");
  host.tab->TabItems()->ReleaseForm("a");
  const HWND w = a->Handle();
  EXPECT_EQ(GetAncestor(w, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(GetWindowLongW(w, GWL_STYLE) & WS_CAPTION);
  EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(Shown(w));
  EXPECT_EQ(host.tab->TabItems()->Count(), 0);
  a->Unload();
}

TEST(uTabDrawing, BackgroundSelectedTabAndGlyphsComeFromTheSkin) {
  Skin skin(IDB_TAB_SKIN0);
  Host host;
  host.tab->LockReDraw(false);
  auto a = host.AddPage("");
  auto b = host.AddPage("");
  host.tab->TabItems()->Item(0)->SetCaption("");
  ASSERT_EQ(host.tab->TabItems()->Item(0)->Left(), 14);
  ASSERT_EQ(host.tab->TabItems()->Item(0)->Width(), 108);

  // The left band shows the background column.
  for (int y = 0; y < 25; ++y) {
    EXPECT_EQ(host.Final(3, y), skin.At(0, y)) << y;
    EXPECT_EQ(host.Final(39, y), skin.At(0, y)) << y;
  }
  EXPECT_EQ(skin.At(0, 0), RGB(61, 162, 232));
  EXPECT_EQ(skin.At(0, 24), RGB(15, 106, 172));

  // Tab 0 (selected) covers tab-area x 0..121; its glyph sits at x 98..109, y 6..17.
  const int ox = 40;
  int checked = 0;
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 122; ++x) {
      if (x >= 98 && x <= 109 && y >= 6 && y <= 17) {
        const COLORREF g = skin.At(367 + x - 98, y - 6);
        if (g != kMagenta) {
          EXPECT_EQ(host.Final(ox + x, y), g) << x << "," << y;
        }
        continue;
      }
      const COLORREF s = skin.At(245 + x, y);
      const COLORREF expected = s == kMagenta ? skin.At(0, y) : s;
      if (x >= 108) continue;  // tab 1 lies beneath, its left slope shows here
      EXPECT_EQ(host.Final(ox + x, y), expected) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 2000);
  EXPECT_EQ(host.Final(ox + 60, 12), RGB(250, 249, 250));

  // Hover over tab 0's close box: the hot glyph; press: the pressed glyph.
  auto glyphMatches = [&](int srcX, int tabLeft) {
    int same = 0, total = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        const COLORREF g = skin.At(srcX + x, y);
        if (g == kMagenta) continue;
        ++total;
        if (host.Final(ox + tabLeft + 108 - 24 + x, 6 + y) == g) ++same;
      }
    return total > 0 && same == total;
  };
  EXPECT_TRUE(glyphMatches(367, 14));
  EXPECT_TRUE(glyphMatches(379, 122));  // the other tab's idle glyph
  host.Send(WM_MOUSEMOVE, 0, ox + 100, 12);
  EXPECT_EQ(host.tab->HotState(), 1);
  EXPECT_TRUE(glyphMatches(391, 14));
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, ox + 100, 12);
  EXPECT_TRUE(glyphMatches(403, 14));
  host.Send(WM_LBUTTONUP, 0, ox + 300, 12);  // released elsewhere: nothing closes
  EXPECT_EQ(host.tab->TabItems()->Count(), 2);
  EXPECT_TRUE(glyphMatches(367, 14));

  // Hovering tab 1's body draws its hover image.
  host.Send(WM_MOUSEMOVE, 0, ox + 150, 20);
  EXPECT_EQ(host.tab->HotIndex(), 1);
  EXPECT_EQ(host.Final(ox + 122 + 40, 22), skin.At(123 + 14 + 40, 22));
  EXPECT_NE(skin.At(123 + 14 + 40, 22), skin.At(1 + 14 + 40, 22));
}

TEST(uTabDrawing, NothingIsDrawnWhileRedrawIsLocked) {
  Host host;
  host.tab->LockReDraw(false);
  auto a = host.AddPage("one");
  auto b = host.AddPage("two");
  const std::vector<COLORREF> before = host.Snapshot();
  host.tab->LockReDraw(true);
  host.tab->TabItems()->Item(0)->SetCaption("changed");
  host.tab->SetSelected(1);
  host.Send(WM_MOUSEMOVE, 0, 200, 10);
  host.tab->refresh();
  EXPECT_EQ(host.Snapshot(), before);
  host.tab->LockReDraw(false);
  EXPECT_NE(host.Snapshot(), before);
}

TEST(uTabDrawing, CaptionIsCentredWhenItFitsAndCutWhenItDoesNot) {
  Host host;
  host.tab->LockReDraw(false);
  auto a = host.AddPage("");
  const std::vector<COLORREF> blank = host.Snapshot();
  // Text pixels: those that differ from the blank tab, left of the glyph.
  auto textSpan = [&](int& first, int& last) {
    const std::vector<COLORREF> now = host.Snapshot();
    first = 10000, last = -1;
    for (int y = 0; y < 25; ++y)
      for (int x = 40; x < 40 + 97; ++x)
        if (now[y * 600 + x] != blank[y * 600 + x]) first = std::min(first, x), last = std::max(last, x);
  };
  int first = 0, last = 0;
  host.tab->TabItems()->Item(0)->SetCaption("游戏");
  textSpan(first, last);
  ASSERT_GE(last, first);
  // Caption box: tab-area x 14..96 (width 108 - 26).
  const double centre = (first + last) / 2.0 - 40;
  EXPECT_NEAR(centre, 14 + 82 / 2.0, 3.0);

  host.tab->TabItems()->Item(0)->SetCaption("ABCDEFGHIJKLMNOPQRSTUVWXYZ ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  textSpan(first, last);
  ASSERT_GE(last, first);
  EXPECT_LE(first - 40, 16);  // left-aligned at the caption box
  EXPECT_LE(last - 40, 96);   // cut before the close glyph
}

TEST(uTabDrawing, HostPaintedBackgroundAndSkippedDefault) {
  Host host;
  host.tab->Events().OnDrawBackground = [](std::uintptr_t hdc, std::int32_t cx, std::int32_t cy, bool& skip) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    RECT rc{0, 0, cx, cy};
    FillRect(reinterpret_cast<HDC>(hdc), &rc, brush);
    DeleteObject(brush);
    skip = true;
  };
  host.tab->LockReDraw(false);
  EXPECT_EQ(host.Final(5, 5), RGB(1, 2, 3));
  EXPECT_EQ(host.Final(300, 20), RGB(1, 2, 3));
  // Painting in the event without skipping is overwritten by the skin.
  host.tab->Events().OnDrawBackground = [](std::uintptr_t hdc, std::int32_t cx, std::int32_t cy, bool&) {
    RECT rc{0, 0, cx, cy};
    FillRect(reinterpret_cast<HDC>(hdc), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  };
  host.tab->refresh();
  EXPECT_EQ(host.Final(5, 0), RGB(61, 162, 232));
}

TEST(uTabDrawing, RoundedStyleUsesTheSecondSkin) {
  Skin skin(IDB_TAB_SKIN1);
  Host host(1, 10, 0, 681);
  host.tab->LockReDraw(false);
  auto a = host.AddPage("");
  host.tab->SetSelected(0);
  EXPECT_EQ(host.Final(5, 0), skin.At(0, 0));
  EXPECT_EQ(host.Final(5, 31), skin.At(0, 27));
  // Selected tab at Left 0 width 200 (one tab): its middle comes from x 249..372.
  EXPECT_EQ(host.Final(10 + 100, 2), skin.At(249 + 62, 2));
}

TEST(uTabMouse, RealMessagesSelectAndCloseTabs) {
  Host host;
  host.tab->LockReDraw(false);
  auto a = host.AddPage("a");
  auto b = host.AddPage("b");
  std::vector<std::string> seen;
  host.tab->Events().TabChanged = [&] { seen.push_back("changed " + std::to_string(host.tab->Selected())); };
  host.tab->Events().OnMouseDown = [&](std::int32_t i, std::int16_t b, std::int16_t, float, float) {
    seen.push_back("down " + std::to_string(i) + " " + std::to_string(b));
  };
  host.tab->Events().OnItemColose = [&](std::int32_t i, bool&) { seen.push_back("close " + std::to_string(i)); };
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, 40 + 150, 10);
  host.Send(WM_LBUTTONUP, 0, 40 + 150, 10);
  EXPECT_EQ(host.tab->Selected(), 1);
  EXPECT_TRUE(Shown(b->Handle()));
  host.Send(WM_RBUTTONDOWN, MK_RBUTTON, 10, 10);
  host.Send(WM_RBUTTONUP, 0, 10, 10);
  const HWND ha = a->Handle();
  host.Send(WM_MOUSEMOVE, 0, 40 + 100, 12);
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, 40 + 100, 12);
  host.Send(WM_LBUTTONUP, 0, 40 + 100, 12);
  EXPECT_EQ(seen, (std::vector<std::string>{"changed 1", "down 1 1", "down 0 2", "changed 1", "down 0 1",
                                            "close 0"}));
  EXPECT_FALSE(IsWindow(ha));
  EXPECT_EQ(host.tab->TabItems()->Count(), 1);
  EXPECT_EQ(host.tab->Selected(), 0);
  EXPECT_EQ(GetCapture(), nullptr);

  // Mouse leave: hover cleared, event raised once.
  int leaves = 0;
  host.tab->Events().OnMouseLeave = [&] { ++leaves; };
  host.Send(WM_MOUSEMOVE, 0, 40 + 30, 12);
  EXPECT_EQ(host.tab->HotIndex(), 0);
  SendMessageW(host.tab->hWnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(host.tab->HotIndex(), -1);
  EXPECT_EQ(leaves, 1);

  // A double click replays the press recorded at the first click.
  std::vector<std::string> dbl;
  host.tab->Events().OnDblClick = [&](std::int32_t i, std::int16_t b, std::int16_t, float x, float) {
    dbl.push_back(std::to_string(i) + " " + std::to_string(b) + " " + std::to_string(static_cast<int>(x)));
  };
  host.Send(WM_LBUTTONDOWN, MK_LBUTTON, 40 + 30, 12);
  host.Send(WM_LBUTTONUP, 0, 40 + 30, 12);
  host.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 40 + 30, 12);
  host.Send(WM_LBUTTONUP, 0, 40 + 30, 12);
  EXPECT_EQ(dbl, std::vector<std::string>{"0 1 70"});
}

TEST(uTabMouse, ToolTipTextIsKept) {
  Host host;
  EXPECT_EQ(host.tab->ToolTipText(), "");
  host.tab->SetToolTipText("游戏页面");
  EXPECT_EQ(host.tab->ToolTipText(), "游戏页面");
  host.tab->SetToolTipText("");
  EXPECT_EQ(host.tab->ToolTipText(), "");
}

TEST(mdlTabAPI, MemoryContextsAndTheirErrors) {
  HDC dc = mdlTabAPI::CreateMemDC(10, 5);
  ASSERT_NE(dc, nullptr);
  BITMAP bm{};
  GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 10);
  EXPECT_EQ(bm.bmHeight, 5);
  EXPECT_EQ(mdlTabAPI::DeleteMemDC(dc), 1);
  try {
    mdlTabAPI::CreateMemDC(100000, 100000);
    ADD_FAILURE() << "no error";
  } catch (const TabDrawError& e) {
    EXPECT_STREQ(e.what(), "CreateCompatibleBitmap调用失败");
  }
}

TEST(mdlTabAPI, NineSliceKeepsTheSidesAndStretchesTheCentre) {
  // Source 30 x 4: red left 14 columns, green middle 2, blue right 14.
  HDC src = mdlTabAPI::CreateMemDC(30, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 30; ++x) SetPixel(src, x, y, x < 14 ? RGB(200, 0, 0) : x < 16 ? RGB(0, 200, 0) : RGB(0, 0, 200));
  SetPixel(src, 0, 0, kMagenta);
  HDC dst = mdlTabAPI::CreateMemDC(100, 4);
  RECT all{0, 0, 100, 4};
  FillRect(dst, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_NE(mdlTabAPI::NineSliceBlt(dst, 10, 0, 80, 4, src, 0, 0, 30, 4, 14, 0, 14, 0, kMagenta), 0);
  EXPECT_EQ(GetPixel(dst, 10, 0), RGB(255, 255, 255));  // transparent key
  EXPECT_EQ(GetPixel(dst, 11, 0), RGB(200, 0, 0));
  EXPECT_EQ(GetPixel(dst, 23, 2), RGB(200, 0, 0));
  EXPECT_EQ(GetPixel(dst, 50, 2), RGB(0, 200, 0));
  EXPECT_EQ(GetPixel(dst, 76, 2), RGB(0, 0, 200));
  EXPECT_EQ(GetPixel(dst, 89, 2), RGB(0, 0, 200));
  EXPECT_EQ(GetPixel(dst, 90, 2), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dst, 9, 2), RGB(255, 255, 255));
  EXPECT_EQ(mdlTabAPI::NineSliceBlt(dst, 0, 0, 0, 4, src, 0, 0, 30, 4, 14, 0, 14, 0), 0);
  EXPECT_EQ(mdlTabAPI::NineSliceBlt(dst, 0, 0, -3, 4, src, 0, 0, 30, 4, 14, 0, 14, 0), 0);
  // Without margins the source is stretched and drawn too.
  EXPECT_NE(mdlTabAPI::NineSliceBlt(dst, 0, 0, 60, 4, src, 14, 0, 2, 4, 0, 0, 0, 0), 0);
  EXPECT_EQ(GetPixel(dst, 30, 1), RGB(0, 200, 0));
  mdlTabAPI::DeleteMemDC(src);
  mdlTabAPI::DeleteMemDC(dst);
}

TEST(mdlTabAPI, ModifyStyleChangesOnlyWhatDiffers) {
  Form f(TestDesign(L"Vorn2TestStyleForm", 100, 100));
  f.Load();
  const LONG before = GetWindowLongW(f.hWnd(), GWL_STYLE);
  EXPECT_FALSE(mdlTabAPI::ModifyStyle(f.hWnd(), GWL_STYLE, WS_THICKFRAME, WS_CLIPCHILDREN, SWP_FRAMECHANGED));
  const LONG after = GetWindowLongW(f.hWnd(), GWL_STYLE);
  EXPECT_FALSE(after & WS_THICKFRAME);
  EXPECT_EQ(after | WS_THICKFRAME, before);
}

