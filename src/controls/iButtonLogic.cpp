#include "controls/iButtonLogic.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "framework/Notify.h"

namespace vorn2 {

int HimetricToPixels(double himetric) { return static_cast<int>(std::lround(himetric / kHimetricPerPixel)); }

int StripFrameCount(int style) { return style == 0 ? 3 : 6; }

int FrameSlotCount(int style) { return style == 0 ? 4 : 8; }

FrameSize StripFrameSize(double pictureWidthHimetric, double pictureHeightHimetric, int style) {
  FrameSize f;
  f.height = HimetricToPixels(pictureHeightHimetric);
  // Whole pixels only, so the last frame never reaches past the strip.
  f.width = HimetricToPixels(pictureWidthHimetric) / StripFrameCount(style);
  if (f.width < 0) f.width = 0;
  if (f.height < 0) f.height = 0;
  return f;
}

FrameChoice ChooseFrame(bool framesReady, bool locked, int drawnState, bool value, int style) {
  FrameChoice choice;
  if (!framesReady) return choice;
  const int valueOffset = value ? style * 3 : 0;
  if (!locked && drawnState == kButtonDisabled) {
    // A disabled button shows its normal frame washed out rather than a
    // slot that the strip may not have.
    choice.index = valueOffset;
    choice.greyed = true;
    return choice;
  }
  const int index = (locked ? kButtonPressed : drawnState) + valueOffset;
  if (index >= 0 && index < FrameSlotCount(style)) choice.index = index;
  return choice;
}

ButtonLayout LayoutButton(double width, double height, double textWidth, double textHeight, bool hasIcon,
                          double iconWidth, int state) {
  ButtonLayout l;
  const double iw = hasIcon ? iconWidth : 0;
  l.iconX = width / 2 - textWidth / 2 - iw / 2;
  l.iconY = 0;
  l.captionX = width / 2 - textWidth / 2 + iw;
  l.captionY = height / 2 - textHeight / 2;
  if (state == kButtonPressed) {
    l.captionX += kButtonTwipsPerPixel;
    l.captionY += kButtonTwipsPerPixel;
  }
  return l;
}

int IconWidthTwips(long iconWidthHimetric) { return static_cast<int>(iconWidthHimetric / 26) * 15; }

PixelRect FocusRectangle(int widthPixels, int heightPixels) {
  return PixelRect{3, 3, widthPixels - 3, heightPixels - 3};
}

std::string FontDescToText(const FontDesc& font) {
  char head[96];
  std::snprintf(head, sizeof head, "%g;%d;%d;%d;%d;%d;", font.sizePoints, font.weight, font.italic ? 1 : 0,
                font.underline ? 1 : 0, font.strikethrough ? 1 : 0, font.charset);
  return head + font.name;
}

bool FontDescFromText(std::string_view text, FontDesc& font) {
  // size;weight;italic;underline;strike;charset;name -- the name last, so it
  // may hold any character.
  std::string_view fields[6];
  std::string_view rest = text;
  for (auto& field : fields) {
    const auto semi = rest.find(';');
    if (semi == std::string_view::npos) return false;
    field = rest.substr(0, semi);
    rest.remove_prefix(semi + 1);
  }
  if (rest.empty()) return false;
  FontDesc parsed;
  auto asInt = [](std::string_view s, int& out) {
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
  };
  auto r = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), parsed.sizePoints);
  if (r.ec != std::errc() || r.ptr != fields[0].data() + fields[0].size()) return false;
  if (!(parsed.sizePoints > 0 && parsed.sizePoints <= 1638)) return false;
  int flags[3] = {};
  if (!asInt(fields[1], parsed.weight) || parsed.weight < 0 || parsed.weight > 1000) return false;
  for (int i = 0; i < 3; ++i) {
    if (!asInt(fields[2 + i], flags[i]) || (flags[i] != 0 && flags[i] != 1)) return false;
  }
  if (!asInt(fields[5], parsed.charset) || parsed.charset < 0 || parsed.charset > 255) return false;
  parsed.italic = flags[0] != 0;
  parsed.underline = flags[1] != 0;
  parsed.strikethrough = flags[2] != 0;
  parsed.name = std::string(rest);
  font = std::move(parsed);
  return true;
}

