// GDI+ for the windows that draw with it: one session shared by the whole
// process, and owners for its images and graphics (counted with the handles,
// see Handles.h).
//
// GDI+ starts when the first session opens and shuts down when the last one
// closes. Whatever GDI+ object a user makes must go before that user's
// session: declare the session before the objects.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "framework/win/Handles.h"

namespace vorn2 {

class GdiplusSession {
 public:
  // An empty session; Open() makes one that holds GDI+.
  GdiplusSession() noexcept = default;
  static GdiplusSession Open();
  ~GdiplusSession() { reset(); }
  GdiplusSession(GdiplusSession&& other) noexcept : held_(std::exchange(other.held_, false)) {}
  GdiplusSession& operator=(GdiplusSession&& other) noexcept;
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  // GDI+ is running for this session (false when it failed to start).
  explicit operator bool() const noexcept { return held_; }
  void reset() noexcept;

  // How often GDI+ was started in this process (the open sessions are
  // LiveHandles(HandleKind::GdiplusSession)).
  static int Starts();

 private:
  bool held_ = false;
};

using UniqueGdipImage = UniqueAny<Gdiplus::GpImage*, &Gdiplus::DllExports::GdipDisposeImage, HandleKind::GdiplusObject>;
// A bitmap is an image to GDI+, disposed the same way.
using UniqueGdipBitmap =
    UniqueAny<Gdiplus::GpBitmap*, &Gdiplus::DllExports::GdipDisposeImage, HandleKind::GdiplusObject>;
using UniqueGdipGraphics =
    UniqueAny<Gdiplus::GpGraphics*, &Gdiplus::DllExports::GdipDeleteGraphics, HandleKind::GdiplusObject>;

}  // namespace vorn2
