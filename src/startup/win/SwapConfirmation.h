// The client's side of the updater's swap. The updater leaves a marker
// beside a client it has put in place ("vorn2.exe.unconfirmed") until that
// client shows a window; a client that never does is put back by the next
// updater run or the installer. The client confirms itself: its start tests
// once for the marker, and its first window removes the marker and then the
// backup ("vorn2.exe.old"), which beside a confirmed client is stale anyway.
#pragma once

#include <string>

namespace vorn2 {

class SwapConfirmation {
 public:
  // One file test, for the marker beside `clientPath`.
  explicit SwapConfirmation(std::wstring clientPath);
  // The client shows its first window (or is about to show a message box as
  // its first). Only the first call acts.
  void FirstWindowShown();

 private:
  std::wstring client_;
  bool unconfirmed_ = false;
  bool confirmed_ = false;
};

}  // namespace vorn2
