// uTab: the tab strip control. A child window that shows a row of skinned
// tabs, keeps the windows of its tabs inside a container window (only the
// selected one shown on top) and reports mouse activity to its host.
//
// Use:
//   auto tab = uTab::New();
//   tab->ReadProperties(bag);                // "TabStyle", "TabLeftSize", "TabRightSize"
//   tab->Create(parentHwnd, x, y, width, height);
//   tab->Events().TabChanged = ...;
//   tab->SethContainerWnd(container);
//   tab->LockReDraw(false);                  // layout and drawing start here
//   tab->TabItems()->Add(caption, form, key);
//
// All drawing goes to memory contexts; the window gets one block transfer per
// repaint and its background is never erased.
//
// Message paths: the strip's own window has one, its WndProc (paint, erase,
// mouse input and mouse-leave are all cases there). The container is the
// host's window (the main window's pCnt), where the strip has no procedure
// of its own: the container's size changes reach it through a CSubclass,
// after the container's own processing, which is how the strip is defined
// to watch that window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/Notify.h"
#include "framework/PropertyBag.h"
#include "framework/win/Control.h"
#include "framework/win/Handles.h"
#include "framework/win/Picture.h"
#include "tabs/TabStrip.h"
#include "tabs/win/TabImageCache.h"
#include "tabs/win/mdlTabAPI.h"
#include "tabs/win/uTabAccessible.h"
#include "winplumbing/win/CSubclass.h"

namespace vorn2 {

class uTab final : public vorn2::Control, public TabStripCore, public ISubclassOwner {
  struct Private {};

 public:
  static constexpr int kDefaultTabStyle = 0;
  static constexpr int kDefaultTabLeftSize = 40;
  static constexpr int kDefaultTabRightSize = 0;

  static std::shared_ptr<uTab> New();
  explicit uTab(Private);
  ~uTab() override;

  using Window::hWnd;

  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // Subscribes the container's size changes (a new container is watched in
  // addition to earlier ones); nothing is moved now.
  void SethContainerWnd(HWND NewValue);
  HWND hContainerWndHandle() const { return reinterpret_cast<HWND>(hContainerWnd()); }

  std::string ToolTipText() const { return toolTipText_; }
  void SetToolTipText(const std::string& text);

  // The drawing buffers, for inspection.
  HDC FinalDC() const { return m_hFinalDC.get(); }
  HDC BackDC() const { return m_hBackDC.get(); }
  HDC TabsDC() const { return m_hTabsDC.get(); }
  // 25 px for style 0, 32 for the others, at the strip's factor.
  int StripHeight() const;

  // ISubclassOwner: the containers' WM_SIZE, after their own processing.
  void WindowProc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam,
                  LPARAM lParam, LONG_PTR& lParamUser) override;

 protected:
  const wchar_t* ClassName() const override { return L"Vorn2uTab"; }
  void OnCreated() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnPaint(HDC dc) override;
  // Skins, fonts and metrics for the new factor, then the resize.
  void OnDpiChanged() override;
  // The hot tab belonged to the window: a window made later for the strip
  // starts with no hot tab.
  void OnWindowDestroyed() override;

  std::int32_t ClientWidth() const override;
  WindowHandle OwnWindow() const override;
  WindowHandle ParentWindow() const override;
  void AdoptForm(WindowHandle form) override;
  void PlaceSelectedForm(WindowHandle form) override;
  void PaintBackground() override;
  void PaintTabs(bool bPaint) override;
  void TrackMouseLeave() override;

 private:
  // Skins and fonts for a factor, which the layout takes too.
  void MakeDrawingResources(DpiScale scale);
  void OnResize();
  void CreateBuffers();
  void FreeBuffers();
  void DrawOneTab(std::int32_t index, bool selected);
  void DrawCaption(HDC dc, const std::string& text, int x, int y, int width, int height);
  void PaintWindow(HDC dc);
  void RelayToToolTip(UINT msg, WPARAM wParam, LPARAM lParam);

  // The skins' artwork (their scaled sheets stay with it); the skin
  // contexts hold copies of the sheets at the strip's factor.
  PicturePtr skin0Artwork_;
  PicturePtr skin1Artwork_;
  // The fonts are declared first so they outlive every context.
  UniqueFont m_hFont;
  UniqueFont m_hBoldFont;
  mdlTabAPI::UniqueMemDC m_hSkin0DC;
  mdlTabAPI::UniqueMemDC m_hSkin1DC;
  mdlTabAPI::UniqueMemDC m_hBackDC;
  mdlTabAPI::UniqueMemDC m_hTabsDC;
  mdlTabAPI::UniqueMemDC m_hFinalDC;
  // The tab images and glyphs of the skins above, ready for drawing.
  TabImageCache tabImages_;

  LifeToken life_;
  // Watches the containers only; also asks for the own window's mouse leave.
  CSubclass c_Subclass;
  bool resizing_ = false;

  UniqueWindow toolTip_;
  std::string toolTipText_;
  uTabAccessible accessible_{*this};
};

}  // namespace vorn2