// --- iButtonLogic ---------------------------------------------------------

iButtonLogic::iButtonLogic(iButtonPlatform& platform) : platform_(platform) {}

iButtonLogic::~iButtonLogic() = default;

void iButtonLogic::SetValue(bool value) {
  if (style_ == 1) {
    value_ = value;
    ForcedRepaint();
  } else {
    value_ = false;
  }
}

void iButtonLogic::SetStyle(int style) {
  // Only push (0) and toggle (1) exist; anything else would index frames the
  // control never cut.
  style_ = style == 0 ? 0 : 1;
  if (style_ == 0) value_ = false;
  CutStrip();
}

void iButtonLogic::SetLocked(bool locked) {
  locked_ = locked;
  ForcedRepaint();
}

void iButtonLogic::SetAutoSize(bool autoSize) {
  autoSize_ = autoSize;
  if (autoSize_) CutStrip();
}

void iButtonLogic::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Repaint();
}

int iButtonLogic::DerivedState() {
  if (!platform_.ControlEnabled()) return kButtonDisabled;
  const bool over = platform_.CursorOverControl();
  if (leftDown_) return over ? kButtonPressed : kButtonNormal;
  return over ? kButtonHover : kButtonNormal;
}

FrameChoice iButtonLogic::CurrentFrame() const {
  return ChooseFrame(framesReady_, locked_, drawnState_, value_, style_);
}

void iButtonLogic::cMouseAction(int cAction, bool vComplePaint) {
  if (cAction == drawnState_ && !vComplePaint) return;
  drawnState_ = cAction;
  platform_.Paint(cAction, CurrentFrame());
}

void iButtonLogic::Repaint() { platform_.Paint(DerivedState(), CurrentFrame()); }

void iButtonLogic::ForcedRepaint() { cMouseAction(DerivedState(), true); }

void iButtonLogic::CutStrip() {
  platform_.DiscardFrames();
  double w = 0, h = 0;
  if (!platform_.BackPictureSize(w, h)) {
    framesReady_ = false;
  } else {
    const FrameSize frame = StripFrameSize(w, h, style_);
    platform_.CutFrames(frame, StripFrameCount(style_), FrameSlotCount(style_));
    if (autoSize_ && frame.width > 0 && frame.height > 0) {
      platform_.ResizeTwips(frame.width * kButtonTwipsPerPixel, frame.height * kButtonTwipsPerPixel);
    }
    framesReady_ = true;
  }
  ForcedRepaint();
}

void iButtonLogic::OnCreated() {
  CutStrip();
  // The poll runs from the start, so a cursor that is elsewhere produces
  // one MouseOut on the first tick.
  platform_.StartLeavePoll();
}

void iButtonLogic::OnWindowGone() {
  hovering_ = false;
  leftDown_ = false;
  pressedOnControl_ = 0;
  drawnState_ = kButtonNormal;
}

void iButtonLogic::OnMouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
  const LifeWatch life = life_.Watch();
  Raise(events_.MouseMove, button, shift, x, y);
  if (!life.Alive()) return;
  if (!platform_.CursorOverControl()) return;
  platform_.SetHandCursor();
  if (hovering_) return;
  cMouseAction(kButtonHover, false);
  hovering_ = true;
  platform_.StartLeavePoll();
  Raise(events_.MouseOver);
}

void iButtonLogic::OnMouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
  const LifeWatch life = life_.Watch();
  pressedOnControl_ |= button;
  Raise(events_.MouseDown, button, shift, x, y);
  if (!life.Alive()) return;
  lastButton_ = button;
  if (button != kButtonLeft) return;
  platform_.SetArrowCursor();
  cMouseAction(kButtonPressed, false);
  leftDown_ = true;
}

