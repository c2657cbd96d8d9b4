#include "framework/win/Form.h"

#include <algorithm>
#include <typeinfo>
#include <utility>

#include "framework/win/MessageLoop.h"
#include "framework/win/Resources.h"
#include "framework/win/Screen.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

std::vector<Form*>& Registry() {
  static std::vector<Form*> forms;
  return forms;
}

bool& LoopRunning() {
  static bool running = false;
  return running;
}

// Hidden owner for forms that must not show a taskbar button.
HWND ParkingWindow() {
  static HWND parking = nullptr;
  if (!parking || !IsWindow(parking)) {
    parking = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr),
                              nullptr);
  }
  return parking;
}

}  // namespace

UniqueIcon LoadAppIcon(int size) {
  std::vector<unsigned char> bytes = ReadResourceBytes(101, L"ICON");
  return UniqueIcon(IconFromIcoBytes(bytes, size));
}

UniqueIcon LoadIconFile(const std::wstring& path, int size) {
  return UniqueIcon(static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE)));
}

void SetWindowIcons(HWND hwnd, DpiScale scale, const std::function<UniqueIcon(int size)>& load,
                    UniqueIcon& smallIcon, UniqueIcon& bigIcon) {
  auto set = [&](UniqueIcon& held, int designSize, WPARAM which) {
    if (UniqueIcon icon = load(scale.Px(designSize))) held = std::move(icon);
    if (held) SendMessageW(hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(held.get()));
  };
  set(smallIcon, 16, ICON_SMALL);
  set(bigIcon, 32, ICON_BIG);
}

Form::Form(FormDesign design) : design_(std::move(design)) {}

void Form::CreateHiddenOwner() { ParkingWindow(); }

Form::~Form() {
  if (IsMadeAs(typeid(Form))) Destroy();
  auto& reg = Registry();
  reg.erase(std::remove(reg.begin(), reg.end(), this), reg.end());
  if (IsLoaded() && (bigIcon_ || smallIcon_)) {
    // The window outlives this part of the object: take our icons off it first.
    SendMessageW(hWnd(), WM_SETICON, ICON_BIG, 0);
    SendMessageW(hWnd(), WM_SETICON, ICON_SMALL, 0);
  }
}

