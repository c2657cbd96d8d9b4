#include <gtest/gtest.h>

#include <array>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "controls/win/BForm.h"
#include "controls/win/iButton.h"
#include "framework/win/Control.h"
#include "framework/win/Form.h"
#include "framework/win/GdiPlus.h"
#include "framework/win/Handles.h"
#include "framework/win/Resources.h"
#include "resource_ids.h"
#include "tabs/win/uTab.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

constexpr int kKinds = static_cast<int>(HandleKind::Count);
constexpr const char* kKindNames[kKinds] = {
    "Icon",     "Font",     "Bitmap",         "Region",        "Menu",         "Palette",      "Brush",
    "DC",       "WindowDC", "GdiplusSession", "GdiplusObject", "ComReference", "KernelObject", "File",
    "FindFile", "Internet", "Module",         "RegistryKey",   "String",       "GlobalMemory", "Window"};

using Counts = std::array<long, kKinds>;

Counts Live() {
  Counts c{};
  for (int k = 0; k < kKinds; ++k) c[k] = LiveHandles(static_cast<HandleKind>(k));
  return c;
}

std::string Describe(const Counts& c) {
  std::ostringstream out;
  for (int k = 0; k < kKinds; ++k) out << (k ? " " : "") << kKindNames[k] << '=' << c[k];
  return out.str();
}

long Live(HandleKind kind) { return LiveHandles(kind); }

// A COM object whose references the test can read.
class Probe : public IPersist {
 public:
  ULONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IPersist) {
      *ppv = static_cast<IPersist*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
};

bool Deleted(HGDIOBJ object) { return GetObjectType(object) == 0; }

}  // namespace

TEST(Handles, MovePutAndDetachKeepOneOwnerAndTheCount) {
  const long fonts = Live(HandleKind::Font);
  const HFONT raw = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW lf{};
  GetObjectW(raw, sizeof lf, &lf);
  UniqueFont a(CreateFontIndirectW(&lf));
  const HFONT first = a.get();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Live(HandleKind::Font), fonts + 1);

  UniqueFont b = std::move(a);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b.get(), first);
  EXPECT_EQ(Live(HandleKind::Font), fonts + 1) << "a move hands over, it does not count twice";

  // put() closes what was held before the out-call writes.
  HFONT* out = b.put();
  EXPECT_TRUE(Deleted(first));
  *out = CreateFontIndirectW(&lf);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(Live(HandleKind::Font), fonts + 1);
  // An out-call that writes nothing leaves an empty owner, counted until reset.
  (void)b.put();
  EXPECT_EQ(b, nullptr);
  b.reset();
  EXPECT_EQ(Live(HandleKind::Font), fonts);

  const long bitmaps = Live(HandleKind::Bitmap);
  UniqueBitmap bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
  EXPECT_EQ(Live(HandleKind::Bitmap), bitmaps + 1);
  const HBITMAP kept = bitmap.detach();
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_FALSE(Deleted(kept)) << "detach gives the handle up without closing it";
  EXPECT_EQ(Live(HandleKind::Bitmap), bitmaps);
  UniqueBitmap again(kept);
  again.reset();
  EXPECT_TRUE(Deleted(kept));
  EXPECT_EQ(Live(HandleKind::Bitmap), bitmaps);
}

