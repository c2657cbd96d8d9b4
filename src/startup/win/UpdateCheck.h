// The update check: the version file on the update server against this
// executable's own version, the question to the user, and the hand-over to
// the updater carried as resource "UPDATE" 101. Two variants: at start-up
// (silent unless there is something to ask) and from the main window's menu.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "startup/win/CLumDownLoadFile.h"

namespace vorn2 {

inline constexpr const char* kNewVersionPrompt = "发现有新版本，是否现在更新！";
inline constexpr const char* kUpToDateMessage = "当前版本已是最新，无需更新！";
inline constexpr const char* kUpdaterNotWrittenMessage =
    "无法写入更新程序，可能已有更新程序正在运行。本次不更新，请稍后再试！";
inline constexpr const char* kUpdaterNotStartedMessage = "无法启动更新程序。本次不更新，请稍后再试！";

// This executable's full path.
std::wstring ModulePath();
// "major.minor.fourth" from this executable's VERSIONINFO; empty without one.
std::string LocalVersionString();
// GetTempFolder() + "update.txt".
std::wstring VersionFilePath();
// The version file's address on the update server.
std::string VersionFileUrl(const std::string& updateServer);

// What the version file on the server says about this executable. Different
// only for a version the updater will install: signed with the operator's
// key and above this one; anything else counts as Same.
enum class RemoteVersion { Unreachable, NoVersionLine, Same, Different };

class StartupUpdateChecker {
 public:
  explicit StartupUpdateChecker(std::string updateServer, const DownloadTimeouts& timeouts = kVersionFileTimeouts)
      : updateServer_(std::move(updateServer)) {
    downloader_.SetTimeouts(timeouts);
    downloader_.SetLimits({kVersionFileMaxBytes, std::nullopt});
  }
  // Downloads and reads the version file, once; shows nothing, so it may run
  // on a worker thread.
  void Fetch();
  // The fetch could not be made (it failed on the worker): decide as after
  // a failed download.
  void FetchFailed() {
    if (!fetched_) fetched_ = RemoteVersion::Unreachable;
  }
  // Fetches unless that was done, then decides. Returns when no update is
  // wanted (or nothing could be read); when the user accepts an update it
  // starts the updater and ends the process.
  void CheckForUpdate();
  // The updater was started (the process is ending).
  bool UpdaterStarted() const { return updaterStarted_; }
  // Called right before the question is shown.
  std::function<void()> beforeQuestion;

 private:
  std::string updateServer_;
  CLumDownLoadFile downloader_;
  std::optional<RemoteVersion> fetched_;
  bool updaterStarted_ = false;
};

// What the menu variant needs from the main window.
class IUpdateHost {
 public:
  virtual ~IUpdateHost() = default;
  // The main window's m_bExit: True lets it close without asking.
  virtual void SetExitFlag(bool bExit) = 0;
  virtual void UnloadMainWindow() = 0;
  // Owner of the message boxes.
  virtual HWND OwnerWindow() const { return nullptr; }
  // The download pumps messages: the window may have been closed meanwhile,
  // and then nothing is asked or started.
  virtual bool MainWindowOpen() const { return true; }
};

class MenuUpdateChecker {
 public:
  MenuUpdateChecker(std::string updateServer, IUpdateHost& host,
                    const DownloadTimeouts& timeouts = kVersionFileTimeouts)
      : updateServer_(std::move(updateServer)), host_(host) {
    downloader_.SetTimeouts(timeouts);
    downloader_.SetLimits({kVersionFileMaxBytes, std::nullopt});
  }
  // The menu command: says when the version is current or the server could
  // not be reached; on an accepted update starts the updater and closes the
  // main window through its normal path.
  void CheckForUpdate();
  bool UpdaterStarted() const { return updaterStarted_; }

 private:
  std::string updateServer_;
  IUpdateHost& host_;
  CLumDownLoadFile downloader_;
  bool running_ = false;
  bool updaterStarted_ = false;
};

}  // namespace vorn2
