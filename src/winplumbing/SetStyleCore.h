// Edge resizing with a rubber band, fill-the-work-area toggle and the
// close / setting-change reports of a borderless window: the decisions,
// independent of the platform calls (SetStyleHost).
#pragma once

#include <cstdint>

namespace vorn2::setstyle {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

struct Bounds {  // twips
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Bounds&) const = default;
};

inline constexpr int kEdge = 5;         // pixels from an edge that count as the edge
inline constexpr int kMinWidth = 800;   // pixels, kept by the right, bottom and left zones
inline constexpr int kMinHeight = 600;

// Zones: 0 top, 1 top-right, 2 right, 3 bottom-right, 4 bottom, 5 bottom-left,
// 6 left, 7 top-left, -1 none. Corners are tested first.
int ZoneAt(const Rect& window, int x, int y);

// Form pointer code of a zone: 6 NE-SW, 7 N-S, 8 NW-SE, 9 W-E, 1 arrow.
int PointerForZone(int zone);

// The smallest window the system lets a user track (SM_CXMINTRACK,
// SM_CYMINTRACK).
struct MinSize {
  int cx = 0, cy = 0;
};

// Moves the edges the zone drags to the cursor, keeping the minimum size
// for the zones that do not move the top edge. Every zone keeps at least
// minTrack, so the rectangle never turns inside out.
void ApplyZone(Rect& n, int zone, int x, int y, MinSize minTrack);

class SetStyleHost {
 public:
  virtual ~SetStyleHost() = default;
  virtual void CursorPos(int& x, int& y) = 0;
  virtual Rect WindowRect() = 0;
  virtual void AcquireScreenDC() = 0;
  virtual void DrawFocusRect(const Rect& r) = 0;  // inverts: twice erases
  virtual void ReleaseScreenDC() = 0;
  virtual void MoveWindow(const Rect& r) = 0;
  virtual void SetMousePointer(int pointerCode) = 0;
  virtual void Capture(bool on) = 0;
  virtual Bounds FormBounds() = 0;
  virtual void MoveForm(const Bounds& b) = 0;
  virtual bool IsMinimised() = 0;
  virtual int ScreenWidthTwips() = 0;
  virtual int ScreenHeightTwips() = 0;
  virtual int TaskbarHeightTwips() = 0;
  virtual MinSize MinTrackSize() = 0;
  // Notifications. Each may end the object's life: the caller returns at once.
  // They answer false when the object is gone.
  virtual bool RaiseCloseClick() = 0;
  virtual bool RaiseSettingChange() = 0;
  virtual bool RaiseMouseSize(int theMouseStyle) = 0;
};

class SetStyleCore {
 public:
  static constexpr std::uint32_t kWmSettingChange = 0x1A;
  static constexpr std::uint32_t kWmSysCommand = 0x112;
  static constexpr std::uint32_t kScClose = 0xF060;
  static constexpr std::uint32_t kWmMouseMove = 0x200;
  static constexpr std::uint32_t kWmLButtonDown = 0x201;
  static constexpr std::uint32_t kWmLButtonUp = 0x202;
  static constexpr std::uint32_t kWmCaptureChanged = 0x215;

  explicit SetStyleCore(SetStyleHost& host) : host_(host) {}

  // Every message of the window, before its own procedure; none is consumed.
  void OnMessage(std::uint32_t uMsg, std::uintptr_t wParam);
  // Toggles between the saved bounds and the work area; the new filled flag.
  bool CallWindowStateChange();
  // Fills the work area again when the window fills it (not minimised): the
  // screen's measures changed.
  void RefillIfFilled();
  // The window's dpi changed while it fills the work area: the bounds a
  // restore returns to take the new factor (their place stays).
  void ScaleSaved(int fromDpi, int toDpi);

  bool Filled() const { return filled_; }
  bool Dragging() const { return dragging_; }
  int Zone() const { return zone_; }
  const Rect& Drawn() const { return drawn_; }
  const Bounds& Saved() const { return saved_; }

 private:
  void Fill();
  void EndDrag(bool move);

  SetStyleHost& host_;
  bool dragging_ = false;
  bool filled_ = false;
  bool dcHeld_ = false;
  Bounds saved_;
  Rect start_, drawn_, new_;
  int zone_ = -1;
};

}  // namespace vorn2::setstyle