TEST(Handles, ComPointerTakesAndGivesBackExactlyItsReferences) {
  Probe probe;
  const long refsBefore = Live(HandleKind::ComReference);
  {
    ComPtr<IPersist> shared = ComPtr<IPersist>::Share(&probe);
    EXPECT_EQ(probe.refs, 2u);
    ComPtr<IUnknown> unknown = shared.As<IUnknown>();
    EXPECT_EQ(probe.refs, 3u);
    EXPECT_EQ(shared.As<IStream>(), nullptr) << "an interface it does not have";
    EXPECT_EQ(probe.refs, 3u);
    EXPECT_EQ(Live(HandleKind::ComReference), refsBefore + 2);

    ComPtr<IPersist> moved = std::move(shared);
    EXPECT_EQ(shared, nullptr);
    EXPECT_EQ(probe.refs, 3u);
    // put() releases the old reference; the out-call's reference is adopted.
    EXPECT_EQ(probe.QueryInterface(IID_IPersist, moved.put_void()), S_OK);
    EXPECT_EQ(probe.refs, 3u);
    IPersist* raw = moved.detach();
    EXPECT_EQ(probe.refs, 3u) << "detach hands the reference over";
    EXPECT_EQ(Live(HandleKind::ComReference), refsBefore + 1);
    ComPtr<IPersist> adopted = ComPtr<IPersist>::Adopt(raw);
    EXPECT_EQ(probe.refs, 3u);
  }
  EXPECT_EQ(probe.refs, 1u);
  EXPECT_EQ(Live(HandleKind::ComReference), refsBefore);
}

TEST(Handles, SelectGuardRestoresThePreviousObjectInNestedAndMovedGuards) {
  const long windowDCs = Live(HandleKind::WindowDC);
  const WindowDC screen(nullptr);
  ASSERT_TRUE(screen);
  EXPECT_EQ(Live(HandleKind::WindowDC), windowDCs + 1);
  const UniqueDC dc(CreateCompatibleDC(screen.get()));
  const UniqueBitmap a(CreateCompatibleBitmap(screen.get(), 2, 2));
  const UniqueBitmap b(CreateCompatibleBitmap(screen.get(), 2, 2));
  const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
  {
    SelectGuard outer(dc.get(), a.get());
    EXPECT_EQ(outer.previous(), original);
    {
      const SelectGuard inner(dc.get(), b.get());
      EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), b.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), a.get());
    const SelectGuard moved = std::move(outer);
    outer.reset();  // moved from: nothing left to undo
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), a.get());
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), original);
  // A failed selection has nothing to undo.
  const SelectGuard none(dc.get(), static_cast<HGDIOBJ>(nullptr));
  EXPECT_EQ(none.previous(), nullptr);
}

TEST(Handles, OneGdiplusStartForOverlappingSessionsAndANewOneAfterTheLast) {
  const long open = Live(HandleKind::GdiplusSession);
  ASSERT_EQ(open, 0) << "no session may be left open by an earlier test";
  const int starts = GdiplusSession::Starts();
  {
    GdiplusSession first = GdiplusSession::Open();
    ASSERT_TRUE(first);
    GdiplusSession second = GdiplusSession::Open();
    EXPECT_EQ(GdiplusSession::Starts(), starts + 1);
    EXPECT_EQ(Live(HandleKind::GdiplusSession), 2);
    first.reset();
    GdiplusSession moved = std::move(second);
    EXPECT_FALSE(second);
    // GDI+ still runs for the remaining session.
    UniqueGdipBitmap bitmap;
    EXPECT_EQ(Gdiplus::DllExports::GdipCreateBitmapFromScan0(4, 4, 0, PixelFormat32bppARGB, nullptr, bitmap.put()),
              Gdiplus::Ok);
    EXPECT_EQ(Live(HandleKind::GdiplusSession), 1);
  }
  EXPECT_EQ(Live(HandleKind::GdiplusSession), 0);
  const GdiplusSession later = GdiplusSession::Open();
  EXPECT_EQ(GdiplusSession::Starts(), starts + 2) << "the last session shut GDI+ down";
}

