// A scripted stand-in for user32: windows with procedures, thread timers.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/HookRouter.h"

namespace vorn2::test {

using namespace vorn2::subclass;

class FakeWindows : public WindowSystem {
 public:
  // Router entry `slot`: odd addresses for the A flavour, even for W.
  static ProcAddr RouterAddr(bool unicode, int slot) { return static_cast<ProcAddr>((unicode ? 2 : 1) + 2 * slot); }
  static constexpr ProcAddr kRouterA = 1;
  static constexpr ProcAddr kRouterW = 2;
  using Proc = std::function<Result(WinHandle, std::uint32_t, WParam, LParam)>;

  struct Window {
    ProcAddr proc = 0;
    bool unicode = true;
    bool otherProcess = false;
    bool alive = true;
  };

  HookRouter* router = nullptr;
  std::map<WinHandle, Window> windows;
  std::map<ProcAddr, Proc> procs;
  std::map<TimerId, bool> timers;  // id -> running
  TimerId nextTimer = 100;
  std::uint32_t failInstallWith = 0;  // non-zero: InstallProc fails with this error
  std::vector<std::string> calls;     // SetProc / DestroyWindow log
  int unicodeQueries = 0;

  ProcAddr AddProc(Proc p) {
    const ProcAddr addr = 1000 + procs.size();
    procs[addr] = std::move(p);
    return addr;
  }
  WinHandle AddWindow(WinHandle h, ProcAddr proc, bool unicode = true) {
    windows[h] = Window{proc, unicode, false, true};
    return h;
  }
  // The system delivering a message to the window's current procedure.
  Result Send(WinHandle h, std::uint32_t msg, WParam w = 0, LParam l = 0) {
    return CallProc(windows.at(h).proc, true, h, msg, w, l);
  }
  void Destroy(WinHandle h) {
    Send(h, kWmNcDestroy);
    windows[h].alive = false;
  }
  std::size_t RunningTimers() const {
    std::size_t n = 0;
    for (const auto& [id, on] : timers) n += on ? 1 : 0;
    return n;
  }
  // Lets every running timer expire once.
  void FireTimers() {
    std::vector<TimerId> due;
    for (const auto& [id, on] : timers)
      if (on) due.push_back(id);
    for (TimerId id : due)
      if (timers[id]) router->OnTimer(id);
  }

  bool IsWindow(WinHandle h) override { return windows.count(h) && windows[h].alive; }
  bool BelongsToThisProcess(WinHandle h) override { return !windows.at(h).otherProcess; }
  bool IsWindowUnicode(WinHandle h) override {
    ++unicodeQueries;
    return windows.at(h).unicode;
  }
  ProcAddr InstallProc(WinHandle h, bool, ProcAddr proc, std::uint32_t& lastError) override {
    if (failInstallWith) {
      lastError = failInstallWith;
      return 0;
    }
    const ProcAddr previous = windows.at(h).proc;
    windows.at(h).proc = proc;
    return previous;
  }
  ProcAddr RouterEntry(bool unicode, int slot) override { return RouterAddr(unicode, slot); }
  ProcAddr CurrentProc(WinHandle h, bool) override { return windows.at(h).proc; }
  void SetProc(WinHandle h, bool, ProcAddr proc) override {
    calls.push_back("SetProc h" + std::to_string(h) + " " + std::to_string(proc));
    windows.at(h).proc = proc;
  }
  static int SlotOf(ProcAddr proc) {
    return proc >= 1 && proc <= RouterAddr(true, HookRouter::kRouterSlots - 1) ? static_cast<int>((proc - 1) / 2) : -1;
  }
  int RouterSlot(ProcAddr proc, bool unicode) override {
    const int slot = SlotOf(proc);
    return slot >= 0 && proc == RouterAddr(unicode, slot) ? slot : -1;
  }
  Result CallProc(ProcAddr proc, bool, WinHandle h, std::uint32_t msg, WParam w, LParam l) override {
    if (const int slot = SlotOf(proc); slot >= 0) return router->Dispatch(slot, proc % 2 == 0, h, msg, w, l);
    return procs.at(proc)(h, msg, w, l);
  }
  Result DefaultProc(WinHandle, std::uint32_t, WParam, LParam) override { return -999; }
  void DestroyWindow(WinHandle h) override {
    calls.push_back("DestroyWindow h" + std::to_string(h));
    Destroy(h);
  }
  TimerId SetReleaseTimer(unsigned ms) override {
    if (ms != HookRouter::kReleaseDelayMs) return 0;
    timers[++nextTimer] = true;
    return nextTimer;
  }
  void KillTimer(TimerId id) override { timers[id] = false; }
};

// The window's own procedure: records what it sees, answers msg * 10 + wParam.
struct OriginalProc {
  std::vector<std::uint32_t> seen;
  std::vector<WParam> seenW;
  Result operator()(WinHandle, std::uint32_t msg, WParam w, LParam) {
    seen.push_back(msg);
    seenW.push_back(w);
    return static_cast<Result>(msg * 10 + w);
  }
};

}  // namespace vorn2::test
