// The shared window-procedure router behind both subclassers.
//
// Every subclassed window gets our one router procedure (one per A/W
// flavour) instead of a generated per-window stub. The router keeps, per
// window handle, the chain of our records in installation order and finds
// the record a call is meant for:
//   - a record whose previous procedure is our router (same flavour) passes
//     the message straight to our next record below it;
//   - a record whose previous procedure is someone else's is marked "passing
//     down" with its message while that procedure runs, so when that
//     procedure chains back into our router with the same message the call
//     goes to our next record below the marked one;
//   - any other call, including a new message sent to the window while a
//     procedure runs, is for the topmost record.
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
  // Puts our router (of the flavour) in as the window procedure; returns the
  // previous one, 0 on failure with the system error in lastError.
  virtual ProcAddr InstallRouter(WinHandle hWnd, bool unicode, std::uint32_t& lastError) = 0;
  virtual ProcAddr CurrentProc(WinHandle hWnd, bool unicode) = 0;
  virtual void SetProc(WinHandle hWnd, bool unicode, ProcAddr proc) = 0;
  // Our router of the given flavour, as CurrentProc/InstallRouter report it.
  virtual bool IsOurRouter(ProcAddr proc, bool unicode) = 0;
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

  explicit HookRouter(WindowSystem& system) : system_(system) {}
  ~HookRouter();
  HookRouter(const HookRouter&) = delete;
  HookRouter& operator=(const HookRouter&) = delete;

  WindowSystem& System() { return system_; }

  // Installs the router for the record; false (and the system error) when
  // the window refused. The router owns the record from then on.
  bool Install(const std::shared_ptr<HookRecord>& record, std::uint32_t& lastError);

  // Entry of the router procedure for a window.
  Result Dispatch(WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);
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
  struct Frame {
    WinHandle hWnd;
    HookRecord* record;
    std::uint32_t uMsg;
    WParam wParam;
    LParam lParam;
  };

  Result Route(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);
  void Leave(HookRecord& record);
  bool TryUnhook(HookRecord& record);
  void ArmRelease(HookRecord& record);
  void CancelRelease(HookRecord& record);
  void Release(HookRecord& record);
  HookRecord* HookedBelow(WinHandle hWnd, const HookRecord* record) const;
  HookRecord* HookedAbove(WinHandle hWnd, const HookRecord* record) const;
  HookRecord* Below(WinHandle hWnd, const HookRecord* record) const;

  WindowSystem& system_;
  std::vector<std::shared_ptr<HookRecord>> live_;
  std::map<WinHandle, std::vector<HookRecord*>> chains_;  // bottom first
  std::vector<Frame> passingDown_;
};

}  // namespace vorn2::subclass
