#include "framework/win/WindowProcHook.h"

#include <memory>

#include "framework/win/SharedRouter.h"

namespace vorn2::WindowProcHook {
namespace {

subclass::WinHandle I(HWND hWnd) { return reinterpret_cast<subclass::WinHandle>(hWnd); }
subclass::ProcAddr A(WNDPROC proc) { return reinterpret_cast<subclass::ProcAddr>(proc); }

}  // namespace

bool Install(HWND hWnd, WNDPROC proc, void* data) {
  if (!hWnd || !proc || !IsWindow(hWnd)) return false;
  subclass::HookRouter& router = SharedHookRouter();
  if (const std::shared_ptr<subclass::HookRecord> record = router.FindOwn(I(hWnd), A(proc))) {
    record->refData = data;  // still in the chain: never install it twice
    router.Reactivate(*record);
    return true;
  }
  auto record = std::make_shared<subclass::HookRecord>();
  record->hWnd = I(hWnd);
  record->unicode = true;  // every window of the program is a Unicode window
  record->refData = data;
  std::uint32_t error = 0;
  return router.InstallOwn(record, A(proc), error);
}

void Remove(HWND hWnd, WNDPROC proc) {
  subclass::HookRouter& router = SharedHookRouter();
  if (const std::shared_ptr<subclass::HookRecord> record = router.FindOwn(I(hWnd), A(proc))) router.Detach(*record);
}

bool Active(HWND hWnd, WNDPROC proc) {
  const std::shared_ptr<subclass::HookRecord> record = SharedHookRouter().FindOwn(I(hWnd), A(proc));
  return record && record->state == subclass::kStateActive;
}

std::size_t Records() { return SharedHookRouter().OwnRecords(); }

Call::Call(WNDPROC proc, HWND hWnd) : call_(SharedHookRouter(), I(hWnd), A(proc)) {}

LRESULT Call::Previous(UINT uMsg, WPARAM wParam, LPARAM lParam) { return call_.Previous(uMsg, wParam, lParam); }

}  // namespace vorn2::WindowProcHook
