// Update.exe: started by the client with "install folder|client path".
#include <windows.h>

#include "Updater.h"
#include "framework/win/SystemLibrary.h"
#include "vorn2/BuildConfig.h"
#include "vorn2/UpdateKey.h"
#include "vorn2/Version.h"

namespace vorn2::updater {
// Only the test build of the updater defines this; the shipped one reads
// nothing from its environment.
void ApplyTestSeams(UpdaterSettings& settings);
}  // namespace vorn2::updater

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // Run from the temporary folder: nothing may be loaded from there.
  vorn2::RestrictLibrarySearchToSystem();
  vorn2::updater::UpdaterSettings settings;
  settings.updateServer = vorn2::build::kUpdateServer;
  settings.publicKey = vorn2::build::kUpdatePublicKey;
  settings.currentVersion = VORN2_VERSION_TEXT;
#ifdef VORN2_UPDATER_TEST_BUILD
  vorn2::updater::ApplyTestSeams(settings);
#endif
  return vorn2::updater::RunUpdater(commandLine ? commandLine : L"", settings);
}
