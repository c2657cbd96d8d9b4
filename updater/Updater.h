// The updater's work, from its argument string to the restarted client.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "startup/UpdateSignature.h"

namespace vorn2::updater {

struct UpdaterSettings {
  std::string updateServer;  // base URL for the default download address
  DWORD waitForClientMs = 30000;
  UpdatePublicKey publicKey{};  // the operator's; built in, never taken from the server
  // The client's version this updater came with: only a higher one is installed.
  std::string currentVersion;
  // A download that brings no byte for this long ends the update.
  DWORD stallMs = 60000;
  // How long a new client has to show a window; one still running after it
  // counts as started, one that ended before it as not.
  DWORD newClientWaitMs = 60000;
  // Called after each step of the swap ("backup", "replaced", "started");
  // empty in the shipped program.
  std::function<void(const char* step)> afterStep;
  // Every write into the install folder is refused, as in a folder turned
  // read-only; set by the test build only (Wine run as root writes anyway).
  bool writesRefused = false;
};

enum ExitCode : int {
  kUpdated = 0,
  kBadArguments = 2,
  kClientBusy = 3,
  kNoManifest = 4,
  kDownloadFailed = 5,
  kVerifyFailed = 6,
  kReplaceFailed = 7,
  kNotWritable = 8,
  kSignatureRefused = 9,
  kNotNewer = 10,
  kAlreadyUpdating = 11,  // another updater has this client; nothing said
};

// Every failure is told to the user (through Prompt) before returning, and
// when no process runs the client then, it is started again. One updater
// per client path: a second one returns kAlreadyUpdating at once, silently.
int RunUpdater(const std::wstring& arguments, const UpdaterSettings& settings);

// Where the installer registers the client for Windows' list of programs.
inline constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vornhold 2";

// Texts shown by the updater.
inline constexpr const char* kCaption = "Vornhold 2 客户端更新";
inline constexpr const char* kDownloadingText = "正在下载新版本，请稍候……";
inline constexpr const char* kBadArgumentsMessage = "更新程序的启动参数不正确，无法更新。";
inline constexpr const char* kClientMissingMessage = "找不到要更新的客户端程序，无法更新。";
inline constexpr const char* kClientBusyMessage =
    "客户端程序仍在运行，无法更新。请关闭客户端后重新检查更新，原来的客户端保持不变。";
inline constexpr const char* kNotWritableMessage =
    "无法写入安装目录，无法更新。请以有写入权限的帐户运行，或将客户端重新安装到可写入的目录。原来的客户端保持不变。";
inline constexpr const char* kNoManifestMessage = "找不到版本文件 update.txt，无法更新。";
inline constexpr const char* kNoHashMessage = "版本文件中没有有效的校验值（sha256），无法更新。";
inline constexpr const char* kDownloadFailedMessage =
    "下载新版本失败，请检查网络连接后重试。原来的客户端保持不变。";
inline constexpr const char* kSecureConnectionFailedMessage =
    "无法与新版本的 https 下载地址建立安全连接，更新已停止。原来的客户端保持不变。";
inline constexpr const char* kRedirectsRefusedMessage =
    "新版本的下载地址转向次数过多或转向了不安全的地址，更新已停止。原来的客户端保持不变。";
inline constexpr const char* kNotNewerMessage = "服务器上的版本不比当前客户端新，未更新。原来的客户端保持不变。";
inline constexpr const char* kVerifyFailedMessage = "下载的新版本未通过校验，未更新。原来的客户端保持不变。";
inline constexpr const char* kSignatureRefusedMessage =
    "新版本的签名未通过校验，未更新。原来的客户端保持不变。";
inline constexpr const char* kDiskFullMessage =
    "磁盘空间不足，无法保存新版本。请清理磁盘后重新检查更新。原来的客户端保持不变。";
inline constexpr const char* kCancelledMessage = "更新已取消，原来的客户端保持不变。";
inline constexpr const char* kStalledMessage =
    "下载新版本时服务器长时间没有响应，更新已停止。原来的客户端保持不变。";
inline constexpr const char* kRestoredMessage = "更新失败，已恢复原来的客户端。";
inline constexpr const char* kBackupKeptMessage = "更新失败，原来的客户端未能放回原处，已保存为：";

}  // namespace vorn2::updater
