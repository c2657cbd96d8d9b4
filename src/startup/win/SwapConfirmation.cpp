#include "startup/win/SwapConfirmation.h"

#include <windows.h>

#include "framework/win/WinText.h"
#include "startup/UpdaterLaunch.h"

namespace vorn2 {

SwapConfirmation::SwapConfirmation(std::wstring clientPath) : client_(std::move(clientPath)) {
  unconfirmed_ = GetFileAttributesW((client_ + W(kUnconfirmedSuffix)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SwapConfirmation::FirstWindowShown() {
  if (confirmed_ || client_.empty()) return;
  confirmed_ = true;
  // The marker first: its absence is the confirmation, and a backup left
  // without it is only stale.
  if (unconfirmed_) DeleteFileW((client_ + W(kUnconfirmedSuffix)).c_str());
  DeleteFileW((client_ + W(kBackupSuffix)).c_str());
}

}  // namespace vorn2
