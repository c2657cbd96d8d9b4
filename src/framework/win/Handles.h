// Owning types for GDI and USER handles and for COM pointers, so that no
// handle is released by hand and none is lost on an early return.
//
// - UniqueHandle<Traits>: one handle, closed by its traits' Close when the
//   owner goes or is reset. Move-only. UniqueIcon, UniqueFont, UniqueBitmap,
//   UniqueRegion, UniqueMenu, UniquePalette, UniqueBrush, UniqueDC (a memory
//   context: DeleteDC), UniqueKernelHandle (events, threads, processes: the
//   kernel handles whose empty value is null; CloseHandle), UniqueFile
//   (CreateFile), UniqueFindFile (FindFirstFile), UniqueInternet (WinINet
//   handles), UniqueUrlCacheFind (FindFirstUrlCacheEntry), UniqueModule
//   (LoadLibrary), UniqueRegKey, UniqueBstr, UniqueGlobal (GlobalAlloc).
//   A traits class with IsValid names its own empty values: the file and
//   find handles are empty when null and when INVALID_HANDLE_VALUE, the value
//   their creating calls return on failure, so either may be handed over.
// - WindowDC: GetDC / ReleaseDC of a window (or of the screen for none).
// - SelectGuard: an object (or palette) selected into a context, the previous
//   one selected back when the guard goes. Declare it after the owners of the
//   context and of the object, so it is undone before either is deleted.
// - ComPtr<T>: one reference to a COM object. Move-only; Adopt takes over a
//   reference the caller holds, Share takes one of its own.
//
// put() (UniqueHandle and ComPtr) releases what was held and returns the
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
  Count
};

// Handles of the kind held by the owning types right now, process-wide.
long LiveHandles(HandleKind kind);

namespace handles_detail {
void Count(HandleKind kind, long delta) noexcept;

template <class Traits>
constexpr bool Valid(typename Traits::pointer h) noexcept {
  if constexpr (requires { Traits::IsValid(h); }) return Traits::IsValid(h);
  else return h != typename Traits::pointer{};
}
}  // namespace handles_detail

template <class Traits>
class UniqueHandle {
 public:
  using pointer = typename Traits::pointer;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(pointer handle) noexcept { reset(handle); }
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, pointer{})), counted_(std::exchange(other.counted_, false)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, pointer{});
      counted_ = std::exchange(other.counted_, false);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  pointer get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handles_detail::Valid<Traits>(handle_); }
  friend bool operator==(const UniqueHandle& h, std::nullptr_t) noexcept { return !h; }

  // Closes what is held and takes handle instead.
  void reset(pointer handle = pointer{}) noexcept {
    if (handles_detail::Valid<Traits>(handle_)) Traits::Close(handle_);
    SetCounted(false);
    handle_ = handle;
    SetCounted(handles_detail::Valid<Traits>(handle_));
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
  void SetCounted(bool counted) noexcept {
    if (counted != counted_) handles_detail::Count(Traits::kKind, counted ? 1 : -1);
    counted_ = counted;
  }

  pointer handle_{};
  bool counted_ = false;
};

template <class H, HandleKind K>
struct GdiObjectTraits {
  using pointer = H;
  static constexpr HandleKind kKind = K;
  static void Close(H h) noexcept { DeleteObject(h); }
};

struct IconTraits {
  using pointer = HICON;
  static constexpr HandleKind kKind = HandleKind::Icon;
  static void Close(HICON h) noexcept { DestroyIcon(h); }
};

struct MenuTraits {
  using pointer = HMENU;
  static constexpr HandleKind kKind = HandleKind::Menu;
  static void Close(HMENU h) noexcept { DestroyMenu(h); }
};

struct MemoryDCTraits {
  using pointer = HDC;
  static constexpr HandleKind kKind = HandleKind::DC;
  static void Close(HDC h) noexcept { DeleteDC(h); }
};

struct KernelObjectTraits {
  using pointer = HANDLE;
  static constexpr HandleKind kKind = HandleKind::KernelObject;
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};

// Files and find handles: failure gives INVALID_HANDLE_VALUE, not null.
template <HandleKind K, BOOL(WINAPI* CloseFunction)(HANDLE)>
struct InvalidValueTraits {
  using pointer = HANDLE;
  static constexpr HandleKind kKind = K;
  static bool IsValid(HANDLE h) noexcept { return h && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { CloseFunction(h); }
};

// Through the system-folder WinINet (SystemLibrary), which is loaded
// whenever such a handle exists.
struct InternetTraits {
  using pointer = HINTERNET;
  static constexpr HandleKind kKind = HandleKind::Internet;
  static void Close(HINTERNET h) noexcept;
};
struct UrlCacheFindTraits {
  using pointer = HANDLE;
  static constexpr HandleKind kKind = HandleKind::Internet;
  static void Close(HANDLE h) noexcept;
};

struct ModuleTraits {
  using pointer = HMODULE;
  static constexpr HandleKind kKind = HandleKind::Module;
  static void Close(HMODULE h) noexcept { FreeLibrary(h); }
};

struct RegKeyTraits {
  using pointer = HKEY;
  static constexpr HandleKind kKind = HandleKind::RegistryKey;
  static void Close(HKEY h) noexcept { RegCloseKey(h); }
};

struct BstrTraits {
  using pointer = BSTR;
  static constexpr HandleKind kKind = HandleKind::String;
  static void Close(BSTR b) noexcept { SysFreeString(b); }
};

struct GlobalMemoryTraits {
  using pointer = HGLOBAL;
  static constexpr HandleKind kKind = HandleKind::GlobalMemory;
  static void Close(HGLOBAL h) noexcept { GlobalFree(h); }
};

using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT, HandleKind::Font>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP, HandleKind::Bitmap>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN, HandleKind::Region>>;
using UniquePalette = UniqueHandle<GdiObjectTraits<HPALETTE, HandleKind::Palette>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH, HandleKind::Brush>>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueDC = UniqueHandle<MemoryDCTraits>;
using UniqueKernelHandle = UniqueHandle<KernelObjectTraits>;
using UniqueFile = UniqueHandle<InvalidValueTraits<HandleKind::File, &CloseHandle>>;
using UniqueFindFile = UniqueHandle<InvalidValueTraits<HandleKind::FindFile, &FindClose>>;
using UniqueInternet = UniqueHandle<InternetTraits>;
using UniqueUrlCacheFind = UniqueHandle<UrlCacheFindTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueBstr = UniqueHandle<BstrTraits>;
using UniqueGlobal = UniqueHandle<GlobalMemoryTraits>;

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
