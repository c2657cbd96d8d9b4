#include "winplumbing/HookRouter.h"

#include <algorithm>

namespace vorn2::subclass {

HookRouter::~HookRouter() {
  for (auto& record : live_) {
    if (record->releaseTimer) system_.KillTimer(record->releaseTimer);
  }
}

bool HookRouter::Install(const std::shared_ptr<HookRecord>& record, std::uint32_t& lastError) {
  lastError = 0;
  const ProcAddr previous = system_.InstallRouter(record->hWnd, record->unicode, lastError);
  if (previous == 0) return false;
  record->prevProc = previous;
  record->hooked = true;
  live_.push_back(record);
  chains_[record->hWnd].push_back(record.get());
  return true;
}

bool HookRouter::IsLive(const HookRecord* record) const {
  return std::any_of(live_.begin(), live_.end(), [&](const auto& r) { return r.get() == record; });
}

std::size_t HookRouter::ChainLength(WinHandle hWnd) const {
  auto it = chains_.find(hWnd);
  return it == chains_.end() ? 0 : it->second.size();
}

HookRecord* HookRouter::HookedBelow(WinHandle hWnd, const HookRecord* record) const {
  auto it = chains_.find(hWnd);
  if (it == chains_.end()) return nullptr;
  const auto& chain = it->second;
  auto pos = std::find(chain.begin(), chain.end(), record);
  while (pos != chain.begin()) {
    --pos;
    if ((*pos)->hooked) return *pos;
  }
  return nullptr;
}

HookRecord* HookRouter::Below(WinHandle hWnd, const HookRecord* record) const {
  if (HookRecord* hooked = HookedBelow(hWnd, record)) return hooked;
  // One that has left the window but is still waiting for its release:
  // it forwards to its own previous procedure.
  auto it = chains_.find(hWnd);
  if (it == chains_.end()) return nullptr;
  auto pos = std::find(it->second.begin(), it->second.end(), record);
  return pos == it->second.begin() || pos == it->second.end() ? nullptr : *(pos - 1);
}

HookRecord* HookRouter::HookedAbove(WinHandle hWnd, const HookRecord* record) const {
  auto it = chains_.find(hWnd);
  if (it == chains_.end()) return nullptr;
  const auto& chain = it->second;
  auto pos = std::find(chain.begin(), chain.end(), record);
  if (pos == chain.end()) return nullptr;
  for (++pos; pos != chain.end(); ++pos) {
    if ((*pos)->hooked) return *pos;
  }
  return nullptr;
}

Result HookRouter::Dispatch(WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  auto it = chains_.find(hWnd);
  if (it == chains_.end() || it->second.empty()) {
    // Nothing of ours on this window any more (a stale copy of our procedure).
    return system_.DefaultProc(hWnd, uMsg, wParam, lParam);
  }
  const auto& chain = it->second;
  HookRecord* target = nullptr;
  // The innermost record of this window that is running someone else's
  // procedure: when that procedure passes the same message on, it is calling
  // its predecessor, which is ours below the record. A different message is
  // a new one sent to the window meanwhile.
  for (auto f = passingDown_.rbegin(); f != passingDown_.rend(); ++f) {
    if (f->hWnd == hWnd) {
      if (f->uMsg == uMsg && f->wParam == wParam && f->lParam == lParam) target = Below(hWnd, f->record);
      break;
    }
  }
  if (!target) {
    for (auto r = chain.rbegin(); r != chain.rend() && !target; ++r) {
      if ((*r)->hooked) target = *r;
    }
    // Only records that already left the window: a late call through a
    // procedure that had chained onto ours.
    if (!target) target = chain.back();
  }
  return Route(*target, hWnd, uMsg, wParam, lParam);
}

Result HookRouter::Route(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  std::shared_ptr<HookRecord> keep = record.shared_from_this();  // never freed while running
  ++record.nesting;
  Result lReturn = 0;
  if (record.state == kStateActive && !record.OwnerCallable()) record.state = kStateOwnerGone;
  if (record.state != kStateActive) {
    lReturn = CallPrevious(record, hWnd, uMsg, wParam, lParam);
  } else {
    lReturn = record.Process(*this, hWnd, uMsg, wParam, lParam);
  }
  --record.nesting;
  // An owner that went away during this message need not wait for the next one.
  if (record.state == kStateActive && !record.OwnerCallable()) record.state = kStateOwnerGone;
  if (uMsg == kWmNcDestroy) record.state = kStateDestroyed;
  if (record.nesting == 0 && record.state != kStateActive) Leave(record);
  return lReturn;
}

Result HookRouter::CallPrevious(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam,
                                LParam lParam) {
  CancelRelease(record);
  // The chain is the record's window's even when a handler rewrote hWnd.
  const WinHandle own = record.hWnd;
  if (record.prevProc == 0) return system_.DefaultProc(hWnd, uMsg, wParam, lParam);
  if (system_.IsOurRouter(record.prevProc, record.unicode)) {
    // Our own record of the same flavour sits below: no trip through the system.
    if (HookRecord* below = HookedBelow(own, &record)) return Route(*below, hWnd, uMsg, wParam, lParam);
    return system_.DefaultProc(hWnd, uMsg, wParam, lParam);
  }
  passingDown_.push_back({own, &record, uMsg, wParam, lParam});
  const Result result = system_.CallProc(record.prevProc, record.unicode, hWnd, uMsg, wParam, lParam);
  // Frames above ours (a nested call that did not return normally) go too.
  for (auto f = passingDown_.size(); f-- > 0;) {
    if (passingDown_[f].record == &record && passingDown_[f].hWnd == own) {
      passingDown_.resize(f);
      break;
    }
  }
  return result;
}

void HookRouter::Detach(HookRecord& record) {
  if (record.state == kStateActive) record.state = kStateDetached;
  record.OnDetached();
  if (record.nesting == 0) Leave(record);
}

void HookRouter::Leave(HookRecord& record) {
  if (record.hooked && !TryUnhook(record)) return;  // still needed in the chain: it forwards
  if (record.state == kStateOwnerGone && record.destroyWhenOwnerGone) {
    record.destroyWhenOwnerGone = false;
    system_.DestroyWindow(record.hWnd);
  }
  if (IsLive(&record)) ArmRelease(record);
}

bool HookRouter::TryUnhook(HookRecord& record) {
  const WinHandle hWnd = record.hWnd;
  if (record.state == kStateDestroyed) {
    // The window is gone: nothing can call the procedure any more.
    record.hooked = false;
    return true;
  }
  HookRecord* above = HookedAbove(hWnd, &record);
  if (!above) {
    if (system_.IsOurRouter(system_.CurrentProc(hWnd, record.unicode), record.unicode)) {
      system_.SetProc(hWnd, record.unicode, record.prevProc);
      record.hooked = false;
      return true;
    }
    // Someone else's procedure now sits on top of ours and calls us as its
    // previous one; putting ours back would cut it off. Keep forwarding.
    return false;
  }
  if (above->unicode == record.unicode && system_.IsOurRouter(above->prevProc, above->unicode)) {
    // Our record above calls us directly: let it skip us.
    if (!system_.IsOurRouter(record.prevProc, record.unicode)) above->prevProc = record.prevProc;
    record.hooked = false;
    return true;
  }
  return false;
}

void HookRouter::ArmRelease(HookRecord& record) {
  CancelRelease(record);
  record.releaseTimer = system_.SetReleaseTimer(kReleaseDelayMs);
}

void HookRouter::CancelRelease(HookRecord& record) {
  if (record.releaseTimer) {
    system_.KillTimer(record.releaseTimer);
    record.releaseTimer = 0;
  }
}

void HookRouter::OnTimer(TimerId id) {
  for (auto& r : live_) {
    if (r->releaseTimer == id) {
      HookRecord& record = *r;
      CancelRelease(record);
      if (record.nesting == 0 && !record.hooked) Release(record);
      return;
    }
  }
  system_.KillTimer(id);  // a stray timer of ours
}

void HookRouter::Release(HookRecord& record) {
  auto chain = chains_.find(record.hWnd);
  if (chain != chains_.end()) {
    auto& v = chain->second;
    v.erase(std::remove(v.begin(), v.end(), &record), v.end());
    if (v.empty()) chains_.erase(chain);
  }
  std::shared_ptr<HookRecord> last = record.shared_from_this();
  live_.erase(std::remove_if(live_.begin(), live_.end(), [&](const auto& r) { return r.get() == &record; }),
              live_.end());
}

}  // namespace vorn2::subclass
