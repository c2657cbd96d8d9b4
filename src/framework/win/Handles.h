// Owning types for GDI and USER handles and for COM pointers, so that no
// handle is released by hand and none is lost on an early return.
//
// - UniqueAny<handle type, close function, kind>: one handle, closed by its
//   close function when the owner goes or is reset. Move-only. UniqueIcon,
//   UniqueFont, UniqueBitmap, UniqueRegion, UniqueMenu, UniquePalette,
//   UniqueBrush, UniqueDC (a memory context: DeleteDC), UniqueKernelHandle
//   (events, threads, processes: the kernel handles whose empty value is
//   null; CloseHandle), UniqueFile (CreateFile), UniqueFindFile
//   (FindFirstFile), UniqueInternet (WinINet handles), UniqueUrlCacheFind
//   (FindFirstUrlCacheEntry), UniqueModule (LoadLibrary), UniqueRegKey,
//   UniqueBstr, UniqueGlobal (GlobalAlloc), UniqueWindow (DestroyWindow).
//   The file and find handles are empty when null and when
//   INVALID_HANDLE_VALUE. A kind of our own is one alias with its close
//   function (GdiPlus.h, the tab strip's memory contexts).
// - WindowDC: GetDC / ReleaseDC of a window (or of the screen for none).
// - SelectGuard: an object (or palette) selected into a context, the previous
//   one selected back when the guard goes. Declare it after the owners of the
//   context and of the object, so it is undone before either is deleted.
// - ComPtr<T>: one reference to a COM object. Move-only; Adopt takes over a
//   reference the caller holds, Share takes one of its own.
//
// put() (UniqueAny and ComPtr) releases what was held and returns the
// address an out-parameter writes to (put_void() the same as void**, for
// QueryInterface-shaped calls). The owner counts what it holds from then on,
// so an out-call that fails leaves an empty owner counted until it is reset
// or goes.
//
// Counting: each owner counts the live handles of its kind in a process-wide
// table (LiveHandles). The counting is always on, in the shipped program too:
// it costs one relaxed atomic increment per handle created, nothing next to
// the system call that creates it, and the leak checks then measure exactly
// the code that ships instead of a test build of it. (GetGuiResources cannot
// serve: under Wine it always answers 0.) The counts say what the owners have
// released, not what the system did with it.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>
#include <wininet.h>

#include <cstddef>
#include <utility>

namespace vorn2 {

enum class HandleKind {
  Icon,
  Font,
  Bitmap,
  Region,
  Menu,
  Palette,
  Brush,
  DC,        // memory contexts
  WindowDC,  // contexts borrowed from a window with GetDC
  GdiplusSession,
  GdiplusObject,  // images and graphics of GDI+
  ComReference,
  KernelObject,
  File,
  FindFile,
  Internet,  // WinINet handles, URL cache enumerations among them
  Module,
  RegistryKey,
  String,  // BSTR
  GlobalMemory,
  Window,  // windows destroyed by their owner (a Window object's own among them)
  Count
};

// Handles of the kind held by the owning types right now, process-wide.
long LiveHandles(HandleKind kind);

namespace handles_detail {
void Count(HandleKind kind, long delta) noexcept;
}  // namespace handles_detail

// One owner for every kind of handle: its type, the function that closes it,
// the kind it is counted as, and whether INVALID_HANDLE_VALUE is empty too
// (the file and find handles, whose creating calls return it on failure, so
// either may be handed over).
template <class H, auto Close, HandleKind K, bool kInvalidValueIsEmpty = false>
class UniqueAny {
 public:
  using pointer = H;

  UniqueAny() noexcept = default;
  explicit UniqueAny(pointer handle) noexcept { reset(handle); }
  ~UniqueAny() { reset(); }
  UniqueAny(UniqueAny&& other) noexcept
      : handle_(std::exchange(other.handle_, pointer{})), counted_(std::exchange(other.counted_, false)) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, pointer{});
      counted_ = std::exchange(other.counted_, false);
    }
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;

  pointer get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Valid(handle_); }
  friend bool operator==(const UniqueAny& h, std::nullptr_t) noexcept { return !h; }

  // Closes what is held and takes handle instead. What is held stays
  // readable while it closes (a window's own messages ask for it).
  void reset(pointer handle = pointer{}) noexcept {
    if (Valid(handle_)) Close(handle_);
    SetCounted(false);
    handle_ = handle;
    SetCounted(Valid(handle_));
  }
  // Gives the handle up without closing it.
  [[nodiscard]] pointer detach() noexcept {
    SetCounted(false);
    return std::exchange(handle_, pointer{});
  }
  pointer* put() noexcept {
    reset();
    SetCounted(true);
    return &handle_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  static bool Valid(pointer h) noexcept {
    if constexpr (kInvalidValueIsEmpty) return h && h != INVALID_HANDLE_VALUE;
    else return h != pointer{};
  }
  void SetCounted(bool counted) noexcept {
    if (counted != counted_) handles_detail::Count(K, counted ? 1 : -1);
    counted_ = counted;
  }

  pointer handle_{};
  bool counted_ = false;
};

