// The updater program end to end: a dummy client in an install folder, the
// new version published on the devserver, the updater's test build (its
// messages written to a file) started as a separate process.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "framework/win/Resources.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"
#include "startup/UpdaterLaunch.h"
#include "vorn2/Version.h"
#include "win/support/WinTest.h"

namespace vorn2 {
namespace {

using test::HttpRequest;
using test::ReadFileBytes;

bool CopyBeside(const std::wstring& name, const std::wstring& to) {
  return CopyFileW(test::BesideThisProgram(name).c_str(), to.c_str(), FALSE) != FALSE;
}

std::string ReadText(const std::wstring& path) {
  std::vector<unsigned char> b = ReadFileBytes(path);
  return std::string(b.begin(), b.end());
}

// The names in a folder, sorted.
std::vector<std::wstring> FolderNames(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::wstring(fd.cFileName) != L"." && std::wstring(fd.cFileName) != L"..") names.push_back(fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

class Updater : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = test::DevserverUrl();
    if (base_.empty()) GTEST_SKIP() << "VORN2_DEVSERVER_URL not set";
    ASSERT_EQ(HttpRequest("POST", base_ + "/__admin/reset"), 200);
    client_ = install_.File(L"vorn2.exe");
    ASSERT_TRUE(CopyBeside(L"DummyClient.exe", client_));
    oldBytes_ = ReadFileBytes(client_);
    ASSERT_FALSE(oldBytes_.empty());
    // The new version: the same program with a tail, so it runs and tells
    // by its size which one was started.
    newBytes_ = oldBytes_;
    for (int i = 0; i < 5000; ++i) newBytes_.push_back(static_cast<unsigned char>(i * 7));
    updater_ = updaterDir_.File(L"Update.exe");
    ASSERT_TRUE(CopyBeside(L"UpdateTestBuild.exe", updater_));
    messages_ = updaterDir_.File(L"messages.txt");
    SetEnvironmentVariableW(L"VORN2_UPDATER_MESSAGE_LOG", messages_.c_str());
    SetEnvironmentVariableW(L"VORN2_UPDATER_WAIT_MS", L"10000");
  }
  void TearDown() override {
    WaitForClientToEnd(client_);
    SetEnvironmentVariableW(L"VORN2_UPDATER_MESSAGE_LOG", nullptr);
    SetEnvironmentVariableW(L"VORN2_UPDATER_WAIT_MS", nullptr);
  }

