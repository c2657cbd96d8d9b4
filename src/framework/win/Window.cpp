#include "framework/win/Window.h"

#include "framework/win/FailureTrace.h"
#include "framework/win/Handles.h"
#include "framework/win/Screen.h"

#include <atomic>
#include <set>
#include <vector>

namespace vorn2 {

namespace {
std::atomic<long> g_aliveAtTeardown{0};
}  // namespace

long Window::WindowsAliveAtTeardown() { return g_aliveAtTeardown.load(); }

Window::~Window() {
  if (hwnd_) {
    g_aliveAtTeardown.fetch_add(1);
    const std::string what = std::string("window still alive at ~Window, object made as ") +
                             (madeAs_ ? madeAs_->name() : "?");
    VORN2_TRACE_FAILURE(what.c_str(), 0);
    // Unbound first: no message may reach the parts already gone.
    SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
    hwnd_.reset();
  }
}

bool Window::RegisterClassOnce(const wchar_t* className, UINT style) {
  static std::set<std::wstring> registered;
  if (registered.count(className)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = style;
  wc.lpfnWndProc = &Window::StaticWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = className;
  if (!RegisterClassExW(&wc)) {
    const DWORD error = GetLastError();
    if (error != ERROR_CLASS_ALREADY_EXISTS) VORN2_RETURN_TRACED("RegisterClassExW", error, false);
  }
  registered.insert(className);
  return true;
}

void Window::Destroy() { hwnd_.reset(); }

bool Window::CreateHostWindow(DWORD exStyle, const wchar_t* className, const std::wstring& caption, DWORD style,
                              int x, int y, int width, int height, HWND parent, HMENU menuOrId) {
  madeAs_ = &typeid(*this);
  VORN2_RETURN_IF_FALSE(CreateWindowExW(exStyle, className, caption.c_str(), style, x, y, width, height, parent,
                                        menuOrId, GetModuleHandleW(nullptr), this),
                        false);
  return true;
}

Window* Window::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  WNDPROC proc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
  if (proc != &Window::StaticWndProc) return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

DpiScale Window::ScaleOf(HWND hwnd) {
  if (const Window* ours = FromHandle(hwnd)) return ours->scale_;
  return DpiScale(WindowDpi(hwnd));
}

void Window::TakeParentScale(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  const HWND parent = GetParent(hwnd);
  if (!w || !parent) return;
  const DpiScale scale = ScaleOf(parent);
  if (!(w->scale_ == scale)) w->ApplyScale(scale);
}

void Window::ApplyScale(DpiScale scale) {
  if (!hwnd_) return;
  std::vector<Window*> inside;
  EnumChildWindows(
      hwnd_.get(),
      [](HWND child, LPARAM list) -> BOOL {
        if (Window* w = FromHandle(child)) reinterpret_cast<std::vector<Window*>*>(list)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&inside));
  scale_ = scale;
  for (Window* w : inside) w->scale_ = scale;
  // Parents come before their children in the enumeration.
  for (auto it = inside.rbegin(); it != inside.rend(); ++it) {
    HWND h = (*it)->hWnd();
    if (h && FromHandle(h) == *it) (*it)->OnDpiChanged();
  }
  if (hwnd_) OnDpiChanged();
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    self = static_cast<Window*>(cs->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) {
      self->hwnd_.reset(hwnd);
      const bool child = (cs->style & WS_CHILD) != 0 && cs->hwndParent;
      self->scale_ = child ? ScaleOf(cs->hwndParent) : DpiScale(WindowDpi(hwnd));
    }
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    LRESULT r = self->WndProc(msg, wParam, lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    static_cast<void>(self->hwnd_.detach());  // gone already
    self->OnWindowDestroyed();
    return r;
  }
  return self->WndProc(msg, wParam, lParam);
}

LRESULT Window::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_.get(), msg, wParam, lParam);
}

LRESULT Window::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      if (autoRedraw_) return 1;
      RECT rc;
      GetClientRect(hwnd_.get(), &rc);
      const UniqueBrush brush(CreateSolidBrush(backColor_));
      FillRect(reinterpret_cast<HDC>(wParam), &rc, brush.get());
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_.get(), &ps);
      if (autoRedraw_) surface_.PaintTo(dc, ps.rcPaint);
      else OnPaint(dc);
      EndPaint(hwnd_.get(), &ps);
      return 0;
    }
    case WM_SIZE:
      if (autoRedraw_) surface_.Resize(LOWORD(lParam), HIWORD(lParam), backColor_);
      break;
    default:
      break;
  }
  return DefaultProc(msg, wParam, lParam);
}

void Window::SetAutoRedraw(bool on) {
  autoRedraw_ = on;
  if (on && hwnd_) {
    RECT rc;
    GetClientRect(hwnd_.get(), &rc);
    surface_.Resize(rc.right - rc.left, rc.bottom - rc.top, backColor_);
  }
}

void Window::SetBackColor(COLORREF color) {
  backColor_ = color;
  if (hwnd_) InvalidateRect(hwnd_.get(), nullptr, TRUE);
}

void Window::Refresh() {
  if (!hwnd_) return;
  InvalidateRect(hwnd_.get(), nullptr, FALSE);
  UpdateWindow(hwnd_.get());
}

}  // namespace vorn2
