// The one engine that chains replaced window procedures to the ones they
// replaced: both subclassers (winplumbing) and the procedures of
// framework/win/WindowProcHook stand on it.
//
// A record is one replacement on one window. It puts in place either one of
// a fixed set of router entry procedures (per A/W flavour; the subclassers:
// the router calls the record's Process) or a procedure of its own (a
// WindowProcHook: the procedure runs and asks the router for its record,
// its reference data and the previous procedure through an OwnCall). The
// records of one window each hold a different entry, so a call names its
// record exactly: a new message enters through the window's current
// procedure, and a foreign procedure that chains down calls the entry it
// replaced, however it rewrote the message on the way. The router keeps,
// per window handle, the chain of our records in installation order.
//
// A record leaves the window when it is detached, its owner is gone or its
// window is destroyed, but only once no call for it is on the stack: our
// record above it skips it, or, on top, the previous procedure is put back;
// under a foreign procedure it stays as a pass-through. A router entry's
// record is freed by a 100 ms thread timer that any later call for it
// cancels; a record with a procedure of its own is freed at once (a late
// call finds no record and passes the message on).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vorn2::subclass {

using WinHandle = std::intptr_t;  // HWND as an integer
using ProcAddr = std::uintptr_t;  // WNDPROC as an integer
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using Result = std::intptr_t;  // LRESULT
using TimerId = std::uintptr_t;

inline constexpr std::uint32_t kWmNcDestroy = 0x82;

enum RecordState : std::int32_t {
  kStateActive = 0,
  kStateDetached = 1,  // ssc_UnSubclass / ssc_Terminate / owner released it
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
  // Puts proc in as the window procedure (of the flavour); returns the
  // previous one, 0 on failure with the system error in lastError.
  virtual ProcAddr InstallProc(WinHandle hWnd, bool unicode, ProcAddr proc, std::uint32_t& lastError) = 0;
  // Our router entry `slot` of the flavour.
  virtual ProcAddr RouterEntry(bool unicode, int slot) = 0;
  virtual ProcAddr CurrentProc(WinHandle hWnd, bool unicode) = 0;
  virtual void SetProc(WinHandle hWnd, bool unicode, ProcAddr proc) = 0;
  // The slot of our router entry of the given flavour that proc is (as
  // CurrentProc/InstallProc report it), -1 when it is none of ours.
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

// One replacement of one window's procedure.
class HookRecord : public std::enable_shared_from_this<HookRecord> {
 public:
  virtual ~HookRecord() = default;

  std::int32_t nesting = 0;  // calls for this record on the stack
  std::int32_t state = kStateActive;
  WinHandle hWnd = 0;
  bool unicode = false;
  ProcAddr prevProc = 0;
  bool destroyWhenOwnerGone = false;
  TimerId releaseTimer = 0;
  bool hooked = false;      // part of the window's procedure chain
  int slot = -1;            // our router entry this record installed; -1: a procedure of its own
  ProcAddr entry = 0;       // the procedure it put in place
  void* refData = nullptr;  // the object a procedure of its own works for

  // False once the owner can no longer be called.
  virtual bool OwnerCallable() { return true; }
  // Delivers one message through a router entry in state 0: before phase,
  // previous procedure (router.CallPrevious), after phase.
  virtual Result Process(HookRouter& router, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);
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
  // Installs proc, a procedure of the record's own, which calls through an
  // OwnCall. The caller makes sure it is not in the window's chain already.
  bool InstallOwn(const std::shared_ptr<HookRecord>& record, ProcAddr proc, std::uint32_t& lastError);
  // The record of proc, a procedure of its own, in the window's chain;
  // nullptr when none.
  std::shared_ptr<HookRecord> FindOwn(WinHandle hWnd, ProcAddr proc) const;
  // A detached record still in the chain acts again.
  void Reactivate(HookRecord& record);

  // False when every router entry is in use on the window.
  bool HasFreeEntry(WinHandle hWnd) const { return FreeSlot(hWnd) >= 0; }

  // Router entry `slot` of the flavour, called for a window.
  Result Dispatch(int slot, bool unicode, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);
  // The previous procedure of the record (cancels a pending release).
  Result CallPrevious(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);

  // Detaches the record: state 1, no more notifications; it leaves the
  // window now when no call for it runs (a procedure of its own: also when
  // one does), else at the end of the last call.
  void Detach(HookRecord& record);

  void OnTimer(TimerId id);

  // One call for the record (a procedure of its own) begins and ends; the
  // end sees the message, so a WM_NCDESTROY lets the record go.
  void Enter(HookRecord& record);
  void Exit(HookRecord& record, std::uint32_t uMsg);

  // Counters for tests and diagnostics.
  std::size_t LiveRecords() const { return live_.size(); }
  // Records with a procedure of their own.
  std::size_t OwnRecords() const;
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

// One call of a procedure of its own: keeps its record (and with it the
// previous procedure) for the whole call, even if it is removed meanwhile.
// A procedure without a record (removed, or late through a stale copy)
// passes every message to the window's default procedure.
class OwnCall {
 public:
  OwnCall(HookRouter& router, WinHandle hWnd, ProcAddr proc);
  ~OwnCall();
  OwnCall(const OwnCall&) = delete;
  OwnCall& operator=(const OwnCall&) = delete;

  // True while the procedure is installed and not removed: it acts.
  bool Active() const { return record_ && record_->state == kStateActive; }
  void* RefData() const { return record_ ? record_->refData : nullptr; }
  Result Previous(std::uint32_t uMsg, WParam wParam, LParam lParam);

 private:
  HookRouter& router_;
  WinHandle hWnd_;
  std::shared_ptr<HookRecord> record_;
  std::uint32_t lastMessage_ = 0;
};

}  // namespace vorn2::subclass