  // Stores the new client and returns the devserver's version file for it
  // (version, url, length, sha256 and sig lines, signed with the demo key).
  std::string Publish(const std::string& options = "", const std::string& version = "1.2.0") {
    std::string body(newBytes_.begin(), newBytes_.end());
    std::string manifest;
    EXPECT_EQ(HttpRequest("PUT", base_ + "/__admin/release?version=" + version + options, body, &manifest), 200);
    return manifest;
  }
  // The version file with the line of `key` replaced by `line` (removed
  // when empty).
  static std::string WithLine(std::string manifest, const std::string& key, const std::string& line) {
    std::size_t at = manifest.find("\n" + key + "=");
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) return manifest;
    std::size_t end = manifest.find("\r\n", at + 1);
    manifest.replace(at + 1, end + 2 - (at + 1), line.empty() ? "" : line + "\r\n");
    return manifest;
  }
  static std::string LineOf(const std::string& manifest, const std::string& key) {
    std::size_t at = manifest.find("\n" + key + "=");
    if (at == std::string::npos) return {};
    return manifest.substr(at + 1, manifest.find("\r\n", at + 1) - (at + 1));
  }
  void WriteManifest(const std::string& text) {
    ASSERT_TRUE(test::WriteFileBytes(updaterDir_.File(L"update.txt"), {text.begin(), text.end()}));
  }
  // The version file for what Publish() stored, without its url= line: the
  // updater then asks for the published name.
  std::string ManifestWithoutUrl() { return Publish("&url=no"); }
  // The published client served through a fault mode of the devserver, at
  // a signed address.
  void WriteManifestServedWith(const std::string& fault) {
    std::string encoded;
    for (char ch : "/__fault/" + fault) {
      if (ch == '?' || ch == '&' || ch == '=' || ch == '%') {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(ch));
        encoded += hex;
      } else {
        encoded += ch;
      }
    }
    WriteManifest(Publish("&url=" + encoded));
  }
  int RunUpdater(const std::wstring& arguments) {
    return test::RunProcess(L"\"" + updater_ + L"\" " + arguments, 60000);
  }
  // The updater (or a client: "/stay" runs until ended) running while the
  // test acts on its files.
  static PROCESS_INFORMATION Start(const std::wstring& program, const std::wstring& arguments, DWORD flags = 0) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    EXPECT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                               &si, &pi));
    return pi;
  }
  PROCESS_INFORMATION StartUpdater(const std::wstring& arguments) { return Start(updater_, arguments); }
  int Finish(PROCESS_INFORMATION pi) {
    DWORD code = static_cast<DWORD>(-1);
    if (!test::PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 60000))
      TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
  }
  std::wstring Arguments() const { return W(UpdaterParameters(U8(client_))); }
  // A started client holds its file for the second it runs; it is deleted
  // once that is over, so that its folder can go.
  static void WaitForClientToEnd(const std::wstring& client) {
    test::PumpUntil(
        [&] {
          return DeleteFileW(client.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
                 GetLastError() == ERROR_PATH_NOT_FOUND;
        },
        10000);
  }
  // Which client ran last: the marker holds its size.
  bool StartedClientOfSize(std::size_t size) {
    return test::PumpUntil([&] { return ReadText(client_ + L".started") == std::to_string(size); }, 10000);
  }
  // The old client in place and nothing left beside it; after a failure
  // that came once the client had closed, the old client was started again.
  void ExpectOldClientUntouched(bool startedAgain = true) {
    EXPECT_EQ(ReadFileBytes(client_), oldBytes_);
    EXPECT_FALSE(test::FileExists(client_ + L".new"));
    EXPECT_FALSE(test::FileExists(client_ + L".old"));
    if (startedAgain)
      EXPECT_TRUE(StartedClientOfSize(oldBytes_.size()));
    else
      EXPECT_FALSE(test::FileExists(client_ + L".started"));
  }
  void ExpectMessage(const char* text) {
    std::string log = ReadText(messages_);
    EXPECT_NE(log.find(text), std::string::npos) << log;
    EXPECT_NE(log.find("48\t提示\t"), std::string::npos) << log;  // MB_ICONEXCLAMATION, title
  }

  std::string base_;
  test::TempDir install_, updaterDir_;
  std::wstring client_, updater_, messages_;
  std::vector<unsigned char> oldBytes_, newBytes_;
};

// No url= line: the client's published name beside the version file is
// asked for, whatever the local copy is called, and the new client goes in
// under the local name. The installer's entry follows the update only when
// it names this folder.
TEST_F(Updater, ReplacesTheClientUnderItsLocalNameAndStartsTheNewOne) {
  const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vornhold 2";
  struct Case {
    const wchar_t* name;
    bool entryNamesThisFolder;
  } cases[] = {{L"vorn2.exe", true}, {L"vorn2 (1).exe", false}, {L"Vorn2.EXE", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.name));
    test::TempDir install;
    client_ = install.File(c.name);
    ASSERT_TRUE(CopyBeside(L"DummyClient.exe", client_));
    const std::wstring location = c.entryNamesThisFolder ? install.path() + L"\\" : updaterDir_.path();
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"InstallLocation", REG_SZ, location.c_str(),
                    static_cast<DWORD>((location.size() + 1) * sizeof(wchar_t)));
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"DisplayVersion", REG_SZ, L"1.1.0", sizeof(L"1.1.0"));
    WriteManifest(ManifestWithoutUrl());
    ASSERT_EQ(HttpRequest("DELETE", base_ + "/__admin/log"), 200);

    EXPECT_EQ(RunUpdater(Arguments()), 0);
    EXPECT_EQ(ReadFileBytes(client_), newBytes_);
    EXPECT_FALSE(test::FileExists(client_ + L".new"));
    // The new client ran (it reports its own size) before the backup went.
    EXPECT_TRUE(StartedClientOfSize(newBytes_.size()));
    EXPECT_FALSE(test::FileExists(client_ + L".old"));
    EXPECT_FALSE(test::FileExists(messages_));
    std::string log;
    HttpRequest("GET", base_ + "/__admin/log", "", &log);
    EXPECT_NE(log.find("GET\t/gamehome/vorn2/vorn2.exe\t"), std::string::npos) << log;
    wchar_t version[32] = {};
    DWORD size = sizeof(version);
    RegGetValueW(HKEY_CURRENT_USER, kKey, L"DisplayVersion", RRF_RT_REG_SZ, nullptr, version, &size);
    EXPECT_EQ(std::wstring(version), c.entryNamesThisFolder ? L"1.2.0" : L"1.1.0");
    WaitForClientToEnd(client_);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
  RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
}

