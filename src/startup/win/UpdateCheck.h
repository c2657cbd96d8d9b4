// The update check run while the start-up window is created.
#pragma once

#include <string>

namespace vorn2 {

class StartupUpdateChecker {
 public:
  explicit StartupUpdateChecker(std::string updateServer) : updateServer_(std::move(updateServer)) {}
  // Returns when no update is wanted (or nothing could be read); when the
  // user accepts an update it starts the updater and ends the process.
  void CheckForUpdate();

 private:
  std::string updateServer_;
};

}  // namespace vorn2
