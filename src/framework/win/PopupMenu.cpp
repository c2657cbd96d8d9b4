#include "framework/win/PopupMenu.h"

#include "framework/win/WinText.h"

namespace vorn2 {

PopupMenu::PopupMenu() : menu_(CreatePopupMenu()) {}

void PopupMenu::AddItem(int id, const std::string& caption) {
  if (!menu_) return;
  if (caption == "-") AppendMenuW(menu_.get(), MF_SEPARATOR, static_cast<UINT_PTR>(id), nullptr);
  else AppendMenuW(menu_.get(), MF_STRING, static_cast<UINT_PTR>(id), W(caption).c_str());
}

void PopupMenu::Clear() {
  if (!menu_) return;
  for (int i = GetMenuItemCount(menu_.get()); i > 0; --i)
    DeleteMenu(menu_.get(), static_cast<UINT>(i - 1), MF_BYPOSITION);
}

void PopupMenu::SetCaption(int id, const std::string& caption) {
  if (menu_) ModifyMenuW(menu_.get(), static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(id),
                         W(caption).c_str());
}

std::string PopupMenu::Caption(int id) const {
  if (!menu_) return {};
  const int length = GetMenuStringW(menu_.get(), static_cast<UINT>(id), nullptr, 0, MF_BYCOMMAND);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetMenuStringW(menu_.get(), static_cast<UINT>(id), text.data(), length + 1, MF_BYCOMMAND);
  text.resize(static_cast<std::size_t>(length));
  return U8(text);
}

int PopupMenu::Count() const { return menu_ ? GetMenuItemCount(menu_.get()) : 0; }

int PopupMenu::IdAt(int position) const {
  if (!menu_) return -1;
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_ID;
  if (!GetMenuItemInfoW(menu_.get(), static_cast<UINT>(position), TRUE, &info) || (info.fType & MFT_SEPARATOR)) return -1;
  return static_cast<int>(info.wID);
}

bool PopupMenu::Popup(HWND owner) const {
  if (!menu_ || !owner) return false;
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(owner);
  const BOOL shown = TrackPopupMenu(menu_.get(), 0, at.x, at.y, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
  return shown != FALSE;
}

}  // namespace vorn2
