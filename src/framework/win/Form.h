// A top-level window with the form life cycle: Load (window created hidden,
// load handler) -> Show / Hide / ShowModal -> QueryUnload (may cancel) ->
// Unload (unload handler, window destroyed). A process-wide registry counts
// loaded forms; when the last one unloads, RunMessageLoop() returns.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/win/Handles.h"
#include "framework/win/Window.h"

namespace vorn2 {

enum class UnloadMode {
  ControlMenu = 0,  // the window's close box, Alt+F4, WM_CLOSE
  FromCode = 1,     // Unload() called by the program
};

enum class StartUpPosition { Manual, CenterScreen, CenterOwner };

struct FormDesign {
  std::wstring className;          // one window class per form type
  std::string caption;             // UTF-8
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  int clientWidthTwips = 4800;
  int clientHeightTwips = 3600;
  int leftTwips = 0;               // used with StartUpPosition::Manual
  int topTwips = 0;
  StartUpPosition startUp = StartUpPosition::Manual;
  bool showInTaskbar = true;
  bool appIcon = true;             // the client's six-image icon
  bool autoRedraw = false;
  COLORREF backColor = GetSysColor(COLOR_BTNFACE);
};

class Form : public Window {
 public:
  explicit Form(FormDesign design);
  ~Form() override;

  // Creates the window hidden and runs OnLoad. True when loaded afterwards.
  bool Load();
  // Loads if needed, places the form on its first show, shows it.
  void Show(int showCommand = SW_SHOW);
  void Hide();
  // Shows the form with every other loaded form disabled and runs a nested
  // message loop until this form is hidden or unloaded.
  void ShowModal();
  // Runs QueryUnload then Unload; false when a handler cancelled.
  bool Unload(UnloadMode mode = UnloadMode::FromCode);

  bool IsLoaded() const { return Exists(); }
  bool IsVisible() const;
  bool IsModal() const { return modalDepth_ > 0; }
  const FormDesign& Design() const { return design_; }

  // Owner of the form's window; without one, a form with showInTaskbar =
  // false is owned by a hidden window of the host so it has no taskbar button.
  void SetOwnerForm(Form* owner) { ownerForm_ = owner; }
  Form* OwnerForm() const { return ownerForm_; }

  std::string Caption() const;
  void SetCaption(const std::string& caption);
  void CenterOnScreen();

  static std::vector<Form*> LoadedForms();
  static std::size_t LoadedCount();
  // Makes that hidden owner now. The thread's first window pays for the
  // display connection: made early, that cost overlaps whatever the start-up
  // is waiting for on other threads.
  static void CreateHiddenOwner();
  // The program's message loop; returns when the last form unloads.
  static int RunMessageLoop();

 protected:
  virtual void OnLoad() {}
  // Set cancel to keep the form loaded.
  virtual void OnQueryUnload(bool& cancel, UnloadMode mode) { (void)cancel, (void)mode; }
  virtual void OnUnload(bool& cancel) { (void)cancel; }
  // The client area changed size (also when minimised; IsIconic tells).
  virtual void OnResize() {}
  // A menu item or a control's command (WM_COMMAND); id is its identifier.
  virtual void OnCommand(int id) { (void)id; }
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed() override;
  // Takes the place the system suggested (or keeps its own) and its design
  // client size at the new factor. Forms that lay themselves out override
  // it, calling this first.
  void OnDpiChanged() override;
  // The window's outer size for a client area of the design size at the
  // window's scale.
  SIZE DesignWindowSize() const;
  // Where the system suggests the window goes, while a WM_DPICHANGED is
  // handled (OnDpiChanged); null otherwise.
  const RECT* SuggestedRect() const { return suggestedRect_; }

 private:
  FormDesign design_;
  Form* ownerForm_ = nullptr;
  bool placed_ = false;
  bool unloading_ = false;
  int modalDepth_ = 0;
  std::vector<HWND> modalDisabled_;
  HWND modalPreviousActive_ = nullptr;
  // The system's suggestion with the last WM_DPICHANGED, while it is handled.
  const RECT* suggestedRect_ = nullptr;
  void EnableModalOwners();
  // The window's icons (appIcon); destroyed once the window is gone.
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
};

// The client's icon at the given size, from the six-image icon resource.
UniqueIcon LoadAppIcon(int size);
// An icon file's image at the given size; null when it does not load.
UniqueIcon LoadIconFile(const std::wstring& path, int size);
// Gives the window its small and big icons, load(16) and load(32) in design
// pixels at the scale. One that does not load leaves the icon held (and
// shown) before it; a replaced one goes after the window has let it go.
void SetWindowIcons(HWND hwnd, DpiScale scale, const std::function<UniqueIcon(int size)>& load,
                    UniqueIcon& smallIcon, UniqueIcon& bigIcon);

}  // namespace vorn2
