#include "framework/win/Window.h"

#include "framework/win/FailureTrace.h"
#include "framework/win/Handles.h"
#include "framework/win/Screen.h"

#include <atomic>
#include <set>
#include <unordered_map>
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
    // Detach first: no message may reach the parts already gone.
    HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
  }
}

bool Window::RegisterClassOnce(const wchar_t* className, UINT extraStyle) {
  static std::set<std::wstring> registered;
  if (registered.count(className)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS | extraStyle;
  wc.lpfnWndProc = &Window::StaticWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = className;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  registered.insert(className);
  return true;
}

void Window::DestroyWindowNow() {
  if (hwnd_) VORN2_TRACE_IF_FALSE(DestroyWindow(hwnd_));
}

bool Window::CreateHostWindow(DWORD exStyle, const wchar_t* className, const std::wstring& caption, DWORD style,
                              int x, int y, int width, int height, HWND parent, HMENU menuOrId) {
  madeAs_ = &typeid(*this);
  HWND hwnd = CreateWindowExW(exStyle, className, caption.c_str(), style, x, y, width, height, parent, menuOrId,
                              GetModuleHandleW(nullptr), this);
  return hwnd != nullptr;
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
      hwnd_,
      [](HWND child, LPARAM list) -> BOOL {
        if (Window* w = FromHandle(child)) reinterpret_cast<std::vector<Window*>*>(list)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&inside));
  scale_ = scale;
  for (Window* w : inside) w->scale_ = scale;
  // Parents come before their children in the enumeration.
  for (auto it = inside.rbegin(); it != inside.rend(); ++it) {
    HWND h = (*it)->hwnd_;
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
      self->hwnd_ = hwnd;
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
    self->hwnd_ = nullptr;
    self->OnWindowDestroyed();
    return r;
  }
  return self->WndProc(msg, wParam, lParam);
}

LRESULT Window::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT Window::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      if (autoRedraw_) return 1;
      RECT rc;
      GetClientRect(hwnd_, &rc);
      const UniqueBrush brush(CreateSolidBrush(backColor_));
      FillRect(reinterpret_cast<HDC>(wParam), &rc, brush.get());
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      if (autoRedraw_) surface_.PaintTo(dc, ps.rcPaint);
      else OnPaint(dc);
      EndPaint(hwnd_, &ps);
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
    GetClientRect(hwnd_, &rc);
    surface_.Resize(rc.right - rc.left, rc.bottom - rc.top, backColor_);
  }
}

void Window::SetBackColor(COLORREF color) {
  backColor_ = color;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Window::Refresh() {
  if (!hwnd_) return;
  InvalidateRect(hwnd_, nullptr, FALSE);
  UpdateWindow(hwnd_);
}

namespace {
std::unordered_map<HWND, KeyFilter>& KeyFilters() {
  static std::unordered_map<HWND, KeyFilter> filters;
  return filters;
}
}  // namespace

void SetKeyFilter(HWND window, KeyFilter filter) {
  if (filter) KeyFilters()[window] = std::move(filter);
  else KeyFilters().erase(window);
}

bool PreTranslate(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || KeyFilters().empty()) return false;
  for (HWND h = msg.hwnd; h; h = (GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr) {
    auto it = KeyFilters().find(h);
    if (it == KeyFilters().end()) continue;
    const KeyFilter filter = it->second;  // the filter may remove itself
    if (filter(msg)) return true;
  }
  return false;
}

void DispatchOne(MSG& msg) {
  if (PreTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(msg);
  }
}

bool WaitServingSentMessages(HANDLE handle) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void PumpMessagesFor(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    PumpPendingMessages();
    ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

}  // namespace vorn2
