#include "winplumbing/SubclassEngine.h"

#include <algorithm>
#include <new>

namespace vorn2::subclass {

namespace {

constexpr char kClass[] = "CSubclass";
constexpr std::uint32_t kErrorNotEnoughMemory = 8;

}  // namespace

std::string RegistryKey(WinHandle hWnd) {
  std::string key(1, 'h');
  key.append(std::to_string(static_cast<long long>(hWnd)));
  return key;
}

bool SubclassRecord::OwnerCallable() { return owner.callable && owner.notify && owner.callable(); }

Result SubclassRecord::Process(HookRouter& router, WinHandle hWnd, std::uint32_t uMsg, WParam wParam,
                               LParam lParam) {
  bool bHandled = false;
  Result lReturn = 0;
  if (before.Selects(uMsg)) {
    owner.notify(true, bHandled, lReturn, hWnd, uMsg, wParam, lParam, lParamUser);
    if (bHandled) return lReturn;
  }
  lReturn = router.CallPrevious(*this, hWnd, uMsg, wParam, lParam);
  // The owner may have let go of the window or died meanwhile.
  if (state == kStateActive && after.Selects(uMsg) && OwnerCallable()) {
    bool ignored = false;
    owner.notify(false, ignored, lReturn, hWnd, uMsg, wParam, lParam, lParamUser);
  }
  return lReturn;
}

void SubclassRecord::OnDetached() {
  before.Clear();
  after.Clear();
}

void SubclassEngine::Log(const std::string& routine, const std::string& message) {
  if (log_) log_(std::string(kClass) + "." + routine + ": " + message);
}

SubclassEngine::Registry::iterator SubclassEngine::KeyOf(const std::string& key) {
  return std::find_if(registry_->begin(), registry_->end(), [&](const auto& e) { return e.first == key; });
}

std::shared_ptr<SubclassRecord> SubclassEngine::RecordOf(WinHandle hWnd) const {
  if (!registry_) return nullptr;
  const std::string key = RegistryKey(hWnd);
  for (const auto& e : *registry_) {
    if (e.first == key) return e.second.lock();
  }
  return nullptr;
}

std::shared_ptr<SubclassRecord> SubclassEngine::Find(WinHandle hWnd, bool logMissingKey) {
  if (!registry_) {
    Log("zMap_VFunction", "Thunk hasn't been initialized");
    return nullptr;
  }
  if (registry_->empty()) return nullptr;
  auto it = KeyOf(RegistryKey(hWnd));
  if (it == registry_->end()) {
    if (logMissingKey) Log("zMap_VFunction", std::string("Thunk type for ") + " does not exist");
    return nullptr;
  }
  return it->second.lock();  // a released record counts as not found
}

bool SubclassEngine::ssc_Subclass(WinHandle hWnd, LParam lParamUser, int nOrdinal, bool /*bIdeSafety*/,
                                  bool& bUnicode, bool bIsAPIwindow) {
  const char* routine = "ssc_Subclass";
  WindowSystem& system = router_.System();
  if (!system.IsWindow(hWnd)) {
    Log(routine, "Invalid window handle");
    return false;
  }
  if (!system.BelongsToThisProcess(hWnd)) {
    Log(routine, "Window handle belongs to another process");
    return false;
  }
  // The only receiver is the owner's WindowProc notification.
  if (nOrdinal != 1 || !owner_.notify || !owner_.callable) {
    Log(routine, "Callback method not found");
    return false;
  }
  std::shared_ptr<SubclassRecord> record;
  try {
    record = std::make_shared<SubclassRecord>();
  } catch (const std::bad_alloc&) {
    Log(routine, "VirtualAlloc failed, error: " + std::to_string(kErrorNotEnoughMemory));
    return false;
  }
  // Every router entry of this window in use: there is no router to give it.
  if (!router_.HasFreeEntry(hWnd)) {
    Log(routine, "VirtualAlloc failed, error: " + std::to_string(kErrorNotEnoughMemory));
    return false;
  }
  if (!registry_) registry_.emplace();
  const std::string key = RegistryKey(hWnd);
  auto existing = KeyOf(key);
  if (existing != registry_->end()) {
    auto old = existing->second.lock();
    // An entry whose window has been destroyed belongs to a handle value
    // that may now name a new window.
    if (old && old->state != kStateDestroyed) {
      Log(routine, "Window handle is already subclassed");
      return false;
    }
    registry_->erase(existing);
  }
  record->hWnd = hWnd;
  record->owner = owner_;
  record->lParamUser = lParamUser;
  if (bUnicode) bUnicode = system.IsWindowUnicode(hWnd);
  record->unicode = bUnicode;
  record->destroyWhenOwnerGone = bIsAPIwindow;
  std::uint32_t error = 0;
  if (!router_.Install(record, error)) {
    Log(routine, "SetWindowLong failed, error #" + std::to_string(error));
    return false;
  }
  registry_->emplace_back(key, record);
  return true;
}

void SubclassEngine::ssc_UnSubclass(WinHandle hWnd) {
  if (!registry_) {
    Log("zMap_VFunction", "Thunk hasn't been initialized");
    return;
  }
  auto it = KeyOf(RegistryKey(hWnd));
  if (it == registry_->end()) return;
  auto record = it->second.lock();
  registry_->erase(it);
  if (record) router_.Detach(*record);
}

void SubclassEngine::ssc_Terminate() {
  if (!registry_) return;
  // Detaching may run code that touches the registry: work on a copy.
  Registry entries = *registry_;
  registry_.reset();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (auto record = it->second.lock()) router_.Detach(*record);
  }
}

void SubclassEngine::ssc_AddMsg(WinHandle hWnd, std::int32_t uMsg, int When) {
  auto record = Find(hWnd, true);
  if (!record) return;
  MsgTable* tables[] = {(When & 1) ? &record->before : nullptr, (When & 2) ? &record->after : nullptr};
  for (MsgTable* table : tables) {
    if (table && table->Add(uMsg) == MsgTable::AddResult::Overflow) {
      Log("zAddMsg",
          "Message table overflow. Either increase the value of Const MSG_ENTRIES or use ALL_MESSAGES instead of "
          "specific message values");
    }
  }
}

void SubclassEngine::ssc_DelMsg(WinHandle hWnd, int When, const std::vector<MsgListItem>& Messages) {
  auto record = Find(hWnd, true);
  if (!record) return;
  for (const MsgListItem& item : Messages) {
    std::int32_t uMsg = 0;
    if (const auto* v32 = std::get_if<std::int32_t>(&item)) uMsg = *v32;
    else if (const auto* v16 = std::get_if<std::int16_t>(&item)) uMsg = *v16;
    else if (const auto* v8 = std::get_if<std::uint8_t>(&item)) uMsg = *v8;
    else continue;
    if (When & 1) record->before.Delete(uMsg);
    if (When & 2) record->after.Delete(uMsg);
  }
}

Result SubclassEngine::ssc_CallOrigWndProc(WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) {
  auto record = Find(hWnd, true);
  if (!record) return 0;
  return router_.CallPrevious(*record, hWnd, uMsg, wParam, lParam);
}

void SubclassEngine::zSet_lParamUser(WinHandle hWnd_Hook_ID, LParam NewValue) {
  if (auto record = Find(hWnd_Hook_ID, true)) record->lParamUser = NewValue;
}

LParam SubclassEngine::zGet_lParamUser(WinHandle hWnd_Hook_ID) {
  auto record = Find(hWnd_Hook_ID, true);
  return record ? record->lParamUser : 0;
}

}  // namespace vorn2::subclass
