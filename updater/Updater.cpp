#include "Updater.h"

#include <tlhelp32.h>

#include <optional>
#include <vector>

#include "ProgressWindow.h"
#include "Sha256.h"
#include "framework/FailureTrace.h"
#include "framework/win/Files.h"
#include "framework/win/Handles.h"
#include "framework/win/Prompt.h"
#include "framework/win/SystemLibrary.h"
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

// The client's path as the system names a running image: full, long, and
// without the extended-length prefix.
std::wstring ImagePath(const std::wstring& client) {
  std::wstring path = W(OrdinaryPath(U8(client)));
  std::vector<wchar_t> buffer(32768);
  if (GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr)) path = buffer.data();
  if (GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()))) path = buffer.data();
  return path;
}

// A snapshot fails as INVALID_HANDLE_VALUE and closes as a file does.
using UniqueSnapshot = UniqueFile;

ULONGLONG Ticks(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Whoever started this client was killed inside CreateProcess (an updater
// ended by the player, say): its one thread is still suspended before any
// code of its own has run, and nobody will resume it. It neither runs nor
// lets go of its file, so it is ended once it has stayed so for seconds (a
// start in progress takes milliseconds); the updater starts the client
// itself at its end.
bool EndedStartCutShort(HANDLE process, DWORD processId, DWORD threads) {
  constexpr ULONGLONG kCutShortAfter = 5 * 10'000'000ULL;  // in FILETIME units
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (threads != 1 || !GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
  GetSystemTimeAsFileTime(&now);
  if (Ticks(now) < Ticks(created) + kCutShortAfter) return false;
  const UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 thread{};
  thread.dwSize = sizeof(thread);
  for (BOOL more = snapshot && Thread32First(snapshot.get(), &thread); more;
       more = Thread32Next(snapshot.get(), &thread)) {
    if (thread.th32OwnerProcessID != processId) continue;
    const UniqueKernelHandle handle(OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread.th32ThreadID));
    // Asked by suspending it once more: the count it had comes back.
    const DWORD suspended = handle ? SuspendThread(handle.get()) : static_cast<DWORD>(-1);
    if (suspended == static_cast<DWORD>(-1)) return false;
    ResumeThread(handle.get());
    if (suspended == 0) return false;
    const UniqueKernelHandle owner(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    return owner && TerminateProcess(owner.get(), ERROR_PROCESS_ABORTED) &&
           WaitForSingleObject(owner.get(), 5000) == WAIT_OBJECT_0;
  }
  return false;
}

// Whether a process runs the client: one whose image is the client's file.
// Whether its file can be written says nothing about that (a read-only
// folder, a scanner holding the file). A start cut short is no client
// running: it is ended.
bool ClientRunning(const std::wstring& client) {
  const std::wstring image = ImagePath(client);
  const UniqueSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    VORN2_TRACE_FAILURE("CreateToolhelp32Snapshot", GetLastError());
    return false;
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  std::vector<wchar_t> name(32768);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    DWORD size = static_cast<DWORD>(name.size());
    if (process && QueryFullProcessImageNameW(process.get(), 0, name.data(), &size) &&
        CompareStringOrdinal(name.data(), static_cast<int>(size), image.c_str(), -1, TRUE) == CSTR_EQUAL &&
        !EndedStartCutShort(process.get(), entry.th32ProcessID, entry.cntThreads))
      return true;
  }
  return false;
}

// The client is gone when no process runs it and its file can be opened for
// writing. A file held a moment longer (a virus scanner) is waited for; a
// file or folder this account may not write is refused as denied, and
// waiting would not change that.
ClientState WaitForClientToExit(const std::wstring& client, const UpdaterSettings& settings) {
  const ULONGLONG end = GetTickCount64() + settings.waitForClientMs;
  for (;;) {
    if (!ClientRunning(client)) {
      const UniqueFile file(CreateFileW(client.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      const DWORD error = !file ? GetLastError() : settings.writesRefused ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
      if (error == ERROR_SUCCESS) return ClientState::Free;
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ClientState::Missing;
      if (error == ERROR_ACCESS_DENIED) return ClientState::NotWritable;
    }
    if (GetTickCount64() >= end) return ClientState::Busy;
    Sleep(200);
  }
}

// The download and the backup are new files beside the client: a writable
// client in a folder that takes no new files must stop here, not after the
// download.
bool FolderTakesNewFiles(const std::wstring& probe, const UpdaterSettings& settings) {
  if (settings.writesRefused) return false;
  if (UniqueFile(CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                             FILE_FLAG_DELETE_ON_CLOSE, nullptr)))
    return true;
  return GetLastError() != ERROR_ACCESS_DENIED;
}

// The new client must be on the disk before it replaces the old one: after a
// power cut the client's name must not point at data still in the cache.
bool FlushToDisk(const std::wstring& path) {
  const UniqueFile h(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  return h && FlushFileBuffers(h.get()) != FALSE;
}

std::optional<unsigned long long> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring MarkerOf(const std::wstring& client) { return client + W(kUnconfirmedSuffix); }
std::wstring BackupOf(const std::wstring& client) { return client + W(kBackupSuffix); }

// What an earlier run left beside a client that is not running: a swap no
// client confirmed (it never showed a window, or the run was killed before
// it could) is undone, the backup put back in one rename; a backup beside a
// confirmed client is stale. A client missing altogether is seen to later.
void SettleEarlierSwap(const std::wstring& client) {
  const std::wstring marker = MarkerOf(client), backup = BackupOf(client);
  if (IsFile(marker)) {
    if (!IsFile(backup) ||
        MoveFileExW(backup.c_str(), client.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      DeleteFileW(marker.c_str());
  } else if (IsFile(backup) && IsFile(client)) {
    DeleteFileW(backup.c_str());
  }
}

// One updater per client path, held until the updater ends: the name comes
// from the path as the system compares it, without regard to case.
std::wstring UpdaterMutexName(const std::wstring& client) {
  std::wstring path = ImagePath(client);
  CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  const std::string bytes = U8(path);
  return L"Local\\Vorn2Updater-" + W(Sha256OfBytes(bytes.data(), bytes.size()).value_or(""));
}

// The downloaded file must be the client it was promised: its version
// resource gives the signed version and the client's own names. A right
// hash on another file could then only come from the operator's key.
bool IsPromisedClient(const std::wstring& file, const std::string& version) {
  const VersionFunctions* api = VersionInfo();
  if (!api) return false;
  DWORD ignored = 0;
  const DWORD size = api->GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> data(size);
  if (!api->GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return false;
  void* value = nullptr;
  UINT length = 0;
  if (!api->VerQueryValueW(data.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return false;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (FormatLocalVersion(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                         LOWORD(fixed->dwFileVersionLS)) != version)
    return false;
  if (!api->VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) return false;
  const WORD* translation = static_cast<const WORD*>(value);
  wchar_t block[64];
  wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  static const wchar_t* const kNames[][2] = {
      {L"OriginalFilename", L"vorn2.exe"}, {L"InternalName", L"vorn2"}, {L"ProductName", L"Vornhold 2"}};
  for (const auto& [name, expected] : kNames) {
    if (!api->VerQueryValueW(data.data(), (block + std::wstring(name)).c_str(), &value, &length) || length == 0 ||
        std::wstring(static_cast<const wchar_t*>(value)) != expected)
      return false;
  }
  return true;
}

std::optional<UpdateManifest> ReadManifest() {
  std::optional<std::string> text = ReadFileHead(ModuleFolder() + L"update.txt");
  if (!text) return std::nullopt;
  return ParseUpdateManifest(*text);
}

// An update stopped half-way by an older updater (it moved the client aside
// before the new one was in place) leaves no client: the backup, or a new
// file that proves to be the published one, takes its place again.
bool PutBackMissingClient(const std::wstring& client, const std::wstring& backup, const std::wstring& newFile,
                          const std::optional<UpdateManifest>& manifest, const UpdatePublicKey& publicKey) {
  if (IsFile(backup) && MoveFileExW(backup.c_str(), client.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  if (!manifest || manifest->sha256.empty() || !IsFile(newFile) || !IsSignedBy(*manifest, publicKey)) return false;
  std::optional<std::string> digest = Sha256OfFile(newFile);
  return digest && *digest == manifest->sha256 && MoveFileExW(newFile.c_str(), client.c_str(), MOVEFILE_WRITE_THROUGH);
}

bool DiskHasRoomFor(const std::wstring& folder, unsigned long long bytes) {
  ULARGE_INTEGER freeToCaller{};
  // Unknown is not full: the write itself will tell.
  if (!GetDiskFreeSpaceExW(folder.c_str(), &freeToCaller, nullptr, nullptr)) return true;
  return freeToCaller.QuadPart >= bytes;
}

enum class DownloadEnd { Complete, Failed, DiskFull, Cancelled, Stalled, NotSecure, Redirects, OtherLength };

// The download with its window, which answers throughout: the player may
// close it, and a server that sends nothing for settings.stallMs is given
// up; both end the transfer at once and count as failures. A served length
// other than the signed one is refused before anything is written.
DownloadEnd DownloadNewClient(const std::string& url, const std::wstring& newFile, const std::wstring& folder,
                              unsigned long long clientSize, const UpdateManifest& manifest,
                              const UpdaterSettings& settings) {
  const std::string& version = manifest.version;
  std::int32_t announced = -1;
  DownloadEnd stoppedFor = DownloadEnd::Complete;
  ULONGLONG lastByte = GetTickCount64();
  ProgressWindow progress;
  CLumDownLoadFile downloader;
  // The player watches a progress bar here: a slow server is given the
  // updater's own, longer patience before a silent read gives up.
  DownloadTimeouts timeouts;
  timeouts.stall = std::chrono::milliseconds(settings.stallMs);
  downloader.SetTimeouts(timeouts);
  DownloadLimits limits;
  limits.exactLength = manifest.length;
  downloader.SetLimits(limits);
  auto stop = [&](DownloadEnd why) {
    if (stoppedFor == DownloadEnd::Complete) stoppedFor = why;
    downloader.StopDownLoad();
  };
  auto stalled = [&] { return GetTickCount64() - lastByte >= settings.stallMs; };
  progress.OnClose = [&] { stop(DownloadEnd::Cancelled); };
  progress.OnTick = [&] {
    if (stalled()) stop(DownloadEnd::Stalled);
  };
  downloader.Events().QueryFileInfo = [&](std::int32_t total) {
    announced = total;
    lastByte = GetTickCount64();
    progress.SetTotal(total);
    // The download and the backup of the old client both go beside it.
    if (!DiskHasRoomFor(folder, static_cast<unsigned long long>(total) + clientSize)) stop(DownloadEnd::DiskFull);
  };
  downloader.Events().Loading = [&](std::int32_t received) {
    // A read that blocked that long was a stall, even if it ended with bytes.
    if (stalled()) stop(DownloadEnd::Stalled);
    lastByte = GetTickCount64();
    progress.SetPosition(received);
  };
  progress.Create(W(kCaption) + (version.empty() ? L"" : L" " + W(version)), W(kDownloadingText));
  bool ok = downloader.DownLoadFile(url, U8(newFile), false, true);
  if (stoppedFor != DownloadEnd::Complete) return stoppedFor;
  if (!ok) {
    switch (downloader.LastFailure()) {
      case DownloadFailure::SecureConnection:
        return DownloadEnd::NotSecure;
      case DownloadFailure::Redirects:
        return DownloadEnd::Redirects;
      case DownloadFailure::Length:
        return DownloadEnd::OtherLength;
      default:
        break;
    }
  }
  if (!ok && stalled()) return DownloadEnd::Stalled;  // a read that waited out the limit
  // The loop compares with the full 64-bit length; the file on disk must
  // agree with what it counted.
  std::optional<unsigned long long> size = FileSize(newFile);
  ok = ok && size && *size == downloader.ReceivedBytes() &&
       (announced == 0x7fffffff || static_cast<unsigned long long>(announced) == *size);
  if (ok) return DownloadEnd::Complete;
  // Less room than the rest of the body needs: the write failed for want of
  // space, whatever else went wrong.
  const unsigned long long written = size.value_or(0);
  if (announced > 0 && written < static_cast<unsigned long long>(announced) &&
      !DiskHasRoomFor(folder, static_cast<unsigned long long>(announced) - written))
    return DownloadEnd::DiskFull;
  return DownloadEnd::Failed;
}

struct StartedProcess {
  UniqueKernelHandle process;
  DWORD id = 0;
};

StartedProcess StartProgram(const std::wstring& path, const std::wstring& folder) {
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
    return {};
  const UniqueKernelHandle thread(pi.hThread);
  return {UniqueKernelHandle(pi.hProcess), pi.dwProcessId};
}

bool HasVisibleWindow(DWORD processId) {
  struct Search {
    DWORD id;
    bool found;
  } search{processId, false};
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        s->found = owner == s->id && IsWindowVisible(hwnd);
        return !s->found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A started client has shown that it runs once it has a visible window; one
// that ends before that did not start. One still running without a window
// when the wait is over is taken as started: it may be waiting for the
// network.
bool StartedAndRuns(const StartedProcess& started, DWORD waitMs) {
  const ULONGLONG end = GetTickCount64() + waitMs;
  while (!HasVisibleWindow(started.id)) {
    if (WaitForSingleObject(started.process.get(), 100) == WAIT_OBJECT_0) return HasVisibleWindow(started.id);
    if (GetTickCount64() >= end) return true;
  }
  return true;
}

// After an in-place update the installer's entry names the new version, when
// it is the entry of this very folder.
void UpdateUninstallEntry(const std::wstring& installFolder, const std::string& version) {
  if (version.empty()) return;
  UniqueRegKey owner;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, owner.put()) !=
      ERROR_SUCCESS)
    return;
  const HKEY key = owner.get();
  wchar_t location[2048] = {};
  DWORD size = sizeof(location) - sizeof(wchar_t), type = 0;
  auto trimmed = [](std::wstring folder) {
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
  };
  if (RegQueryValueExW(key, L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(location), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    const std::wstring registered = trimmed(std::wstring(location, wcsnlen(location, size / sizeof(wchar_t))));
    const std::wstring ours = trimmed(installFolder);
    if (CompareStringOrdinal(registered.c_str(), -1, ours.c_str(), -1, TRUE) == CSTR_EQUAL) {
      const std::wstring text = W(version);
      // The update stands without it; the entry then shows the old version.
      if (const LSTATUS status = RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
          status != ERROR_SUCCESS)
        VORN2_TRACE_FAILURE("RegSetValueExW(DisplayVersion)", status);
    }
  }
}

class WinReplaceFiles : public IReplaceFiles {
 public:
  WinReplaceFiles(std::wstring folder, std::string newFile, const UpdaterSettings& settings)
      : folder_(std::move(folder)), newFile_(std::move(newFile)), settings_(settings) {}

  bool Copy(const std::string& from, const std::string& to) override {
    const std::wstring target = W(to);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool copied = CopyFileW(W(from).c_str(), target.c_str(), FALSE) && FlushToDisk(target) &&
                        FileSize(W(from)) == FileSize(target);
    if (copied) Step("backup");
    return copied;
  }
  bool Move(const std::string& from, const std::string& to) override {
    // A virus scanner or the exiting client may hold the file a moment
    // longer; the target keeps a whole file meanwhile.
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (MoveFileExW(W(from).c_str(), W(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (from == newFile_) Step("replaced");
        return true;
      }
      Sleep(250);
    }
    return false;
  }
  bool Delete(const std::string& path) override {
    const std::wstring p = W(path);
    SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(p.c_str()) != FALSE;
  }
  bool Mark(const std::string& path) override {
    const std::wstring marker = W(path);
    UniqueFile file(
        CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get()) && CloseChecked(file);
  }
  bool Start(const std::string& path) override {
    StartedProcess started = StartProgram(W(path), folder_);
    if (!started.process) return false;
    Step("started");
    // A client that has shown its first window removed the marker itself,
    // however soon it ended afterwards.
    return StartedAndRuns(started, settings_.newClientWaitMs) || !IsFile(MarkerOf(W(path)));
  }

 private:
  void Step(const char* name) {
    if (settings_.afterStep) settings_.afterStep(name);
  }

  std::wstring folder_;
  std::string newFile_;
  const UpdaterSettings& settings_;
};

// Everything after the client has closed; the caller starts the old client
// again when this fails.
int UpdateClosedClient(const UpdaterTarget& target, const std::optional<UpdateManifest>& manifest,
                       const UpdaterSettings& settings) {
  const std::wstring client = W(target.clientPath);
  const std::wstring folder = W(target.installFolder);
  const std::wstring newFile = client + L".new";
  if (!FolderTakesNewFiles(newFile, settings)) {
    Say(kNotWritableMessage);
    return kNotWritable;
  }
  if (!manifest) {
    Say(kNoManifestMessage);
    return kNoManifest;
  }
  // Nothing is installed that cannot be checked.
  if (manifest->sha256.empty()) {
    Say(kNoHashMessage);
    return kNoManifest;
  }
  // Only a version file signed with the operator's key names a client to
  // fetch: the server, a mirror or an upload cannot choose what is installed.
  if (!IsSignedBy(*manifest, settings.publicKey)) {
    Say(kSignatureRefusedMessage);
    return kSignatureRefused;
  }
  // Nor can it take the player back to an older client (and its updater)
  // with a version file once signed, or install the same one again.
  if (!IsNewerVersion(manifest->version, settings.currentVersion)) {
    Say(kNotNewerMessage);
    return kNotNewer;
  }
  // The server knows the client by its published name, whatever the local
  // copy is called.
  const std::string url = manifest->url.empty() ? DefaultClientUrl(settings.updateServer) : manifest->url;

  switch (DownloadNewClient(url, newFile, folder, FileSize(client).value_or(0), *manifest, settings)) {
    case DownloadEnd::Complete:
      break;
    case DownloadEnd::Failed:
      DeleteFileW(newFile.c_str());
      Say(kDownloadFailedMessage);
      return kDownloadFailed;
    case DownloadEnd::DiskFull:
      DeleteFileW(newFile.c_str());
      Say(kDiskFullMessage);
      return kNotWritable;
    case DownloadEnd::Cancelled:
      DeleteFileW(newFile.c_str());
      Say(kCancelledMessage);
      return kDownloadFailed;
    case DownloadEnd::Stalled:
      DeleteFileW(newFile.c_str());
      Say(kStalledMessage);
      return kDownloadFailed;
    case DownloadEnd::NotSecure:
      DeleteFileW(newFile.c_str());
      Say(kSecureConnectionFailedMessage);
      return kDownloadFailed;
    case DownloadEnd::Redirects:
      DeleteFileW(newFile.c_str());
      Say(kRedirectsRefusedMessage);
      return kDownloadFailed;
    case DownloadEnd::OtherLength:
      DeleteFileW(newFile.c_str());
      Say(kVerifyFailedMessage);
      return kVerifyFailed;
  }

  std::optional<std::string> digest = Sha256OfFile(newFile);
  // The signature covers the hash and the length; the download must match
  // both, and be the client of the signed version.
  if (!digest || *digest != manifest->sha256 || FileSize(newFile) != manifest->length ||
      !IsPromisedClient(newFile, manifest->version)) {
    DeleteFileW(newFile.c_str());
    Say(kVerifyFailedMessage);
    return kVerifyFailed;
  }

  if (!FlushToDisk(newFile)) {
    DeleteFileW(newFile.c_str());
    Say(kNotWritableMessage);
    return kNotWritable;
  }

  return kUpdated;
}

// The player may have started the client again during the download: the
// swap waits for it to close, as at the start, or leaves it alone.
bool ClientClosedForTheSwap(const std::wstring& client, const UpdaterSettings& settings) {
  return WaitForClientToExit(client, settings) == ClientState::Free;
}

int SwapInNewClient(const UpdaterTarget& target, const std::optional<UpdateManifest>& manifest,
                    const UpdaterSettings& settings) {
  const std::wstring client = W(target.clientPath);
  const std::wstring newFile = client + L".new";
  const std::wstring backup = client + L".old";
  WinReplaceFiles files(W(target.installFolder), U8(newFile), settings);
  switch (ReplaceAndRestart(files, target.clientPath, U8(newFile), U8(backup))) {
    case ReplaceOutcome::Replaced:
      UpdateUninstallEntry(W(target.installFolder), manifest->version);
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

// Everything once this updater holds the client's path.
int UpdateClient(const UpdaterTarget& target, const UpdaterSettings& settings) {
  const std::wstring client = W(target.clientPath);
  const std::optional<UpdateManifest> manifest = ReadManifest();

  // Before anything else, unless the client runs (it may yet confirm).
  if (!ClientRunning(client)) SettleEarlierSwap(client);
  ClientState state = WaitForClientToExit(client, settings);
  if (state == ClientState::Missing &&
      PutBackMissingClient(client, BackupOf(client), client + L".new", manifest, settings.publicKey))
    state = WaitForClientToExit(client, settings);
  switch (state) {
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
  // A client that ran at the start and ended without confirming its swap.
  SettleEarlierSwap(client);

  const int code = UpdateClosedClient(target, manifest, settings);
  if (code != kUpdated) return code;
  if (!ClientClosedForTheSwap(client, settings)) {
    DeleteFileW((client + L".new").c_str());
    Say(kClientBusyMessage);
    return kClientBusy;
  }
  return SwapInNewClient(target, manifest, settings);
}

}  // namespace

int RunUpdater(const std::wstring& arguments, const UpdaterSettings& settings) {
  std::optional<UpdaterTarget> target = ParseUpdaterParameters(U8(arguments));
  if (!target) {
    Say(kBadArgumentsMessage);
    return kBadArguments;
  }
  const std::wstring client = W(target->clientPath);
  // A second updater for this client (two clients asking at once, a double
  // click) leaves it all to the first, which starts the client at its end.
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, UpdaterMutexName(client).c_str());
  const DWORD mutexError = GetLastError();
  const UniqueKernelHandle lock(mutex);
  if ((lock && mutexError == ERROR_ALREADY_EXISTS) || mutexError == ERROR_ACCESS_DENIED) return kAlreadyUpdating;
  if (!lock) VORN2_TRACE_FAILURE("CreateMutexW", mutexError);

  const int code = UpdateClient(*target, settings);
  // Whatever failed, at whatever step, the player gets the game back.
  if (code != kUpdated && !ClientRunning(client)) StartProgram(client, W(target->installFolder));
  return code;
}

}  // namespace vorn2::updater