namespace {

FormDesign ReloadDesign(const wchar_t* cls, int width, int height) {
  FormDesign d;
  d.className = cls;
  d.caption = "handles";
  d.style = WS_POPUP | WS_CLIPCHILDREN;
  d.leftTwips = 100 * 15;
  d.topTwips = 100 * 15;
  d.clientWidthTwips = width * 15;
  d.clientHeightTwips = height * 15;
  d.showInTaskbar = false;
  return d;  // with the client's icons
}

class Page : public Form, public ITabForm {
 public:
  Page() : Form(ReloadDesign(L"Vorn2HandlesTestPage", 200, 100)) { Form::Load(); }
  WindowHandle hWnd() override { return reinterpret_cast<WindowHandle>(Window::hWnd()); }
  void Initialize(std::weak_ptr<IuTab> strip, std::shared_ptr<CTabItem> item) override {
    strip_ = std::move(strip);
    item_ = std::move(item);
  }
  void RefreshPage() override {}
  void Unload() override {
    if (IsLoaded()) Form::Unload();
    item_.reset();
    strip_.reset();
  }

 private:
  std::weak_ptr<IuTab> strip_;
  std::shared_ptr<CTabItem> item_;
};

class Panel : public vorn2::Control {
 protected:
  const wchar_t* ClassName() const override { return L"Vorn2HandlesTestPanel"; }
};

// What the main window carries: skinned buttons (one shaped, one with a
// picture decoded by GDI+), a title bar painting the frame, and a tab strip
// with pages. The load makes all of it and the unload lets all of it go,
// except the button leakOne asks it to lose.
class LoadedForm : public Form {
 public:
  LoadedForm() : Form(ReloadDesign(L"Vorn2HandlesTestForm", 420, 200)) {}
  bool leakOne = false;
  iButton* leaked = nullptr;

  bool ButtonsCut() const {
    for (const auto& b : buttons_)
      if (!b->FramesReady() || !b->Frame(0)) return false;
    return !buttons_.empty();
  }

