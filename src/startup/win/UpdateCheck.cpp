#include "startup/win/UpdateCheck.h"

#include <optional>
#include <vector>

#include "framework/win/Files.h"
#include "framework/win/ProcessEnvironment.h"
#include "framework/win/Prompt.h"
#include "framework/win/PublicData.h"
#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"
#include "startup/UpdaterLaunch.h"
#include "startup/VersionFile.h"
#include "startup/win/UpdateSignatureCheck.h"
#include "vorn2/UpdateKey.h"

namespace vorn2 {

namespace {

// Only a file downloaded by this very check decides: one left from an
// earlier run says nothing about the server now, and nothing of a failed
// download stays behind.
RemoteVersion FetchRemoteVersion(CLumDownLoadFile& downloader, const std::string& updateServer) {
  const std::wstring path = VersionFilePath();
  if (!downloader.DownLoadFile(VersionFileUrl(updateServer), U8(path), true, false)) {
    DeleteFileW(path.c_str());
    return RemoteVersion::Unreachable;
  }
  std::optional<std::string> text = ReadFileHead(path);
  if (!text) return RemoteVersion::Unreachable;
  // The file is text in the system's ANSI code page.
  std::optional<std::string> remote =
      FindVersionValue(*text, [](unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; });
  if (!remote) return RemoteVersion::NoVersionLine;
  const std::string local = LocalVersionString();
  if (!IsOtherVersion(*remote, local)) return RemoteVersion::Same;
  // Offered only what the updater will install: a version file signed with
  // the operator's key whose signed version is above this one. Anything
  // else (an older signed file replayed, a stray line naming a version) is
  // as good as the version already here.
  const UpdateManifest manifest = ParseUpdateManifest(*text);
  if (!IsNewerVersion(manifest.version, local) || !IsSignedBy(manifest, build::kUpdatePublicKey))
    return RemoteVersion::Same;
  return RemoteVersion::Different;
}

// Writes the updater and asks the shell to start it. Says why when it
// cannot: the client then simply carries on.
bool LaunchUpdater(HWND owner) {
  const std::wstring updater = GetTempFolder() + L"Update.exe";
  if (!SaveResourceToFile(IDR_UPDATE, L"UPDATE", updater)) {
    Prompt(owner, kUpdaterNotWrittenMessage, kPromptTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  const std::wstring parameters = W(UpdaterParameters(U8(ModulePath())));
  if (!Process().shellOpen(updater, parameters)) {
    Prompt(owner, kUpdaterNotStartedMessage, kPromptTitle, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

bool UserWantsUpdate(HWND owner) {
  return Prompt(owner, kNewVersionPrompt, kPromptTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string LocalVersionString() {
  const VersionFunctions* version = VersionInfo();
  if (!version) return {};
  const std::wstring path = ModulePath();
  DWORD ignored = 0;
  DWORD size = version->GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> data(size);
  if (!version->GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!version->VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO))
    return {};
  return FormatLocalVersion(HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                            LOWORD(info->dwFileVersionLS));
}

std::wstring VersionFilePath() { return GetTempFolder() + L"update.txt"; }

std::string VersionFileUrl(const std::string& updateServer) {
  std::string base = updateServer;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/gamehome/vorn2/update.txt";
}

void StartupUpdateChecker::Fetch() {
  if (!fetched_) fetched_ = FetchRemoteVersion(downloader_, updateServer_);
}

void StartupUpdateChecker::CheckForUpdate() {
  Fetch();
  if (*fetched_ != RemoteVersion::Different) return;
  if (beforeQuestion) beforeQuestion();
  if (!UserWantsUpdate(nullptr)) return;
  if (!LaunchUpdater(nullptr)) return;
  updaterStarted_ = true;
  Process().endAtOnce();
}

void MenuUpdateChecker::CheckForUpdate() {
  // Chosen again while the version file is still coming in.
  if (running_) return;
  running_ = true;
  const HWND owner = host_.OwnerWindow();
  const RemoteVersion remote = FetchRemoteVersion(downloader_, updateServer_);
  running_ = false;
  if (!host_.MainWindowOpen()) return;
  switch (remote) {
    case RemoteVersion::Unreachable:
      Prompt(owner, kNetworkMessage, kPromptTitle, MB_OK | MB_ICONEXCLAMATION);
      return;
    case RemoteVersion::NoVersionLine:
      return;
    case RemoteVersion::Same:
      Prompt(owner, kUpToDateMessage, kPromptTitle, MB_OK | MB_ICONEXCLAMATION);
      return;
    case RemoteVersion::Different:
      break;
  }
  if (!UserWantsUpdate(owner) || !host_.MainWindowOpen() || !LaunchUpdater(owner)) return;
  updaterStarted_ = true;
  host_.SetExitFlag(true);
  host_.UnloadMainWindow();
}

}  // namespace vorn2
