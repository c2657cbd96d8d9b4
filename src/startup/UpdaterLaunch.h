// The contract between the client and its updater, and the updater's
// replace-and-restart step, free of Windows headers so both can be tested
// natively. Paths are UTF-8 with Windows separators.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn2 {

// The folder of a full file path, without a trailing backslash except at a
// drive root ("C:\").
std::string InstallFolderOf(std::string_view exePath);
// The file name without its (last) extension.
std::string ExeNameOf(std::string_view exePath);
std::string FileNameOf(std::string_view path);

// A path without the extended-length prefix: "\\?\C:\x" is "C:\x" and
// "\\?\UNC\server\share" is "\\server\share"; other paths are unchanged.
std::string OrdinaryPath(std::string_view path);

// install folder + "|" + install folder + "\" + name + ".exe", built from
// the ordinary form of the path; at a drive root this gives
// "C:\|C:\\vorn2.exe".
std::string UpdaterParameters(std::string_view exePath);

struct UpdaterTarget {
  std::string installFolder;
  std::string clientPath;
};
// The updater's argument string: exactly one "|", an absolute folder, and a
// ".exe" directly inside that folder. Blanks and quotes around the whole
// string are tolerated, and so is the extended-length prefix ("\\?\") on
// both paths alike. Nothing for anything else.
std::optional<UpdaterTarget> ParseUpdaterParameters(std::string_view arguments);

// The name the client is published under on the update server, whatever
// the local copy is called.
inline constexpr std::string_view kPublishedClientName = "vorn2.exe";

// Where the new client comes from when the version file names no url=.
std::string DefaultClientUrl(std::string_view updateServer, std::string_view clientFileName = kPublishedClientName);

// Beside the client while a swapped-in client has not yet shown a window
// ("vorn2.exe.unconfirmed"): its absence is the confirmation. Whoever finds
// it with the client not running puts the backup back.
inline constexpr std::string_view kUnconfirmedSuffix = ".unconfirmed";
inline constexpr std::string_view kBackupSuffix = ".old";

// The files the replace step works with.
class IReplaceFiles {
 public:
  virtual ~IReplaceFiles() = default;
  // A complete copy on the disk, or false.
  virtual bool Copy(const std::string& from, const std::string& to) = 0;
  // One atomic rename, replacing an existing target; retries are the
  // implementation's.
  virtual bool Move(const std::string& from, const std::string& to) = 0;
  virtual bool Delete(const std::string& path) = 0;
  // An empty file, on the disk before this returns.
  virtual bool Mark(const std::string& path) = 0;
  // Starts the program and tells whether it showed that it runs.
  virtual bool Start(const std::string& path) = 0;
};

enum class ReplaceOutcome {
  Replaced,         // new client in place and running; backup removed
  RestoredOld,      // failed; the old client is in place
  OldKeptAsBackup,  // failed and the old client could not be moved back:
                    // it waits at the backup path
};

// Copy the old client to the backup, then let the new file replace it in one
// rename, so the client's path never stands empty. From right before the
// rename until the new client runs, the marker says that the swap is
// unconfirmed: a run killed meanwhile leaves the next one (or the
// installer) enough to put the backup back. The marker, then the backup, go
// only once the new client runs; a new client that cannot start is replaced
// by the backup.
ReplaceOutcome ReplaceAndRestart(IReplaceFiles& files, const std::string& clientPath, const std::string& newFile,
                                 const std::string& backupPath);

}  // namespace vorn2