// Whatever in the version file is not as the operator's key signed it, and
// a signed version not above the updater's own (an older one replayed, the
// same again, a stray "#version" line above it), the updater fetches
// nothing, keeps the old client and starts it again.
TEST_F(Updater, VersionFileNotSignedByTheOperatorIsRefused) {
  const std::string signedFile = Publish();
  const std::string otherKey = Publish("&key=other");
  const std::string same = Publish("", VORN2_VERSION_TEXT);
  const std::string sig = LineOf(signedFile, "sig");
  ASSERT_EQ(sig.size(), 4 + 88u);
  std::string flipped = sig;
  flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
  const struct {
    const char* what;
    std::string manifest;
    int code = 9;
    const char* message = "新版本的签名未通过校验";
  } cases[] = {
      {"version", WithLine(signedFile, "version", "version=1.2.1")},
      {"hash", WithLine(signedFile, "sha256", "sha256=" + std::string(64, '0'))},
      {"length", WithLine(signedFile, "length", "length=" + std::to_string(newBytes_.size() + 1))},
      {"url", WithLine(signedFile, "url", "url=" + base_ + "/gamehome/vorn2/other.exe")},
      {"url removed", WithLine(signedFile, "url", "")},
      {"other key", otherKey},
      {"sig missing", WithLine(signedFile, "sig", "")},
      {"sig malformed", WithLine(signedFile, "sig", "sig=" + sig.substr(4, 80) + "!!!!!!!!")},
      {"sig changed", WithLine(signedFile, "sig", flipped)},
      {"older", Publish("", std::to_string(VORN2_VERSION_MAJOR - 1) + ".99.99"), 10, "不比当前客户端新"},
      {"equal", same, 10, "不比当前客户端新"},
      {"#version above the real line", "#version 9.9.9\r\n" + same, 10, "不比当前客户端新"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(messages_.c_str());
    DeleteFileW((client_ + L".started").c_str());
    WriteManifest(c.manifest);
    ASSERT_EQ(HttpRequest("DELETE", base_ + "/__admin/log"), 200);
    EXPECT_EQ(RunUpdater(Arguments()), c.code);
    ExpectMessage(c.message);
    EXPECT_EQ(ReadFileBytes(client_), oldBytes_);
    // Nothing new beside the client or in the updater's (temporary) folder.
    EXPECT_EQ(FolderNames(updaterDir_.path()),
              (std::vector<std::wstring>{L"Update.exe", L"messages.txt", L"update.txt"}));
    EXPECT_TRUE(test::PumpUntil([&] { return !ReadText(client_ + L".started").empty(); }, 10000));
    EXPECT_EQ(FolderNames(install_.path()), (std::vector<std::wstring>{L"vorn2.exe", L"vorn2.exe.started"}));
    EXPECT_EQ(ReadText(client_ + L".started"), std::to_string(oldBytes_.size()));
    std::string log;
    HttpRequest("GET", base_ + "/__admin/log", "", &log);
    EXPECT_EQ(log.find("/gamehome/vorn2/"), std::string::npos) << log;
  }
  // The signed file itself goes through.
  DeleteFileW((client_ + L".started").c_str());
  WriteManifest(signedFile);
  EXPECT_EQ(RunUpdater(Arguments()), 0);
  EXPECT_EQ(ReadFileBytes(client_), newBytes_);
}

TEST_F(Updater, UrlLineOfTheVersionFileIsUsed) {
  std::string body(newBytes_.begin(), newBytes_.end());
  std::string manifest;
  ASSERT_EQ(HttpRequest("PUT", base_ + "/__admin/release?version=1.2.0&name=vorn2-1.2.0.exe", body, &manifest), 200);
  WriteManifest(manifest);
  ASSERT_EQ(HttpRequest("DELETE", base_ + "/__admin/log"), 200);
  // Blanks after the parameter string do not matter.
  EXPECT_EQ(RunUpdater(Arguments() + L" "), 0);
  EXPECT_EQ(ReadFileBytes(client_), newBytes_);
  std::string log;
  HttpRequest("GET", base_ + "/__admin/log", "", &log);
  EXPECT_NE(log.find("GET\t/gamehome/vorn2/vorn2-1.2.0.exe\t"), std::string::npos) << log;
}

// The signature covers the hash and the length; a served file that does not
// match them is still refused after the signature has verified, and so is a
// signed file whose version resource does not name the signed client.
TEST_F(Updater, DownloadThatDoesNotMatchTheSignedFileLeavesTheOldClient) {
  std::vector<unsigned char> renamed = newBytes_;
  const std::string wide("v\0o\0r\0n\0002\0.\0e\0x\0e\0", 18);
  const auto at = std::search(renamed.begin(), renamed.end(), wide.begin(), wide.end());
  ASSERT_NE(at, renamed.end());
  at[8] = '3';  // OriginalFilename "vorn3.exe"
  const struct {
    const char* what;
    std::vector<unsigned char> served;
    const char* signedVersion = nullptr;  // the version file signs what is served
  } cases[] = {
      {"same length, other bytes", std::vector<unsigned char>(newBytes_.size(), 'x')},
      {"cut short", std::vector<unsigned char>(newBytes_.begin(), newBytes_.end() - 100)},
      {"other version", newBytes_, "1.3.0"},
      {"other names", renamed, "1.2.0"},
      {"no program", std::vector<unsigned char>(newBytes_.size(), 'x'), "1.2.0"},
  };
  const std::vector<unsigned char> client = newBytes_;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(messages_.c_str());
    DeleteFileW((client_ + L".started").c_str());
    newBytes_ = c.signedVersion ? c.served : client;
    WriteManifest(Publish("", c.signedVersion ? c.signedVersion : "1.2.0"));
    std::string body(c.served.begin(), c.served.end());
    ASSERT_EQ(HttpRequest("PUT", base_ + "/__admin/file/gamehome/vorn2/vorn2.exe", body), 200);
    EXPECT_EQ(RunUpdater(Arguments()), 6);
    ExpectOldClientUntouched();
    ExpectMessage("下载的新版本未通过校验");
  }
}

