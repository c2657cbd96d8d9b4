// Linked only into the updater's test build: its messages go to a file
// instead of a box nobody answers, the test picks the server and the waits,
// it can kill the updater right after a step of the swap, and it can make
// the install folder refuse writes.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "Updater.h"
#include "framework/win/Handles.h"
#include "framework/win/Prompt.h"
#include "framework/win/WinText.h"

namespace vorn2::updater {

void ApplyTestSeams(UpdaterSettings& settings) {
  if (const char* server = std::getenv("VORN2_DEVSERVER_URL")) settings.updateServer = server;
  if (const char* wait = std::getenv("VORN2_UPDATER_WAIT_MS")) settings.waitForClientMs = std::strtoul(wait, nullptr, 10);
  if (const char* stall = std::getenv("VORN2_UPDATER_STALL_MS")) settings.stallMs = std::strtoul(stall, nullptr, 10);
  if (const char* wait = std::getenv("VORN2_UPDATER_NEW_CLIENT_WAIT_MS"))
    settings.newClientWaitMs = std::strtoul(wait, nullptr, 10);
  settings.writesRefused = std::getenv("VORN2_UPDATER_REFUSE_WRITES") != nullptr;
  if (const char* step = std::getenv("VORN2_UPDATER_KILL_AFTER")) {
    std::string killAfter = step;
    // As a power cut would: no clean-up of any kind.
    settings.afterStep = [killAfter](const char* done) {
      if (killAfter == done) TerminateProcess(GetCurrentProcess(), 99);
    };
  }
  if (const wchar_t* log = _wgetenv(L"VORN2_UPDATER_MESSAGE_LOG")) {
    std::wstring path = log;
    SetPromptHook([path](const PromptRequest& request) {
      const UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file) {
        std::string line = std::to_string(request.type) + "\t" + U8(request.title) + "\t" + U8(request.text) + "\n";
        DWORD written = 0;
        WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      }
      return IDOK;
    });
  }
}

}  // namespace vorn2::updater