 protected:
  void OnLoad() override {
    title_ = std::make_unique<BForm>();
    title_->Create(hWnd(), 0, 0, 420, 33);
    title_->SetCaption("标题");
    title_->Printform(*this);
    const std::vector<unsigned char> gif = ReadResourceBytes(IDR_GIF_MINI, L"GIF");
    int x = 10;
    for (int id : {IDB_BTN_MIN, IDB_BTN_CLOSE, IDB_BTN_TOOL, IDB_BTN_DIALOG}) {
      auto button = std::make_unique<iButton>();
      button->Create(hWnd(), x, 40, 30, 20);
      PropertyBag bag;
      bag.Set("BackPicture", std::int64_t{id});
      bag.Set("Caption", std::string("按钮"));
      if (id == IDB_BTN_CLOSE) bag.Set("cBackStyle", std::int64_t{0});
      if (id == IDB_BTN_TOOL) bag.Set("Icon", std::string(gif.begin(), gif.end()));
      button->ReadProperties(bag);
      buttons_.push_back(std::move(button));
      x += 90;
    }
    tab_ = uTab::New();
    tab_->ReadProperties(PropertyBag());
    tab_->Create(hWnd(), 0, 80, 420, 25);
    container_.Create(hWnd(), 0, 105, 420, 95, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
    tab_->SethContainerWnd(container_.hWnd());
    tab_->LockReDraw(false);
    for (const char* caption : {"一", "二", "三"}) tab_->TabItems()->Add(caption, std::make_shared<Page>(), caption);
    tab_->SetSelected(1);
  }
  void OnUnload(bool&) override {
    tab_->TabItems()->Clear();
    tab_.reset();
    container_.Destroy();
    if (leakOne) leaked = buttons_.back().release();
    buttons_.clear();
    title_.reset();
  }

 private:
  std::unique_ptr<BForm> title_;
  std::vector<std::unique_ptr<iButton>> buttons_;
  std::shared_ptr<uTab> tab_;
  Panel container_;
};

// Loads, shows until every button has cut its frames, unloads.
void LoadShowUnload(LoadedForm& form) {
  ASSERT_TRUE(form.Load());
  form.Show(SW_SHOWNOACTIVATE);
  ASSERT_TRUE(test::PumpUntil([&] { return form.ButtonsCut(); }, 3000));
  form.Unload();
  test::Pump(20);
}

}  // namespace

TEST(Handles, FiftyReloadsOfAFormWithButtonsTitleAndTabsLeaveNoHandleBehind) {
  LoadedForm form;
  LoadShowUnload(form);  // first use of classes, stock caches and the like
  test::Pump(200);
  const Counts before = Live();

  // While loaded, every kind the form is made of is held.
  ASSERT_TRUE(form.Load());
  form.Show(SW_SHOWNOACTIVATE);
  ASSERT_TRUE(test::PumpUntil([&] { return form.ButtonsCut(); }, 3000));
  const Counts loaded = Live();
  for (HandleKind k : {HandleKind::Icon, HandleKind::Font, HandleKind::Bitmap, HandleKind::DC, HandleKind::Region}) {
    EXPECT_GT(loaded[static_cast<int>(k)], before[static_cast<int>(k)]) << kKindNames[static_cast<int>(k)];
  }
  const auto shownIcon = reinterpret_cast<HICON>(SendMessageW(form.hWnd(), WM_GETICON, ICON_BIG, 0));
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(shownIcon, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  form.Unload();
  EXPECT_FALSE(GetIconInfo(shownIcon, &info)) << "the window's icon is destroyed with the window";

  for (int i = 1; i < 50 && !HasFatalFailure(); ++i) LoadShowUnload(form);
  test::Pump(200);
  const Counts after = Live();
  std::cout << "live handles before 50 reloads: " << Describe(before) << "\n"
            << "live handles while loaded:      " << Describe(loaded) << "\n"
            << "live handles after 50 reloads:  " << Describe(after) << std::endl;
  EXPECT_EQ(Describe(after), Describe(before));

  // A form that loses one button on each unload: the same check sees it.
  form.leakOne = true;
  LoadShowUnload(form);
  std::unique_ptr<iButton> leaked(form.leaked);
  ASSERT_NE(leaked, nullptr);
  const Counts leaking = Live();
  EXPECT_NE(Describe(leaking), Describe(before));
  EXPECT_GT(leaking[static_cast<int>(HandleKind::Bitmap)], before[static_cast<int>(HandleKind::Bitmap)])
      << "the lost button's frames";
  EXPECT_GT(leaking[static_cast<int>(HandleKind::Font)], before[static_cast<int>(HandleKind::Font)])
      << "the lost button's caption font";
  leaked.reset();
  EXPECT_EQ(Describe(Live()), Describe(before)) << "the difference was exactly the lost button";
}

namespace {
int g_ncDestroys = 0;
LRESULT CALLBACK CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCDESTROY) ++g_ncDestroys;
  return DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST(Handles, WindowOwnerDestroysOnceAndCountsWhatItHolds) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &CountingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Vorn2HandlesTestCounted";
  RegisterClassW(&wc);
  const auto make = [](HWND parent) {
    return CreateWindowExW(0, L"Vorn2HandlesTestCounted", L"", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  };
  const long windows = Live(HandleKind::Window);
  g_ncDestroys = 0;
  UniqueWindow parent(make(nullptr));
  UniqueWindow child(make(parent.get()));
  UniqueWindow moved = std::move(parent);
  EXPECT_EQ(Live(HandleKind::Window), windows + 2) << "a move hands over, it does not count twice";
  moved.reset();  // takes the child with it
  EXPECT_EQ(g_ncDestroys, 2);
  child.reset();  // gone already: not destroyed again, no failure traced
  EXPECT_EQ(g_ncDestroys, 2);
  EXPECT_EQ(Live(HandleKind::Window), windows);

  // A window of ours is held the same way and let go when it goes with its parent.
  UniqueWindow host(make(nullptr));
  Panel panel;
  ASSERT_TRUE(panel.Create(host.get(), 0, 0, 10, 10));
  EXPECT_EQ(Live(HandleKind::Window), windows + 2);
  host.reset();
  EXPECT_FALSE(panel.Exists());
  EXPECT_EQ(Live(HandleKind::Window), windows);
}