TEST_F(Updater, MissingHashIsRefused) {
  Publish();
  WriteManifest("version=1.2.0\r\nurl=" + base_ + "/gamehome/vorn2/vorn2.exe\r\n");
  EXPECT_EQ(RunUpdater(Arguments()), 4);
  ExpectOldClientUntouched();
  ExpectMessage("sha256");
}

// A cut body, a served length other than the signed one, a redirect loop, a
// server that stops sending (the updater's limit is lowered from a minute),
// and the player closing the progress window (while it waits for the
// answer, while a read waits, while the body flows) all keep the old client
// and start it again. The window answers throughout, and closes at once.
TEST_F(Updater, DownloadThatEndsEarlyLeavesTheOldClient) {
  struct Case {
    const char* fault;
    bool closeWindow;
    const char* message;
    int code = 5;
    bool answered = true;
  } cases[] = {
      {"truncate/gamehome/vorn2/vorn2.exe", false, "下载新版本失败"},
      {"huge/gamehome/vorn2/vorn2.exe", false, "未通过校验", 6},  // 3 GB announced
      {"redirect/gamehome/vorn2/vorn2.exe", false, "转向次数过多"},
      {"slow/gamehome/vorn2/vorn2.exe?piece=8192&delay=3000", false, "长时间没有响应"},
      {"stall/gamehome/vorn2/vorn2.exe", true, "更新已取消", 5, false},
      {"slow/gamehome/vorn2/vorn2.exe?piece=1&delay=10000", true, "更新已取消"},
      {"slow/gamehome/vorn2/vorn2.exe?piece=8192&delay=300", true, "更新已取消"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    SetEnvironmentVariableW(L"VORN2_UPDATER_STALL_MS", c.closeWindow ? nullptr : L"1500");
    WaitForClientToEnd(client_);
    ASSERT_TRUE(test::WriteFileBytes(client_, oldBytes_));
    DeleteFileW(messages_.c_str());
    DeleteFileW((client_ + L".started").c_str());
    WriteManifestServedWith(c.fault);
    ASSERT_EQ(HttpRequest("DELETE", base_ + "/__admin/log"), 200);
    PROCESS_INFORMATION pi = StartUpdater(Arguments());
    ULONGLONG closedAt = 0;
    if (c.closeWindow) {
      HWND progress = nullptr;
      EXPECT_TRUE(test::PumpUntil(
          [&] {
            progress = FindWindowW(L"Vorn2UpdaterProgress", nullptr);
            return progress && IsWindowVisible(progress) && (!c.answered || test::FileExists(client_ + L".new"));
          },
          10000));
      test::Pump(1500);
      EXPECT_TRUE(SendMessageTimeoutW(progress, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, nullptr)) << "no answer";
      closedAt = GetTickCount64();
      PostMessageW(progress, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(Finish(pi), c.code);
    EXPECT_TRUE(!closedAt || GetTickCount64() - closedAt < 2000)
        << GetTickCount64() - closedAt << " ms after the close";
    ExpectOldClientUntouched();
    ExpectMessage(c.message);
    // No request goes on once the updater has given up.
    std::string log, later;
    HttpRequest("GET", base_ + "/__admin/log", "", &log);
    test::Pump(500);
    HttpRequest("GET", base_ + "/__admin/log", "", &later);
    EXPECT_EQ(later, log);
    EXPECT_LE(std::count(log.begin(), log.end(), '\n'), 6);  // a request and five redirects at most
  }
  SetEnvironmentVariableW(L"VORN2_UPDATER_STALL_MS", nullptr);
}

// The swap stopped dead after each of its steps (as by a power cut) leaves a
// client at its path, old or new, and the next run completes the update; a
// new client that cannot start, left unconfirmed at the path, is undone by
// the next run first, and so is a client whose start was cut short (left
// suspended by a starter killed inside CreateProcess). A client lost by an
// older updater that moved it aside is put back from its backup, or from a
// download that proves to be the published one. A new file held open for a
// moment (a virus scanner) only delays the swap.
TEST_F(Updater, SwapKilledAtAnyStepOrHeldNeverLeavesTheClientPathEmpty) {
  enum Setup { kKilled, kMovedAside, kOnlyNewLeft, kNewHeld, kStartCutShort };
  struct Case {
    Setup setup;
    const wchar_t* killAfter;
    bool newInPlaceAfterKill;
    bool newCannotStart = false;
  } cases[] = {
      {kKilled, L"backup", false},        {kKilled, L"replaced", true},      {kKilled, L"started", true},
      {kKilled, L"replaced", true, true}, {kKilled, L"started", true, true}, {kMovedAside, nullptr, false},
      {kOnlyNewLeft, nullptr, false},     {kNewHeld, nullptr, false},        {kStartCutShort, nullptr, false},
  };
  const std::vector<unsigned char> good = newBytes_;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.setup << (c.killAfter ? U8(c.killAfter) : "") << c.newCannotStart);
    WaitForClientToEnd(client_);
    ASSERT_TRUE(test::WriteFileBytes(client_, oldBytes_));
    DeleteFileW((client_ + L".started").c_str());
    newBytes_ = good;
    if (c.newCannotStart)
      for (char ch : std::string("ENDSNOW!")) newBytes_.push_back(static_cast<unsigned char>(ch));
    WriteManifest(ManifestWithoutUrl());
    std::atomic<bool> watching{true}, emptied{false};
    std::thread watcher;
    auto watch = [&] {
      watcher = std::thread([&] {
        while (watching)
          if (GetFileAttributesW(client_.c_str()) == INVALID_FILE_ATTRIBUTES) emptied = true;
      });
    };
    if (c.setup == kKilled) {
      watch();
      SetEnvironmentVariableW(L"VORN2_UPDATER_KILL_AFTER", c.killAfter);
      EXPECT_EQ(RunUpdater(Arguments()), 99);
      SetEnvironmentVariableW(L"VORN2_UPDATER_KILL_AFTER", nullptr);
      EXPECT_EQ(ReadFileBytes(client_), c.newInPlaceAfterKill ? newBytes_ : oldBytes_);
    } else if (c.setup == kMovedAside) {
      ASSERT_TRUE(MoveFileW(client_.c_str(), (client_ + L".old").c_str()));
      ASSERT_TRUE(test::WriteFileBytes(client_ + L".new", {'x'}));  // a cut download
    } else if (c.setup == kOnlyNewLeft) {
      ASSERT_TRUE(MoveFileW(client_.c_str(), (client_ + L".new").c_str()));
      ASSERT_TRUE(test::WriteFileBytes(client_ + L".new", newBytes_));
    }
    if (c.setup == kNewHeld) {
      WriteManifestServedWith("slow/gamehome/vorn2/vorn2.exe?piece=8192&delay=100");
      watch();
    }
    const PROCESS_INFORMATION cutShort =
        c.setup == kStartCutShort ? Start(client_, L"", CREATE_SUSPENDED) : PROCESS_INFORMATION{};
    HANDLE held = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION pi = StartUpdater(Arguments());
    if (c.setup == kNewHeld) {
      // Held from the middle of the download until two seconds after its end.
      auto size = [&] {
        LARGE_INTEGER bytes{};
        return GetFileSizeEx(held, &bytes) ? bytes.QuadPart : -1;
      };
      EXPECT_TRUE(test::PumpUntil(
          [&] {
            held = CreateFileW((client_ + L".new").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
            if (held != INVALID_HANDLE_VALUE && size() >= 8192) return true;
            if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
            held = INVALID_HANDLE_VALUE;
            return false;
          },
          20000));
      EXPECT_TRUE(test::PumpUntil([&] { return size() == static_cast<LONGLONG>(newBytes_.size()); }, 20000));
      test::Pump(2000);
      if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    }
    // One that cannot start is put back, then tried and refused once more.
    EXPECT_EQ(Finish(pi), c.newCannotStart ? 7 : 0);
    if (cutShort.hProcess) {
      EXPECT_EQ(Finish(cutShort), ERROR_PROCESS_ABORTED);
    }
    watching = false;
    if (watcher.joinable()) watcher.join();
    EXPECT_FALSE(emptied);
    const std::vector<unsigned char>& expected = c.newCannotStart ? oldBytes_ : newBytes_;
    EXPECT_EQ(ReadFileBytes(client_), expected);
    EXPECT_TRUE(StartedClientOfSize(expected.size()));
    EXPECT_EQ(FolderNames(install_.path()), (std::vector<std::wstring>{L"vorn2.exe", L"vorn2.exe.started"}));
  }
}

// The player starts the client again while the new one downloads: the swap
// waits for it, as the start did, and then leaves it alone.
TEST_F(Updater, ClientStartedAgainDuringTheDownloadIsNotReplaced) {
  WriteManifestServedWith("slow/gamehome/vorn2/vorn2.exe?piece=8192&delay=200");
  SetEnvironmentVariableW(L"VORN2_UPDATER_WAIT_MS", L"1500");
  PROCESS_INFORMATION pi = StartUpdater(Arguments());
  EXPECT_TRUE(test::PumpUntil([&] { return test::FileExists(client_ + L".new"); }, 10000));
  const PROCESS_INFORMATION running = Start(client_, L"/stay");
  // Held the way a running image holds its file.
  HANDLE hold = CreateFileW(client_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(hold, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Finish(pi), 3);
  CloseHandle(hold);
  TerminateProcess(running.hProcess, 0);
  Finish(running);
  ExpectOldClientUntouched(false);
  ExpectMessage("客户端程序仍在运行");
}

// A published client that ends before it shows a window: the old client
// goes back and is started again.
TEST_F(Updater, NewClientThatCannotStartIsReplacedByTheOldOne) {
  for (char ch : std::string("ENDSNOW!")) newBytes_.push_back(static_cast<unsigned char>(ch));
  WriteManifest(ManifestWithoutUrl());
  EXPECT_EQ(RunUpdater(Arguments()), 7);
  ExpectOldClientUntouched();
  ExpectMessage("已恢复原来的客户端");
}

TEST_F(Updater, ClientThatNeverExitsIsLeftAsItIs) {
  WriteManifest(Publish());
  SetEnvironmentVariableW(L"VORN2_UPDATER_WAIT_MS", L"1500");
  const PROCESS_INFORMATION pi = Start(client_, L"/stay");
  // Also hold the file the way a running image does, so the test does not
  // depend on how the system locks executables.
  HANDLE hold = CreateFileW(client_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ULONGLONG started = GetTickCount64();
  int code = RunUpdater(Arguments());
  ULONGLONG took = GetTickCount64() - started;
  if (hold != INVALID_HANDLE_VALUE) CloseHandle(hold);
  TerminateProcess(pi.hProcess, 0);
  Finish(pi);
  EXPECT_EQ(code, 3);
  EXPECT_GE(took, 1400u);  // it did wait
  ExpectOldClientUntouched(false);
  ExpectMessage("客户端程序仍在运行");
}

TEST_F(Updater, ClientThatExitsWhileWaitedForIsUpdated) {
  WriteManifest(Publish());
  HANDLE hold = CreateFileW(client_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  // Let go of the file after a second, while the updater waits.
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* h) -> DWORD {
        Sleep(1000);
        CloseHandle(static_cast<HANDLE>(h));
        return 0;
      },
      hold, 0, nullptr);
  EXPECT_EQ(RunUpdater(Arguments()), 0);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  EXPECT_EQ(ReadFileBytes(client_), newBytes_);
}

// Two updaters for one client at once, the second naming it in other letter
// case: the second leaves at once, starts nothing and says nothing.
TEST_F(Updater, SecondUpdaterForTheSameClientLeavesItToTheFirst) {
  WriteManifest(Publish());
  std::wstring upper = Arguments();
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  const PROCESS_INFORMATION first = StartUpdater(Arguments()), second = StartUpdater(upper);
  std::vector<int> codes = {Finish(first), Finish(second)};
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<int>{0, 11}));
  EXPECT_TRUE(StartedClientOfSize(newBytes_.size()));
  EXPECT_FALSE(test::FileExists(messages_)) << ReadText(messages_);
}

// Windows refuses a read-only client, or one in a Program Files install, as
// access denied: waiting would not change that, so it is said at once. Wine
// run as root ignores read-only files and folder permissions; a directory
// in the file's place draws the same refusal.
TEST_F(Updater, InstallationThatCannotBeWrittenIsReportedAtOnce) {
  WriteManifest(Publish());
  SetEnvironmentVariableW(L"VORN2_UPDATER_WAIT_MS", L"20000");
  const std::wstring deniedClient = install_.File(L"denied.exe");
  ASSERT_TRUE(CreateDirectoryW(deniedClient.c_str(), nullptr));
  ULONGLONG started = GetTickCount64();
  int code = RunUpdater(W(UpdaterParameters(U8(deniedClient))));
  ULONGLONG took = GetTickCount64() - started;
  RemoveDirectoryW(deniedClient.c_str());
  EXPECT_EQ(code, 8);
  EXPECT_LT(took, 10000u);
  EXPECT_FALSE(test::FileExists(deniedClient + L".new"));
  ExpectMessage("无法写入安装目录");

  // A writable client in a folder that takes no new file where the download
  // would go.
  DeleteFileW(messages_.c_str());
  const std::wstring blocked = client_ + L".new";
  ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
  code = RunUpdater(Arguments());
  RemoveDirectoryW(blocked.c_str());
  EXPECT_EQ(code, 8);
  ExpectOldClientUntouched();
  ExpectMessage("无法写入安装目录");

  // The folder turned read-only while the client still ran (the test build
  // refuses the writes: Wine run as root would write anyway): once the
  // client has closed, the update is refused and the client started again.
  WaitForClientToEnd(client_);
  ASSERT_TRUE(test::WriteFileBytes(client_, oldBytes_));
  DeleteFileW(messages_.c_str());
  DeleteFileW((client_ + L".started").c_str());
  const PROCESS_INFORMATION running = Start(client_, L"/stay");
  std::thread closing([&] {
    Sleep(1500);
    TerminateProcess(running.hProcess, 0);
  });
  SetEnvironmentVariableW(L"VORN2_UPDATER_REFUSE_WRITES", L"1");
  started = GetTickCount64();
  code = RunUpdater(Arguments());
  took = GetTickCount64() - started;
  SetEnvironmentVariableW(L"VORN2_UPDATER_REFUSE_WRITES", nullptr);
  closing.join();
  Finish(running);
  EXPECT_EQ(code, 8);
  EXPECT_GE(took, 1400u);  // it saw the client run
  ExpectOldClientUntouched();
  ExpectMessage("无法写入安装目录");
}

// Update.exe runs from the temporary folder: libraries left there under the
// names it loads at run time stay unloaded, and the update still works.
TEST_F(Updater, LibrariesPlantedBesideTheUpdaterAreNotLoaded) {
  WriteManifest(Publish());
  const std::wstring probe = updaterDir_.File(L"probe.exe");
  ASSERT_TRUE(CopyBeside(L"DummyClient.exe", probe));
  // Wine takes its builtin copy of a system library before a file beside the
  // program; native-first overrides make it search the way Windows does.
  const std::vector<std::wstring> planted = {L"wininet", L"bcrypt", L"comctl32"};
  const std::vector<std::wstring> programs = {L"Update.exe", L"probe.exe"};
  auto key = [](const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
  };
  for (const std::wstring& name : planted) {
    ASSERT_TRUE(CopyBeside(L"PlantedLibrary.dll", updaterDir_.File(name + L".dll")));
    for (const std::wstring& program : programs)
      RegSetKeyValueW(HKEY_CURRENT_USER, key(program).c_str(), name.c_str(), REG_SZ, L"n,b", sizeof(L"n,b"));
  }
  auto loaded = [&](const std::wstring& name) { return test::FileExists(updaterDir_.File(name + L".dll.loaded")); };
  // The probe's plain loads by name show that the planted files are taken.
  for (const std::wstring& name : planted) {
    test::RunProcess(L"\"" + probe + L"\" /load " + name + L".dll");
    EXPECT_TRUE(loaded(name)) << "the planted " << U8(name) << " is not taken even by a plain load";
    DeleteFileW(updaterDir_.File(name + L".dll.loaded").c_str());
  }

  EXPECT_EQ(RunUpdater(Arguments()), 0);
  EXPECT_EQ(ReadFileBytes(client_), newBytes_);
  // The client's first step keeps its later loads out of its folder too.
  test::RunProcess(L"\"" + probe + L"\" /safe-load wininet.dll");
  for (const std::wstring& program : programs) RegDeleteTreeW(HKEY_CURRENT_USER, key(program).c_str());
  for (const std::wstring& name : planted) EXPECT_FALSE(loaded(name)) << U8(name);
}

TEST_F(Updater, BadArgumentsAreRefused) {
  WriteManifest(Publish());
  for (const std::wstring& args : {std::wstring(L""), std::wstring(L"/web"), install_.path(),
                                   install_.path() + L"|" + updaterDir_.File(L"vorn2.exe")}) {
    DeleteFileW(messages_.c_str());
    EXPECT_EQ(RunUpdater(args), 2) << U8(args);
    ExpectMessage("参数不正确");
  }
  ExpectOldClientUntouched(false);
}

TEST_F(Updater, BackupThatCannotBeMadeLeavesTheOldClient) {
  WriteManifest(Publish());
  // A non-empty directory at the backup's path: the old client cannot be
  // moved aside, so the verified download is dropped.
  const std::wstring backup = client_ + L".old";
  ASSERT_TRUE(CreateDirectoryW(backup.c_str(), nullptr));
  ASSERT_TRUE(test::WriteFileBytes(backup + L"\\x", {'x'}));
  EXPECT_EQ(RunUpdater(Arguments()), 7);
  EXPECT_EQ(ReadFileBytes(client_), oldBytes_);
  EXPECT_FALSE(test::FileExists(client_ + L".new"));
  EXPECT_TRUE(StartedClientOfSize(oldBytes_.size()));
  ExpectMessage("已恢复原来的客户端");
  DeleteFileW((backup + L"\\x").c_str());
  RemoveDirectoryW(backup.c_str());
}

TEST(UpdaterResource, TheClientCarriesTheShippedUpdater) {
  std::vector<unsigned char> embedded = ReadResourceBytes(IDR_UPDATE, L"UPDATE");
  ASSERT_GT(embedded.size(), 1000u);
  EXPECT_EQ(embedded[0], 'M');
  EXPECT_EQ(embedded[1], 'Z');
  EXPECT_EQ(embedded, ReadFileBytes(test::BesideThisProgram(L"Update.exe")));
  EXPECT_NE(embedded, ReadFileBytes(test::BesideThisProgram(L"UpdateTestBuild.exe")));
}

// The shipped updater reads nothing from its environment: with the test
// build's switches set it still shows a real message box.
TEST(UpdaterResource, ShippedUpdaterShowsARealMessageBox) {
  test::TempDir dir;
  const std::wstring exe = dir.File(L"Update.exe");
  ASSERT_TRUE(CopyBeside(L"Update.exe", exe));
  const std::wstring log = dir.File(L"messages.txt");
  SetEnvironmentVariableW(L"VORN2_UPDATER_MESSAGE_LOG", log.c_str());
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe + L"\" nonsense";
  ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  SetEnvironmentVariableW(L"VORN2_UPDATER_MESSAGE_LOG", nullptr);
  HWND box = nullptr;
  const bool found = test::PumpUntil([&] { return (box = test::FindMessageBox(pi.dwProcessId)) != nullptr; }, 15000);
  std::wstring title;
  if (found) {
    wchar_t text[64] = {};
    GetWindowTextW(box, text, 64);
    title = text;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  DWORD code = 0;
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_TRUE(found);
  EXPECT_EQ(title, L"提示");
  EXPECT_EQ(code, 2u);
  EXPECT_FALSE(test::FileExists(log));
}

}  // namespace
}  // namespace vorn2
