#include "winplumbing/FormSubclassEngine.h"

namespace vorn2::subclass {

bool FormRecord::OwnerCallable() { return sink.callable && sink.notify && sink.callable(); }

Result FormRecord::Process(HookRouter& router, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  bool bHandled = false;
  Result lReturn = 0;
  if (before.Selects(uMsg)) {
    sink.notify(true, bHandled, lReturn, hWnd, uMsg, wParam, lParam);
    if (bHandled) return lReturn;
  }
  lReturn = router.CallPrevious(*this, hWnd, uMsg, wParam, lParam);
  // The owner may have been destroyed by the message itself.
  if (state == kStateActive && after.Selects(uMsg) && OwnerCallable()) {
    bool ignored = false;
    sink.notify(false, ignored, lReturn, hWnd, uMsg, wParam, lParam);
  }
  return lReturn;
}

void FormRecord::OnDetached() {
  before.Clear();
  after.Clear();
}

bool FormSubclassEngine::AddWindowMsgs(WinHandle hWnd) {
  std::size_t index = slots_.size();
  for (std::size_t i = slots_.size(); i-- > 0;) {
    if (slots_[i].window == 0) {
      index = i;
      break;
    }
  }
  auto record = std::make_shared<FormRecord>();
  record->hWnd = hWnd;
  record->unicode = true;  // every window of the program is a Unicode window
  record->sink = sink_;
  if (!router_.System().IsWindow(hWnd)) return false;
  std::uint32_t error = 0;
  if (!router_.Install(record, error)) return false;
  record->before.Add(ALL_MESSAGES);
  if (index == slots_.size()) slots_.emplace_back();
  slots_[index].window = hWnd;
  slots_[index].record = record;
  return true;
}

void FormSubclassEngine::UnhookAll() {
  for (std::size_t i = slots_.size(); i-- > 0;) {
    Slot& slot = slots_[i];
    if (slot.window == 0) continue;
    // A record still running for its window is freed when it returns.
    if (auto record = slot.record.lock()) router_.Detach(*record);
    slot.window = 0;
    slot.record.reset();
  }
}

}  // namespace vorn2::subclass
