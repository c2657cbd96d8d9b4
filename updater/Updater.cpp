#include "Updater.h"

#include <optional>

#include "ProgressWindow.h"
#include "Sha256.h"
#include "framework/win/Files.h"
#include "framework/win/Prompt.h"
#include "framework/win/WinText.h"
#include "startup/UpdaterLaunch.h"
#include "startup/VersionFile.h"
#include "startup/win/CLumDownLoadFile.h"
#include "startup/win/UpdateSignatureCheck.h"

namespace vorn2::updater {

namespace {

void Say(const std::string& text) { Prompt(nullptr, text, kPromptTitle, MB_OK | MB_ICONEXCLAMATION); }

std::wstring ModuleFolder() {
  wchar_t path[32768] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, 32768);
  std::wstring s(path, n);
  std::size_t slash = s.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : s.substr(0, slash + 1);
}

enum class ClientState { Free, Busy, Missing, NotWritable };

// The client is gone when its executable can be opened for writing. A running
// or locked file is refused as shared; a file or folder this account may not
// write is refused as denied, and waiting would not change that.
ClientState WaitForClientToExit(const std::wstring& client, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    HANDLE h = CreateFileW(client.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return ClientState::Free;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ClientState::Missing;
    if (error == ERROR_ACCESS_DENIED) return ClientState::NotWritable;
    if (GetTickCount64() >= end) return ClientState::Busy;
    Sleep(200);
  }
}

// The download and the backup are new files beside the client: a writable
// client in a folder that takes no new files must stop here, not after the
// download.
bool FolderTakesNewFiles(const std::wstring& probe) {
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE,
                         nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return true;
  }
  return GetLastError() != ERROR_ACCESS_DENIED;
}

// The new client must be on the disk before it replaces the old one: after a
// power cut the client's name must not point at data still in the cache.
bool FlushToDisk(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(h) != FALSE;
  CloseHandle(h);
  return flushed;
}

std::optional<unsigned long long> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class WinReplaceFiles : public IReplaceFiles {
 public:
  explicit WinReplaceFiles(std::wstring folder) : folder_(std::move(folder)) {}

  bool Move(const std::string& from, const std::string& to) override {
    // A virus scanner or the exiting client may hold the file a moment longer.
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (MoveFileExW(W(from).c_str(), W(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
      Sleep(250);
    }
    return false;
  }
  bool Delete(const std::string& path) override {
    const std::wstring p = W(path);
    SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(p.c_str()) != FALSE;
  }
  bool Start(const std::string& path) override {
    std::wstring commandLine = L"\"" + W(path) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(W(path).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                        &si, &pi))
      return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }

 private:
  std::wstring folder_;
};

}  // namespace

int RunUpdater(const std::wstring& arguments, const UpdaterSettings& settings) {
  std::optional<UpdaterTarget> target = ParseUpdaterParameters(U8(arguments));
  if (!target) {
    Say(kBadArgumentsMessage);
    return kBadArguments;
  }
  const std::wstring client = W(target->clientPath);

  switch (WaitForClientToExit(client, settings.waitForClientMs)) {
    case ClientState::Free:
      break;
    case ClientState::Missing:
      Say(kClientMissingMessage);
      return kClientBusy;
    case ClientState::Busy:
      Say(kClientBusyMessage);
      return kClientBusy;
    case ClientState::NotWritable:
      Say(kNotWritableMessage);
      return kNotWritable;
  }
  const std::wstring newFile = client + L".new";
  const std::wstring backup = client + L".old";
  if (!FolderTakesNewFiles(newFile)) {
    Say(kNotWritableMessage);
    return kNotWritable;
  }

  std::optional<std::string> manifestText = ReadFileHead(ModuleFolder() + L"update.txt");
  if (!manifestText) {
    Say(kNoManifestMessage);
    return kNoManifest;
  }
  const UpdateManifest manifest = ParseUpdateManifest(*manifestText);
  // Nothing is installed that cannot be checked.
  if (manifest.sha256.empty()) {
    Say(kNoHashMessage);
    return kNoManifest;
  }
  // Only a version file signed with the operator's key names a client to
  // fetch: the server, a mirror or an upload cannot choose what is installed.
  if (!IsSignedBy(manifest, settings.publicKey)) {
    Say(kSignatureRefusedMessage);
    WinReplaceFiles(W(target->installFolder)).Start(target->clientPath);
    return kSignatureRefused;
  }
  const std::string url =
      manifest.url.empty() ? DefaultClientUrl(settings.updateServer, FileNameOf(target->clientPath)) : manifest.url;

  std::int32_t announced = -1;
  bool ok = false;
  {
    ProgressWindow progress;
    progress.Create(W(kCaption) + (manifest.version.empty() ? L"" : L" " + W(manifest.version)), W(kDownloadingText));
    CLumDownLoadFile downloader;
    downloader.Events().QueryFileInfo = [&](std::int32_t total) {
      announced = total;
      progress.SetTotal(total);
    };
    downloader.Events().Loading = [&](std::int32_t received) { progress.SetPosition(received); };
    ok = downloader.DownLoadFile(url, U8(newFile), false, true);
    // The loop compares with the full 64-bit length; the file on disk must
    // agree with what it counted.
    std::optional<unsigned long long> size = FileSize(newFile);
    ok = ok && size && *size == downloader.ReceivedBytes() &&
         (announced == 0x7fffffff || static_cast<unsigned long long>(announced) == *size);
  }
  if (!ok) {
    DeleteFileW(newFile.c_str());
    Say(kDownloadFailedMessage);
    return kDownloadFailed;
  }

  std::optional<std::string> digest = Sha256OfFile(newFile);
  // The signature covers the hash and the length; the download must match both.
  if (!digest || *digest != manifest.sha256 || FileSize(newFile) != manifest.length) {
    DeleteFileW(newFile.c_str());
    Say(kVerifyFailedMessage);
    return kVerifyFailed;
  }

  if (!FlushToDisk(newFile)) {
    DeleteFileW(newFile.c_str());
    Say(kNotWritableMessage);
    return kNotWritable;
  }

  WinReplaceFiles files(W(target->installFolder));
  switch (ReplaceAndRestart(files, target->clientPath, U8(newFile), U8(backup))) {
    case ReplaceOutcome::Replaced:
      return kUpdated;
    case ReplaceOutcome::RestoredOld:
      Say(kRestoredMessage);
      return kReplaceFailed;
    case ReplaceOutcome::OldKeptAsBackup:
      Say(std::string(kBackupKeptMessage) + U8(backup));
      return kReplaceFailed;
  }
  return kReplaceFailed;
}

}  // namespace vorn2::updater
