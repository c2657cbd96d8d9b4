// The shared window-procedure router behind both subclassers.
//
// Instead of a generated per-window stub, every subclassed window gets one
// of a fixed set of router entry procedures (per A/W flavour). The records
// of one window each hold a different entry, so a call names its record
// exactly: a new message enters through the window's current procedure, and
// a foreign procedure that chains down calls the entry it replaced, however
// it rewrote the message on the way. The router keeps, per window handle,
// the chain of our records in installation order.
// A record leaves the window when it is detached, its owner is gone or its
// window is destroyed, but only once no call for it is on the stack; it is
// freed by a 100 ms thread timer that any later call for it cancels.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorn2::subclass {

using WinHandle = std::intptr_t;   // HWND as an integer
using ProcAddr = std::uintptr_t;   // WNDPROC as an integer
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using Result = std::intptr_t;      // LRESULT
using TimerId = std::uintptr_t;

inline constexpr std::uint32_t kWmNcDestroy = 0x82;

enum RecordState : std::int32_t {
  kStateActive = 0,
  kStateDetached = 1,     // ssc_UnSubclass / ssc_Terminate / owner released it
  kStateOwnerGone = 0x82,
  kStateDestroyed = 0x8000,  // WM_NCDESTROY seen
};

// What the router needs from the windowing system. The Windows layer
// implements it with user32; tests with a fake.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual bool IsWindow(WinHandle hWnd) = 0;
  virtual bool BelongsToThisProcess(WinHandle hWnd) = 0;
  virtual bool IsWindowUnicode(WinHandle hWnd) = 0;
  // Puts our router entry `slot` (of the flavour) in as the window
  // procedure; returns the previous one, 0 on failure with the system error
  // in lastError.
  virtual ProcAddr InstallRouter(WinHandle hWnd, bool unicode, int slot, std::uint32_t& lastError) = 0;
  virtual ProcAddr CurrentProc(WinHandle hWnd, bool unicode) = 0;
  virtual void SetProc(WinHandle hWnd, bool unicode, ProcAddr proc) = 0;
  // The slot of our router entry of the given flavour that proc is (as
  // CurrentProc/InstallRouter report it), -1 when it is none of ours.
  virtual int RouterSlot(ProcAddr proc, bool unicode) = 0;
  virtual Result CallProc(ProcAddr proc, bool unicode, WinHandle hWnd, std::uint32_t uMsg, WParam wParam,
                          LParam lParam) = 0;
  virtual Result DefaultProc(WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) = 0;
  virtual void DestroyWindow(WinHandle hWnd) = 0;
  // A thread timer whose expiry calls HookRouter::OnTimer(id); 0 on failure.
  virtual TimerId SetReleaseTimer(unsigned milliseconds) = 0;
  virtual void KillTimer(TimerId id) = 0;
};

class HookRouter;

// One subclassing of one window by one subclasser.
class HookRecord : public std::enable_shared_from_this<HookRecord> {
 public:
  virtual ~HookRecord() = default;

  std::int32_t nesting = 0;  // router calls for this record on the stack
  std::int32_t state = kStateActive;
  WinHandle hWnd = 0;
  bool unicode = false;
  ProcAddr prevProc = 0;
  bool destroyWhenOwnerGone = false;
  TimerId releaseTimer = 0;
  bool hooked = false;  // part of the window's procedure chain
  int slot = -1;        // our router entry this record installed

  // False once the owner can no longer be called.
  virtual bool OwnerCallable() = 0;
  // Delivers one message in state 0: before phase, previous procedure
  // (router.CallPrevious), after phase.
  virtual Result Process(HookRouter& router, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) = 0;
  // The record is leaving: forget tables etc.
  virtual void OnDetached() {}
};

class HookRouter {
 public:
  static constexpr unsigned kReleaseDelayMs = 100;
  // Router entries per flavour: our records on one window at the same time.
  static constexpr int kRouterSlots = 16;
  // What Install reports when every entry is taken on the window.
  static constexpr std::uint32_t kErrorNoFreeEntry = 8;  // ERROR_NOT_ENOUGH_MEMORY

  explicit HookRouter(WindowSystem& system) : system_(system) {}
  ~HookRouter();
  HookRouter(const HookRouter&) = delete;
  HookRouter& operator=(const HookRouter&) = delete;

  WindowSystem& System() { return system_; }

  // Installs a free router entry for the record; false (and the system
  // error) when the window refused or has all entries in use. The router
  // owns the record from then on.
  bool Install(const std::shared_ptr<HookRecord>& record, std::uint32_t& lastError);

  // False when every router entry is in use on the window.
  bool HasFreeEntry(WinHandle hWnd) const { return FreeSlot(hWnd) >= 0; }

  // Router entry `slot` of the flavour, called for a window.
  Result Dispatch(int slot, bool unicode, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);
  // The previous procedure of the record (cancels a pending release).
  Result CallPrevious(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);

  // Detaches the record: state 1, no more notifications; it leaves the
  // window now when no call for it runs, else at the end of the last call.
  void Detach(HookRecord& record);

  void OnTimer(TimerId id);

  // Counters for tests and diagnostics.
  std::size_t LiveRecords() const { return live_.size(); }
  std::size_t ChainLength(WinHandle hWnd) const;
  bool IsLive(const HookRecord* record) const;

 private:
  Result Route(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);
  void Leave(HookRecord& record);
  bool TryUnhook(HookRecord& record);
  void ArmRelease(HookRecord& record);
  void CancelRelease(HookRecord& record);
  void Release(HookRecord& record);
  HookRecord* AtSlot(WinHandle hWnd, int slot, bool unicode) const;
  int FreeSlot(WinHandle hWnd) const;
  // The hooked record whose previous procedure is the record's entry.
  HookRecord* CallerOf(const HookRecord& record) const;
  void Unchain(HookRecord& record);

  WindowSystem& system_;
  std::vector<std::shared_ptr<HookRecord>> live_;
  std::map<WinHandle, std::vector<HookRecord*>> chains_;  // bottom first
};

}  // namespace vorn2::subclass
