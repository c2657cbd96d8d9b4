#include "ProgressWindow.h"

#include "framework/win/SystemLibrary.h"

namespace vorn2::updater {

namespace {
constexpr wchar_t kClassName[] = L"Vorn2UpdaterProgress";
constexpr UINT_PTR kTickTimer = 1;
}  // namespace

LRESULT CALLBACK ProgressWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && self->window_ == hwnd) {
    // The window stays until the download has ended; its owner decides.
    if (msg == WM_CLOSE) {
      if (self->OnClose) self->OnClose();
      return 0;
    }
    if (msg == WM_TIMER && wParam == kTickTimer) {
      if (self->OnTick) self->OnTick();
      return 0;
    }
  }
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool ProgressWindow::Create(const std::wstring& caption, const std::wstring& text) {
  // Without the library the window still shows its text, only no bar.
  if (const CommonControlsFunctions* controls = CommonControls()) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    controls->InitCommonControlsEx(&icc);
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);

  RECT frame{0, 0, 380, 96};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER | WS_SYSMENU;
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  window_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, caption.c_str(), style,
                            work.left + (work.right - work.left - width) / 2,
                            work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr,
                            instance, this);
  if (!window_) return false;
  SetTimer(window_, kTickTimer, 1000, nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 16, 14, 348, 22, window_, nullptr,
                               instance, nullptr);
  if (label) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 16, 48, 348, 22, window_, nullptr,
                         instance, nullptr);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  return true;
}

void ProgressWindow::SetTotal(std::int32_t total) {
  if (bar_) SendMessageW(bar_, PBM_SETRANGE32, 0, total > 0 ? total : 1);
}

void ProgressWindow::SetPosition(std::int32_t position) {
  if (bar_) SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void ProgressWindow::Close() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  bar_ = nullptr;
}

}  // namespace vorn2::updater
