// What a screen reader or a speech-input program finds in the controls we
// draw ourselves: each answers WM_GETOBJECT for its client area with an
// accessible object (IAccessible) that gives the role, name, state and
// default action of the control and of the parts drawn inside it (the tab
// strip's tabs and close glyphs).
//
// A control describes itself through AccessibleNode objects that it owns
// (through an AccessibleRoot member); the COM objects handed to clients hold
// them weakly. When the control's window goes, the control drops its nodes
// (AccessibleRoot::Disconnect), and every object a client still holds
// answers CO_E_OBJNOTCONNECTED from then on without touching the control.
// A node that stands for a window takes what it does not say itself
// (location, parent, focus, the window's own states) from the system's
// object of that window (oleacc, loaded from the system folder).
//
// Default actions run from the message loop after the call has returned,
// as the system's own buttons do theirs: a dialog that the action opens
// must not hold the program that asked (a screen reader in another process).
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorn2 {

struct AccessibleInfo {
  long role = ROLE_SYSTEM_CLIENT;
  std::string name;           // empty: none
  long state = 0;             // STATE_SYSTEM_*; a window's own are added
  std::string defaultAction;  // empty: none
};

// Default actions, by what they do (the words the system uses for them).
inline constexpr const char* kActionPress = "按下";
inline constexpr const char* kActionJump = "跳转";
inline constexpr const char* kActionSwitch = "切换";

class AccessibleNode {
 public:
  virtual ~AccessibleNode() = default;
  // The window the node stands for; null for a part drawn inside one.
  virtual HWND Window() const { return nullptr; }
  // False once what the node stands for is gone (a closed tab).
  virtual bool Connected() const { return true; }
  virtual AccessibleInfo Info() const = 0;
  // Where a drawn part lies on the screen.
  virtual RECT ScreenRect() const { return {}; }
  // The node a drawn part lies in.
  virtual std::shared_ptr<AccessibleNode> Parent() const { return nullptr; }
  virtual std::vector<std::shared_ptr<AccessibleNode>> Children() const { return {}; }
  // Does what a click does; runs from the message loop.
  virtual void DoDefaultAction() {}
};

// A window of ours described by its control: its role, name, state and
// default action are asked for on every call.
class WindowAccessible : public AccessibleNode {
 public:
  WindowAccessible(HWND window, std::function<AccessibleInfo()> info, std::function<void()> action = {})
      : window_(window), info_(std::move(info)), action_(std::move(action)) {}
  HWND Window() const override { return window_; }
  AccessibleInfo Info() const override { return info_(); }
  void DoDefaultAction() override {
    if (action_) action_();
  }

 private:
  HWND window_;
  std::function<AccessibleInfo()> info_;
  std::function<void()> action_;
};

// The control's end: its node made on the first request, the answer to
// WM_GETOBJECT, and the cut when the window goes.
class AccessibleRoot {
 public:
  using Factory = std::function<std::shared_ptr<AccessibleNode>()>;
  explicit AccessibleRoot(Factory make) : make_(std::move(make)) {}
  AccessibleRoot(const AccessibleRoot&) = delete;
  AccessibleRoot& operator=(const AccessibleRoot&) = delete;

  // WM_GETOBJECT: the client area's object; nullopt for the objects the
  // system answers (the window's frame, scroll bars, ...).
  std::optional<LRESULT> Answer(WPARAM wParam, LPARAM lParam);
  // The node, made now when there is none.
  const std::shared_ptr<AccessibleNode>& Node();
  // Every object handed out answers CO_E_OBJNOTCONNECTED from now on.
  void Disconnect() { node_.reset(); }

 private:
  Factory make_;
  std::shared_ptr<AccessibleNode> node_;
};

// Tells listening clients that something of a window's client area changed
// (EVENT_OBJECT_*); child: 0 for the area itself, else the child's number.
void AnnounceAccessible(HWND window, DWORD event, long child = CHILDID_SELF);

// Sends the window a left press and release at a point of its client area,
// the way the mouse does; nothing while the mouse could not reach it.
void ClickAsMouse(HWND window, POINT at);

// Runs the task from the message loop (any loop of this thread), soon.
void RunFromMessageLoop(std::function<void()> task);

// Accessible objects of ours alive now, process-wide (the leak checks).
long LiveAccessibleObjects();

}  // namespace vorn2