bool Form::Load() {
  if (IsLoaded()) return true;
  if (!RegisterClassOnce(design_.className.c_str())) return false;
  SetBackColor(design_.backColor);

  const DWORD style = design_.style & ~WS_VISIBLE;
  HWND owner = nullptr;
  if (ownerForm_ && ownerForm_->IsLoaded()) owner = ownerForm_->hWnd();
  else if (!design_.showInTaskbar) owner = ParkingWindow();
  // Sized for the system's dpi; a window that comes up on a screen of
  // another dpi is sized again for its own right after.
  const DpiScale guess = SystemScale();
  RECT rc{0, 0, guess.FromTwips(design_.clientWidthTwips), guess.FromTwips(design_.clientHeightTwips)};
  AdjustWindowRectEx(&rc, style, FALSE, design_.exStyle);
  const int x = guess.FromTwips(design_.leftTwips);
  const int y = guess.FromTwips(design_.topTwips);
  if (!CreateHostWindow(design_.exStyle, design_.className.c_str(), W(design_.caption), style, x, y,
                        rc.right - rc.left, rc.bottom - rc.top, owner, nullptr)) {
    return false;
  }
  if (Scale() != guess) {
    const SIZE size = DesignWindowSize();
    SetWindowPos(hWnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  placed_ = false;
  unloading_ = false;
  Registry().push_back(this);
  if (design_.appIcon) SetWindowIcons(hWnd(), Scale(), &LoadAppIcon, smallIcon_, bigIcon_);
  if (design_.autoRedraw) SetAutoRedraw(true);
  OnLoad();
  return IsLoaded();
}

void Form::Show(int showCommand) {
  if (!IsLoaded() && !Load()) return;
  if (!placed_) {
    placed_ = true;
    if (design_.startUp == StartUpPosition::CenterScreen) CenterOnScreen();
    else if (design_.startUp == StartUpPosition::CenterOwner && ownerForm_ && ownerForm_->IsLoaded()) {
      RECT owner, me;
      GetWindowRect(ownerForm_->hWnd(), &owner);
      GetWindowRect(hWnd(), &me);
      const int w = me.right - me.left, h = me.bottom - me.top;
      SetWindowPos(hWnd(), nullptr, owner.left + (owner.right - owner.left - w) / 2,
                   owner.top + (owner.bottom - owner.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  ShowWindow(hWnd(), showCommand);
}

void Form::Hide() {
  if (!IsLoaded()) return;
  if (modalDepth_ > 0) EnableModalOwners();
  ShowWindow(hWnd(), SW_HIDE);
}

bool Form::IsVisible() const { return IsLoaded() && IsWindowVisible(hWnd()); }

void Form::ShowModal() {
  if (!IsLoaded() && !Load()) return;
  if (modalDepth_ > 0) return;
  modalPreviousActive_ = GetActiveWindow();
  modalDisabled_.clear();
  for (Form* f : Registry()) {
    if (f != this && f->IsLoaded() && IsWindowEnabled(f->hWnd())) {
      EnableWindow(f->hWnd(), FALSE);
      modalDisabled_.push_back(f->hWnd());
    }
  }
  ++modalDepth_;
  Show();
  MSG msg;
  while (IsLoaded() && IsWindowVisible(hWnd())) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    DispatchOne(msg);
  }
  --modalDepth_;
  EnableModalOwners();
}

void Form::EnableModalOwners() {
  // Before the modal window goes: otherwise the system hands the activation
  // to another program, since every window of ours is still disabled.
  std::vector<HWND> disabled = std::move(modalDisabled_);
  modalDisabled_.clear();
  for (HWND h : disabled) {
    if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  const HWND previous = std::exchange(modalPreviousActive_, nullptr);
  if (!disabled.empty() && previous && IsWindow(previous)) SetActiveWindow(previous);
}

bool Form::Unload(UnloadMode mode) {
  if (!IsLoaded()) return true;
  if (unloading_) return false;
  unloading_ = true;
  bool cancel = false;
  OnQueryUnload(cancel, mode);
  if (!cancel && IsLoaded()) OnUnload(cancel);
  if (cancel) {
    unloading_ = false;
    return false;
  }
  if (modalDepth_ > 0) EnableModalOwners();
  Destroy();
  unloading_ = false;
  return true;
}

void Form::OnWindowDestroyed() {
  bigIcon_.reset();
  smallIcon_.reset();
  auto& reg = Registry();
  reg.erase(std::remove(reg.begin(), reg.end(), this), reg.end());
  if (reg.empty() && LoopRunning()) PostQuitMessage(0);
}

LRESULT Form::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      Unload(UnloadMode::ControlMenu);
      return 0;
    case WM_SIZE: {
      const LRESULT r = Window::WndProc(msg, wParam, lParam);
      OnResize();
      return r;
    }
    case WM_DPICHANGED: {
      // wParam: the new dpi (x and y alike); lParam: where the system
      // suggests the window goes at that dpi.
      suggestedRect_ = reinterpret_cast<const RECT*>(lParam);
      ApplyScale(DpiScale(LOWORD(wParam)));
      suggestedRect_ = nullptr;
      return 0;
    }
    case WM_COMMAND:
      if (lParam == 0) {  // menus and accelerators; controls report through their own notifications
        OnCommand(LOWORD(wParam));
        return 0;
      }
      break;
    default:
      break;
  }
  return Window::WndProc(msg, wParam, lParam);
}

SIZE Form::DesignWindowSize() const {
  RECT rc{0, 0, Scale().FromTwips(design_.clientWidthTwips), Scale().FromTwips(design_.clientHeightTwips)};
  const DWORD style = IsLoaded() ? static_cast<DWORD>(GetWindowLongPtrW(hWnd(), GWL_STYLE)) : design_.style;
  const DWORD exStyle = IsLoaded() ? static_cast<DWORD>(GetWindowLongPtrW(hWnd(), GWL_EXSTYLE)) : design_.exStyle;
  AdjustWindowRectEx(&rc, style & ~WS_VISIBLE, FALSE, exStyle);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void Form::OnDpiChanged() {
  if (design_.appIcon && IsLoaded()) SetWindowIcons(hWnd(), Scale(), &LoadAppIcon, smallIcon_, bigIcon_);
  // A form made a child of another window (a page in a tab) is sized by it.
  if (!IsLoaded() || (GetWindowLongPtrW(hWnd(), GWL_STYLE) & WS_CHILD)) return;
  RECT now{};
  GetWindowRect(hWnd(), &now);
  const POINT at = suggestedRect_ ? POINT{suggestedRect_->left, suggestedRect_->top} : POINT{now.left, now.top};
  const SIZE size = DesignWindowSize();
  SetWindowPos(hWnd(), nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Form::Caption() const {
  if (!IsLoaded()) return design_.caption;
  int len = GetWindowTextLengthW(hWnd());
  std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
  GetWindowTextW(hWnd(), text.data(), len + 1);
  text.resize(static_cast<std::size_t>(len));
  return U8(text);
}

void Form::SetCaption(const std::string& caption) {
  design_.caption = caption;
  if (IsLoaded()) SetWindowTextW(hWnd(), W(caption).c_str());
}

void Form::CenterOnScreen() {
  if (!IsLoaded()) return;
  RECT me;
  GetWindowRect(hWnd(), &me);
  const SIZE screen = ScreenSizePixels();
  const int w = me.right - me.left, h = me.bottom - me.top;
  SetWindowPos(hWnd(), nullptr, (screen.cx - w) / 2, (screen.cy - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<Form*> Form::LoadedForms() { return Registry(); }
std::size_t Form::LoadedCount() { return Registry().size(); }

int Form::RunMessageLoop() {
  if (Registry().empty()) return 0;
  LoopRunning() = true;
  MSG msg;
  int code = 0;
  while (true) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) break;
    DispatchOne(msg);
  }
  LoopRunning() = false;
  return code;
}

}  // namespace vorn2