void iButtonLogic::OnMouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
  const LifeWatch life = life_.Watch();
  const bool completesPress = (pressedOnControl_ & button) != 0;
  pressedOnControl_ &= ~button;
  Raise(events_.MouseUp, button, shift, x, y);
  if (!life.Alive()) return;
  const bool over = platform_.CursorOverControl();
  if (button == kButtonLeft) {
    if (over) {
      // Only a release that ends a press on the control toggles, so Value
      // changes exactly when Click is raised (the release that ends a
      // double click raises no Click).
      if (leftDown_) ToggleValueIfToggleButton();
      cMouseAction(kButtonHover, true);
    } else {
      cMouseAction(kButtonNormal, true);
    }
    leftDown_ = false;
  }
  if (completesPress && over) SystemClick();
}

void iButtonLogic::SystemClick() {
  if (lastButton_ != kButtonLeft) return;
  ForcedRepaint();
  Raise(events_.Click);
}

void iButtonLogic::OnDoubleClick(std::int16_t button) {
  (void)button;
  if (lastButton_ == kButtonLeft) cMouseAction(kButtonPressed, false);
  Raise(events_.DBClick);
}

void iButtonLogic::OnCaptureLost() {
  if (!leftDown_ && pressedOnControl_ == 0) return;
  // A release that comes later no longer ends a press on this control.
  pressedOnControl_ = 0;
  leftDown_ = false;
  cMouseAction(platform_.CursorOverControl() ? kButtonHover : kButtonNormal, false);
}

void iButtonLogic::OnLeavePollTick() {
  if (platform_.CursorOverControl()) {
    if (leftDown_) cMouseAction(kButtonPressed, false);
    return;
  }
  if (!leftDown_) {
    const LifeWatch life = life_.Watch();
    platform_.StopLeavePoll();
    hovering_ = false;
    Raise(events_.MouseOut);
    if (!life.Alive()) return;
  }
  cMouseAction(kButtonNormal, false);
}

void iButtonLogic::ToggleValueIfToggleButton() {
  if (style_ == 1) value_ = !value_;
}

void iButtonLogic::FocusRectUnlessHovering() {
  if (!hovering_) platform_.DrawFocusRect();
}

void iButtonLogic::OnKeyDown(std::int16_t keyCode, std::int16_t shift) {
  const LifeWatch life = life_.Watch();
  Raise(events_.KeyDown, keyCode, shift);
  if (!life.Alive()) return;
  if (keyCode == kKeyEnter) {
    ToggleValueIfToggleButton();
    ForcedRepaint();
    FocusRectUnlessHovering();
    Raise(events_.Click);
  } else if (keyCode == kKeySpace) {
    cMouseAction(kButtonPressed, true);
    FocusRectUnlessHovering();
  }
}

void iButtonLogic::OnKeyUp(std::int16_t keyCode, std::int16_t shift) {
  const LifeWatch life = life_.Watch();
  Raise(events_.KeyUP, keyCode, shift);
  if (!life.Alive()) return;
  if (keyCode == kKeySpace) {
    ToggleValueIfToggleButton();
    ForcedRepaint();
    FocusRectUnlessHovering();
    Raise(events_.Click);
  }
}

void iButtonLogic::OnChar(std::int16_t keyAscii) {
  Raise(events_.KeyPress, keyAscii);
}

void iButtonLogic::OnFocusEnter() {
  ForcedRepaint();
  if (!leftDown_) platform_.DrawFocusRect();
}

void iButtonLogic::OnFocusExit() { ForcedRepaint(); }

void iButtonLogic::OnResize() {
  double w = 0, h = 0;
  if (autoSize_ && platform_.BackPictureSize(w, h)) {
    const FrameSize frame = StripFrameSize(w, h, style_);
    if (frame.width > 0 && frame.height > 0) {
      platform_.ResizeTwips(frame.width * kButtonTwipsPerPixel, frame.height * kButtonTwipsPerPixel);
    }
  }
  ForcedRepaint();
}

}  // namespace vorn2
