#include "startup/UpdaterLaunch.h"

#include "framework/Text.h"

namespace vorn2 {

std::string InstallFolderOf(std::string_view exePath) {
  std::size_t slash = exePath.find_last_of('\\');
  if (slash == std::string_view::npos) return {};
  std::string folder(exePath.substr(0, slash));
  // The system writes a drive root with its backslash.
  if (folder.size() == 2 && folder[1] == ':') folder.push_back('\\');
  return folder;
}

std::string FileNameOf(std::string_view path) {
  std::size_t slash = path.find_last_of('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExeNameOf(std::string_view exePath) {
  std::string name = FileNameOf(exePath);
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

namespace {
constexpr std::string_view kExtendedPrefix = "\\\\?\\";
constexpr std::string_view kExtendedUncPrefix = "\\\\?\\UNC\\";
}  // namespace

std::string OrdinaryPath(std::string_view path) {
  if (path.size() > kExtendedUncPrefix.size() &&
      AsciiLower(path.substr(0, kExtendedUncPrefix.size())) == AsciiLower(kExtendedUncPrefix))
    return "\\\\" + std::string(path.substr(kExtendedUncPrefix.size()));
  if (path.substr(0, kExtendedPrefix.size()) == kExtendedPrefix) return std::string(path.substr(kExtendedPrefix.size()));
  return std::string(path);
}

std::string UpdaterParameters(std::string_view exePath) {
  const std::string path = OrdinaryPath(exePath);
  std::string folder = InstallFolderOf(path);
  return folder + "|" + folder + "\\" + ExeNameOf(path) + ".exe";
}

static std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

static bool IsAbsoluteFolder(std::string_view p) {
  bool drive = p.size() >= 3 && p[1] == ':' && p[2] == '\\' &&
               ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
  bool unc = p.size() > 2 && p[0] == '\\' && p[1] == '\\';
  return drive || unc;
}

std::optional<UpdaterTarget> ParseUpdaterParameters(std::string_view arguments) {
  std::string_view args = Trim(arguments);
  if (args.size() >= 2 && args.front() == '"' && args.back() == '"') args = Trim(args.substr(1, args.size() - 2));
  std::size_t bar = args.find('|');
  if (bar == std::string_view::npos || args.find('|', bar + 1) != std::string_view::npos) return std::nullopt;
  std::string_view folder = args.substr(0, bar);
  std::string_view client = args.substr(bar + 1);
  // The extended-length form keeps its prefix (the path may need it), but
  // the rules below apply to what follows it.
  const bool extended = folder.substr(0, kExtendedPrefix.size()) == kExtendedPrefix;
  if (extended != (client.substr(0, kExtendedPrefix.size()) == kExtendedPrefix)) return std::nullopt;
  const std::size_t skip = extended ? kExtendedPrefix.size() : 0;
  const std::string ordinaryFolder = OrdinaryPath(folder);
  if (!IsAbsoluteFolder(ordinaryFolder) || folder.substr(skip).find_first_of("\"*?<>") != std::string_view::npos)
    return std::nullopt;
  if (client.substr(skip).find_first_of("\"*?<>") != std::string_view::npos) return std::nullopt;
  // The client sits directly in the folder: folder + "\" + name, which at
  // a drive root doubles the backslash; the single one is accepted too.
  std::string_view name;
  auto startsWith = [&](std::string_view head) {
    return client.size() > head.size() && AsciiLower(client.substr(0, head.size())) == AsciiLower(head);
  };
  std::string withSlash = std::string(folder) + "\\";
  if (startsWith(withSlash)) {
    name = client.substr(withSlash.size());
  } else if (folder.back() == '\\' && startsWith(folder)) {
    name = client.substr(folder.size());
  } else {
    return std::nullopt;
  }
  if (name.empty() || name.find_first_of("\\/:") != std::string_view::npos) return std::nullopt;
  if (name.size() <= 4 || AsciiLower(name.substr(name.size() - 4)) != ".exe") return std::nullopt;
  std::string clientPath(folder);
  if (clientPath.back() != '\\') clientPath.push_back('\\');
  return UpdaterTarget{std::string(folder), clientPath + std::string(name)};
}

std::string DefaultClientUrl(std::string_view updateServer, std::string_view clientFileName) {
  std::string base(updateServer);
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/gamehome/vorn2/" + std::string(clientFileName);
}

ReplaceOutcome ReplaceAndRestart(IReplaceFiles& files, const std::string& clientPath, const std::string& newFile,
                                 const std::string& backupPath) {
  const std::string marker = clientPath + std::string(kUnconfirmedSuffix);
  if (!files.Copy(clientPath, backupPath) || !files.Mark(marker) || !files.Move(newFile, clientPath)) {
    files.Delete(newFile);
    files.Delete(marker);
    files.Delete(backupPath);
    return ReplaceOutcome::RestoredOld;  // never touched
  }
  if (files.Start(clientPath)) {
    files.Delete(marker);
    files.Delete(backupPath);
    return ReplaceOutcome::Replaced;
  }
  if (!files.Move(backupPath, clientPath)) return ReplaceOutcome::OldKeptAsBackup;  // the marker stays with it
  files.Delete(marker);
  return ReplaceOutcome::RestoredOld;
}

}  // namespace vorn2