// Close functions that are not a single system call.
void CloseInternetHandle(HINTERNET h) noexcept;  // through the system-folder WinINet (SystemLibrary)
void CloseUrlCacheFind(HANDLE h) noexcept;
// Destroys the window unless it has gone already (with its parent or owner).
void DestroyOwnedWindow(HWND h) noexcept;

using UniqueIcon = UniqueAny<HICON, &DestroyIcon, HandleKind::Icon>;
using UniqueFont = UniqueAny<HFONT, &DeleteObject, HandleKind::Font>;
using UniqueBitmap = UniqueAny<HBITMAP, &DeleteObject, HandleKind::Bitmap>;
using UniqueRegion = UniqueAny<HRGN, &DeleteObject, HandleKind::Region>;
using UniquePalette = UniqueAny<HPALETTE, &DeleteObject, HandleKind::Palette>;
using UniqueBrush = UniqueAny<HBRUSH, &DeleteObject, HandleKind::Brush>;
using UniqueMenu = UniqueAny<HMENU, &DestroyMenu, HandleKind::Menu>;
using UniqueDC = UniqueAny<HDC, &DeleteDC, HandleKind::DC>;
using UniqueKernelHandle = UniqueAny<HANDLE, &CloseHandle, HandleKind::KernelObject>;
using UniqueFile = UniqueAny<HANDLE, &CloseHandle, HandleKind::File, true>;
using UniqueFindFile = UniqueAny<HANDLE, &FindClose, HandleKind::FindFile, true>;
using UniqueInternet = UniqueAny<HINTERNET, &CloseInternetHandle, HandleKind::Internet>;
using UniqueUrlCacheFind = UniqueAny<HANDLE, &CloseUrlCacheFind, HandleKind::Internet>;
using UniqueModule = UniqueAny<HMODULE, &FreeLibrary, HandleKind::Module>;
using UniqueRegKey = UniqueAny<HKEY, &RegCloseKey, HandleKind::RegistryKey>;
using UniqueBstr = UniqueAny<BSTR, &SysFreeString, HandleKind::String>;
using UniqueGlobal = UniqueAny<HGLOBAL, &GlobalFree, HandleKind::GlobalMemory>;
using UniqueWindow = UniqueAny<HWND, &DestroyOwnedWindow, HandleKind::Window>;

// Closes a file that was written and says whether the close succeeded (data
// still cached may fail to be written there). Empty afterwards.
bool CloseChecked(UniqueFile& file) noexcept;

// A context borrowed from a window (the screen when the window is null).
class WindowDC {
 public:
  WindowDC() noexcept = default;
  explicit WindowDC(HWND hwnd) noexcept;
  ~WindowDC() { reset(); }
  WindowDC(WindowDC&& other) noexcept;
  WindowDC& operator=(WindowDC&& other) noexcept;
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept;

 private:
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
};

// Selects an object (or a palette, as a background palette) into a context
// and selects the previous one back at the end. Nothing to undo when the
// selection failed. Not for regions (SelectObject gives no previous region).
class SelectGuard {
 public:
  SelectGuard() noexcept = default;
  SelectGuard(HDC dc, HGDIOBJ object) noexcept;
  SelectGuard(HDC dc, HPALETTE palette) noexcept;
  ~SelectGuard() { reset(); }
  SelectGuard(SelectGuard&& other) noexcept;
  SelectGuard& operator=(SelectGuard&& other) noexcept;
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

  HGDIOBJ previous() const noexcept { return previous_; }
  // Selects the previous object back now.
  void reset() noexcept;

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  bool palette_ = false;
};

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept
      : p_(std::exchange(other.p_, nullptr)), counted_(std::exchange(other.counted_, false)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
      counted_ = std::exchange(other.counted_, false);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  // Takes over the reference the caller holds.
  static ComPtr Adopt(T* p) noexcept {
    ComPtr c;
    c.p_ = p;
    c.SetCounted(p != nullptr);
    return c;
  }
  // Takes a reference of its own.
  static ComPtr Share(T* p) noexcept {
    if (p) p->AddRef();
    return Adopt(p);
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  friend bool operator==(const ComPtr& c, std::nullptr_t) noexcept { return !c; }

  void reset() noexcept {
    SetCounted(false);
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Gives the reference up to the caller, who must release it.
  [[nodiscard]] T* detach() noexcept {
    SetCounted(false);
    return std::exchange(p_, nullptr);
  }
  T** put() noexcept {
    reset();
    SetCounted(true);
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  // The same object as another interface; empty when it has none.
  template <class U>
  ComPtr<U> As(REFIID iid = __uuidof(U)) const noexcept {
    ComPtr<U> other;
    if (p_ && FAILED(p_->QueryInterface(iid, other.put_void()))) other.reset();
    return other;
  }

 private:
  void SetCounted(bool counted) noexcept {
    if (counted != counted_) handles_detail::Count(HandleKind::ComReference, counted ? 1 : -1);
    counted_ = counted;
  }

  T* p_ = nullptr;
  bool counted_ = false;
};

}  // namespace vorn2
