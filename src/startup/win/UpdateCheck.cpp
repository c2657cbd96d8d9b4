#include "startup/win/UpdateCheck.h"

namespace vorn2 {

// The version check is not wired in yet: the start-up goes straight on.
void StartupUpdateChecker::CheckForUpdate() {}

}  // namespace vorn2
