// The owner-drawn button's behaviour without any window: the visual state
// machine, the frame choice, the mouse, keyboard, focus and leave-poll
// handling, and the layout arithmetic. The window layer (controls/win/
// iButton) supplies the platform calls through iButtonPlatform.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/MouseButtons.h"
#include "framework/Notify.h"

namespace vorn2 {

// Visual states; also the values cMouseAction takes.
enum iButtonState : int {
  kButtonNormal = 0,
  kButtonHover = 1,
  kButtonPressed = 2,
  kButtonDisabled = 3,
};

inline constexpr std::int16_t kKeyEnter = 13;
inline constexpr std::int16_t kKeySpace = 32;

// The strip's frames are 96-dpi pixels: the control turns them into twips
// with this fixed factor (the window then shows twips at its own).
inline constexpr int kButtonTwipsPerPixel = 15;

// Skin pictures report their size in HIMETRIC (of their 96-dpi pixels).
inline constexpr double kHimetricPerPixel = 26.45836;
int HimetricToPixels(double himetric);

struct FrameSize {
  int width = 0;   // pixels
  int height = 0;  // pixels
};
// Frames in a strip: 3 for a push button, 6 for a toggle button.
int StripFrameCount(int style);
// Frame slots the control keeps (indices 0 .. style*4+3); slots past the
// strip have no image of their own.
int FrameSlotCount(int style);
FrameSize StripFrameSize(double pictureWidthHimetric, double pictureHeightHimetric, int style);

// Which frame to paint. index -1: none (frames not ready). greyed: paint
// the frame washed out (the disabled look).
struct FrameChoice {
  int index = -1;
  bool greyed = false;
};
FrameChoice ChooseFrame(bool framesReady, bool locked, int drawnState, bool value, int style);

// Where caption and icon go, in twips of the control.
struct ButtonLayout {
  double captionX = 0;
  double captionY = 0;
  double iconX = 0;
  double iconY = 0;
};
// width/height: control; textWidth/textHeight: the caption's extent;
// iconWidth: 0 without an icon (see IconWidthTwips); state: the painted state.
ButtonLayout LayoutButton(double width, double height, double textWidth, double textHeight, bool hasIcon,
                          double iconWidth, int state);
// The icon's width as the layout counts it: HIMETRIC / 26 (integer) * 15.
int IconWidthTwips(long iconWidthHimetric);

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
PixelRect FocusRectangle(int widthPixels, int heightPixels);

// The caption font as a value; persisted as text.
struct FontDesc {
  std::string name = "宋体";
  double sizePoints = 9;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  int charset = 134;  // GB2312
  bool operator==(const FontDesc&) const = default;
};
std::string FontDescToText(const FontDesc& font);
// False (font untouched) for text that is not a font written by FontDescToText.
bool FontDescFromText(std::string_view text, FontDesc& font);

// Notifications, in the order of the control's event list. Arguments by
// reference where the host may change them; KeyCode is read back.
struct iButtonEvents {
  std::function<void()> Click;
  std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)> MouseDown;
  std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyDown;
  std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyUP;
  std::function<void(std::int16_t& KeyAscii)> KeyPress;
  std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)> MouseUp;
  std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)> MouseMove;
  std::function<void()> MouseOut;
  std::function<void()> MouseOver;
  std::function<void()> DBClick;
};

// What the logic needs from the window it drives.
class iButtonPlatform {
 public:
  virtual ~iButtonPlatform() = default;
  // GetCursorPos + WindowFromPoint is the control's own window.
  virtual bool CursorOverControl() = 0;
  virtual bool ControlEnabled() = 0;
  virtual void SetHandCursor() = 0;
  virtual void SetArrowCursor() = 0;
  virtual void StartLeavePoll() = 0;
  virtual void StopLeavePoll() = 0;
  // Clear and paint the surface for state, with the given frame.
  virtual void Paint(int state, FrameChoice frame) = 0;
  virtual void DrawFocusRect() = 0;
  // Strip handling. BackPictureSize: false without a picture.
  virtual void DiscardFrames() = 0;
  virtual bool BackPictureSize(double& widthHimetric, double& heightHimetric) = 0;
  virtual void CutFrames(FrameSize frame, int stripFrames, int slots) = 0;
  virtual void ResizeTwips(int widthTwips, int heightTwips) = 0;
};

class iButtonLogic {
 public:
  explicit iButtonLogic(iButtonPlatform& platform);
  ~iButtonLogic();
  iButtonLogic(const iButtonLogic&) = delete;
  iButtonLogic& operator=(const iButtonLogic&) = delete;

  iButtonEvents& Events() { return events_; }

  // Properties kept here (the window layer keeps pictures, font, colours).
  bool Value() const { return value_; }
  void SetValue(bool value);
  int Style() const { return style_; }
  void SetStyle(int style);
  bool Locked() const { return locked_; }
  void SetLocked(bool locked);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // Applying persisted values: stored as they are, nothing cut or painted.
  void LoadStyle(int style) { style_ = style == 0 ? 0 : 1; }
  void LoadAutoSize(bool autoSize) { autoSize_ = autoSize; }
  void LoadCaption(std::string caption) { caption_ = std::move(caption); }

  int DrawnState() const { return drawnState_; }
  bool Hovering() const { return hovering_; }
  bool LeftButtonDown() const { return leftDown_; }
  std::int16_t LastButton() const { return lastButton_; }
  bool FramesReady() const { return framesReady_; }

  int DerivedState();
  FrameChoice CurrentFrame() const;
  void cMouseAction(int cAction, bool vComplePaint);
  // Paints the derived state; the drawn state stays.
  void Repaint();
  void ForcedRepaint();
  void CutStrip();

  // Input from the window.
  void OnCreated();
  // The window is gone: hover and presses end with it, so a window made
  // later for the control starts as a fresh one does.
  void OnWindowGone();
  void OnMouseMove(std::int16_t button, std::int16_t shift, float x, float y);
  void OnMouseDown(std::int16_t button, std::int16_t shift, float x, float y);
  // Release; raises Click afterwards when it completes a press on the control.
  void OnMouseUp(std::int16_t button, std::int16_t shift, float x, float y);
  void OnDoubleClick(std::int16_t button);
  // The mouse capture went elsewhere (another window took it, a menu or a
  // dialog cancelled the mode): every press the control saw is over.
  void OnCaptureLost();
  void OnLeavePollTick();
  void OnKeyDown(std::int16_t keyCode, std::int16_t shift);
  void OnKeyUp(std::int16_t keyCode, std::int16_t shift);
  void OnChar(std::int16_t keyAscii);
  void OnFocusEnter();
  void OnFocusExit();
  void OnResize();

 private:
  void ToggleValueIfToggleButton();
  void FocusRectUnlessHovering();
  void SystemClick();

  iButtonPlatform& platform_;
  iButtonEvents events_;
  // Handlers check it after raising: a host may destroy the button inside one.
  LifeToken life_;
  bool hovering_ = false;
  bool leftDown_ = false;
  std::int16_t lastButton_ = 0;
  int pressedOnControl_ = 0;  // buttons whose press the control received
  bool value_ = false;
  int style_ = 0;
  std::string caption_;
  int drawnState_ = kButtonNormal;
  bool autoSize_ = true;
  bool framesReady_ = false;
  bool locked_ = false;
};

}  // namespace vorn2
