#include "framework/HookRouter.h"

#include <algorithm>

namespace vorn2::subclass {

Result HookRecord::Process(HookRouter& router, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  return router.CallPrevious(*this, hWnd, uMsg, wParam, lParam);
}

HookRouter::~HookRouter() {
  for (auto& record : live_) {
    if (record->releaseTimer) system_.KillTimer(record->releaseTimer);
  }
}

bool HookRouter::Install(const std::shared_ptr<HookRecord>& record, std::uint32_t& lastError) {
  lastError = 0;
  const int slot = FreeSlot(record->hWnd);
  if (slot < 0) {
    lastError = kErrorNoFreeEntry;
    return false;
  }
  record->slot = slot;
  return InstallOwn(record, system_.RouterEntry(record->unicode, slot), lastError);
}

bool HookRouter::InstallOwn(const std::shared_ptr<HookRecord>& record, ProcAddr proc, std::uint32_t& lastError) {
  lastError = 0;
  const ProcAddr previous = system_.InstallProc(record->hWnd, record->unicode, proc, lastError);
  if (previous == 0) return false;
  record->prevProc = previous;
  record->entry = proc;
  record->hooked = true;
  live_.push_back(record);
  chains_[record->hWnd].push_back(record.get());
  return true;
}

std::shared_ptr<HookRecord> HookRouter::FindOwn(WinHandle hWnd, ProcAddr proc) const {
  auto it = chains_.find(hWnd);
  if (it == chains_.end()) return nullptr;
  for (HookRecord* r : it->second) {
    if (r->slot < 0 && r->hooked && r->entry == proc) return r->shared_from_this();
  }
  return nullptr;
}

void HookRouter::Reactivate(HookRecord& record) {
  if (record.hooked && record.state == kStateDetached) record.state = kStateActive;
}

std::size_t HookRouter::OwnRecords() const {
  return static_cast<std::size_t>(std::count_if(live_.begin(), live_.end(), [](const auto& r) { return r->slot < 0; }));
}

bool HookRouter::IsLive(const HookRecord* record) const {
  return std::any_of(live_.begin(), live_.end(), [&](const auto& r) { return r.get() == record; });
}

std::size_t HookRouter::ChainLength(WinHandle hWnd) const {
  auto it = chains_.find(hWnd);
  return it == chains_.end() ? 0 : it->second.size();
}

HookRecord* HookRouter::AtSlot(WinHandle hWnd, int slot, bool unicode) const {
  auto it = chains_.find(hWnd);
  if (it == chains_.end()) return nullptr;
  for (HookRecord* r : it->second) {
    if (r->slot == slot && r->unicode == unicode) return r;
  }
  return nullptr;
}

int HookRouter::FreeSlot(WinHandle hWnd) const {
  // An entry that no record of ours on this window answers to, in either flavour.
  for (int s = 0; s < kRouterSlots; ++s) {
    if (!AtSlot(hWnd, s, false) && !AtSlot(hWnd, s, true)) return s;
  }
  return -1;
}

HookRecord* HookRouter::CallerOf(const HookRecord& record) const {
  auto it = chains_.find(record.hWnd);
  if (it == chains_.end()) return nullptr;
  for (HookRecord* r : it->second) {
    if (r != &record && r->hooked && r->unicode == record.unicode && r->prevProc == record.entry) return r;
  }
  return nullptr;
}

Result HookRouter::Dispatch(int slot, bool unicode, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  HookRecord* target = AtSlot(hWnd, slot, unicode);
  // Nothing of ours answers to this entry on this window any more (a stale
  // copy of our procedure).
  if (!target) return system_.DefaultProc(hWnd, uMsg, wParam, lParam);
  return Route(*target, hWnd, uMsg, wParam, lParam);
}

Result HookRouter::Route(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  std::shared_ptr<HookRecord> keep = record.shared_from_this();  // never freed while running
  Enter(record);
  const Result lReturn = record.state != kStateActive ? CallPrevious(record, hWnd, uMsg, wParam, lParam)
                                                      : record.Process(*this, hWnd, uMsg, wParam, lParam);
  Exit(record, uMsg);
  return lReturn;
}

void HookRouter::Enter(HookRecord& record) {
  ++record.nesting;
  if (record.state == kStateActive && !record.OwnerCallable()) record.state = kStateOwnerGone;
}

void HookRouter::Exit(HookRecord& record, std::uint32_t uMsg) {
  --record.nesting;
  // An owner that went away during this message need not wait for the next one.
  if (record.state == kStateActive && !record.OwnerCallable()) record.state = kStateOwnerGone;
  if (uMsg == kWmNcDestroy) record.state = kStateDestroyed;
  if (record.nesting == 0 && record.state != kStateActive) Leave(record);
}

Result HookRouter::CallPrevious(HookRecord& record, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  CancelRelease(record);
  if (record.prevProc == 0) return system_.DefaultProc(hWnd, uMsg, wParam, lParam);
  const int below = system_.RouterSlot(record.prevProc, record.unicode);
  if (below >= 0) {
    // Our own record of the same flavour sits below: no trip through the
    // system. The chain is the record's window's even when a handler
    // rewrote hWnd.
    if (HookRecord* next = AtSlot(record.hWnd, below, record.unicode)) return Route(*next, hWnd, uMsg, wParam, lParam);
    return system_.DefaultProc(hWnd, uMsg, wParam, lParam);
  }
  return system_.CallProc(record.prevProc, record.unicode, hWnd, uMsg, wParam, lParam);
}

void HookRouter::Detach(HookRecord& record) {
  if (record.state == kStateActive) record.state = kStateDetached;
  record.OnDetached();
  // A procedure of its own leaves the chain at once: a call of it still
  // running keeps its record, and with it the previous procedure.
  if (record.slot < 0 && record.hooked) TryUnhook(record);
  if (record.nesting == 0) Leave(record);
}

void HookRouter::Leave(HookRecord& record) {
  if (record.hooked && !TryUnhook(record)) return;  // still needed in the chain: it forwards
  if (record.state == kStateOwnerGone && record.destroyWhenOwnerGone) {
    record.destroyWhenOwnerGone = false;
    system_.DestroyWindow(record.hWnd);
  }
  // Nothing calls into a destroyed window, and its handle value may soon
  // name a new one: only the release is left.
  if (record.state == kStateDestroyed) Unchain(record);
  if (!IsLive(&record)) return;
  // Only a router entry can still be called for a record that has left.
  if (record.slot < 0) Release(record);
  else ArmRelease(record);
}

bool HookRouter::TryUnhook(HookRecord& record) {
  if (record.state == kStateDestroyed) {
    // The window is gone: nothing can call the procedure any more.
    record.hooked = false;
    return true;
  }
  if (HookRecord* caller = CallerOf(record)) {
    // Our record above calls our entry directly: let it skip us.
    caller->prevProc = record.prevProc;
    record.hooked = false;
    return true;
  }
  if (system_.CurrentProc(record.hWnd, record.unicode) == record.entry) {
    system_.SetProc(record.hWnd, record.unicode, record.prevProc);
    record.hooked = false;
    return true;
  }
  // Someone else's procedure now sits above ours and calls our entry as its
  // previous one; putting ours back would cut it off. Keep forwarding.
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

void HookRouter::Unchain(HookRecord& record) {
  auto chain = chains_.find(record.hWnd);
  if (chain == chains_.end()) return;
  auto& v = chain->second;
  v.erase(std::remove(v.begin(), v.end(), &record), v.end());
  if (v.empty()) chains_.erase(chain);
}

void HookRouter::Release(HookRecord& record) {
  Unchain(record);
  std::shared_ptr<HookRecord> last = record.shared_from_this();
  live_.erase(std::remove_if(live_.begin(), live_.end(), [&](const auto& r) { return r.get() == &record; }),
              live_.end());
}

OwnCall::OwnCall(HookRouter& router, WinHandle hWnd, ProcAddr proc)
    : router_(router), hWnd_(hWnd), record_(router.FindOwn(hWnd, proc)) {
  if (record_) router_.Enter(*record_);
}

OwnCall::~OwnCall() {
  if (record_) router_.Exit(*record_, lastMessage_);
}

Result OwnCall::Previous(std::uint32_t uMsg, WParam wParam, LParam lParam) {
  lastMessage_ = uMsg;
  if (!record_) return router_.System().DefaultProc(hWnd_, uMsg, wParam, lParam);
  return router_.CallPrevious(*record_, hWnd_, uMsg, wParam, lParam);
}

}  // namespace vorn2::subclass
