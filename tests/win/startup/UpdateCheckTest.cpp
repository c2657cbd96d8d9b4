#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "framework/win/ProcessEnvironment.h"
#include "framework/win/PublicData.h"
#include "framework/win/Resources.h"
#include "framework/win/WinText.h"
#include "resource_ids.h"
#include "startup/UpdaterLaunch.h"
#include "startup/win/UpdateCheck.h"
#include "vorn2/Version.h"
#include "win/support/TestListener.h"
#include "win/support/WinTest.h"

namespace vorn2 {
namespace {

using test::DevserverUrl;
using test::HttpRequest;

struct ShellCall {
  std::wstring file, parameters;
};

class UpdateCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = DevserverUrl();
    if (base_.empty()) GTEST_SKIP() << "VORN2_DEVSERVER_URL not set";
    ASSERT_EQ(HttpRequest("POST", base_ + "/__admin/reset"), 200);
    Process().shellOpen = [this](const std::wstring& file, const std::wstring& parameters) {
      shell_.push_back({file, parameters});
      return shellAccepts_;
    };
    Process().endAtOnce = [this] { ++ended_; };
    RemoveTempFile(L"update.txt");
    RemoveTempFile(L"Update.exe");
  }
  void TearDown() override {
    ResetProcessEnvironment();
    if (blocker_ != INVALID_HANDLE_VALUE) CloseHandle(blocker_);
    RemoveTempFile(L"update.txt");
    RemoveTempFile(L"Update.exe");
  }
  static void RemoveTempFile(const std::wstring& name) {
    std::wstring path = GetTempFolder() + name;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
  }
  void PublishVersionFile(const std::string& text) {
    ASSERT_EQ(HttpRequest("PUT", base_ + "/__admin/update.txt", text), 200);
  }
  // A client published with its version file, signed as the operator signs it.
  std::string PublishRelease(const std::string& version, const std::string& options = "") {
    std::string manifest;
    EXPECT_EQ(HttpRequest("PUT", base_ + "/__admin/release?version=" + version + options, "MZ", &manifest), 200);
    return manifest;
  }
  static std::string Newer() {
    return std::to_string(VORN2_VERSION_MAJOR) + "." + std::to_string(VORN2_VERSION_MINOR + 1) + ".0";
  }
  std::wstring ExpectedParameters() const {
    wchar_t self[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return W(UpdaterParameters(U8(std::wstring(self, n))));
  }
  void ExpectUpdaterStarted() {
    ASSERT_EQ(shell_.size(), 1u);
    EXPECT_EQ(shell_[0].file, GetTempFolder() + L"Update.exe");
    EXPECT_EQ(shell_[0].parameters, ExpectedParameters());
    // The file the shell was asked to start is the embedded updater.
    std::vector<unsigned char> embedded = ReadResourceBytes(IDR_UPDATE, L"UPDATE");
    ASSERT_FALSE(embedded.empty());
    EXPECT_EQ(test::ReadFileBytes(shell_[0].file), embedded);
  }

  std::string base_;
  std::vector<ShellCall> shell_;
  bool shellAccepts_ = true;
  int ended_ = 0;
  HANDLE blocker_ = INVALID_HANDLE_VALUE;
};

TEST_F(UpdateCheck, LocalVersionComesFromTheVersionResource) {
  EXPECT_EQ(LocalVersionString(), VORN2_VERSION_TEXT);
}

TEST_F(UpdateCheck, StartupSameVersionIsSilent) {
  // The devserver's default version file names this release.
  test::PromptScript prompts;
  StartupUpdateChecker checker(base_);
  checker.CheckForUpdate();
  EXPECT_TRUE(prompts.asked().empty());
  EXPECT_TRUE(shell_.empty());
  EXPECT_EQ(ended_, 0);
  // The version file was saved hidden in the temporary folder.
  DWORD attributes = GetFileAttributesW((GetTempFolder() + L"update.txt").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  std::string log;
  HttpRequest("GET", base_ + "/__admin/log", "", &log);
  EXPECT_NE(log.find("GET\t/gamehome/vorn2/update.txt\t"), std::string::npos);
}

TEST_F(UpdateCheck, StartupOtherVersionAskedNo) {
  PublishRelease(Newer());
  test::PromptScript prompts({IDNO});
  StartupUpdateChecker checker(base_);
  checker.CheckForUpdate();
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].text, W(kNewVersionPrompt));
  EXPECT_EQ(prompts.asked()[0].title, L"提示");
  EXPECT_EQ(prompts.asked()[0].type, 0x24u);
  EXPECT_TRUE(shell_.empty());
  EXPECT_EQ(ended_, 0);
  EXPECT_FALSE(checker.UpdaterStarted());
}

TEST_F(UpdateCheck, StartupOtherVersionAskedYesStartsTheUpdaterAndEnds) {
  PublishRelease(Newer());
  test::PromptScript prompts({IDYES});
  StartupUpdateChecker checker(base_);
  checker.CheckForUpdate();
  EXPECT_EQ(prompts.asked().size(), 1u);
  ExpectUpdaterStarted();
  EXPECT_EQ(ended_, 1);
  EXPECT_TRUE(checker.UpdaterStarted());
}

TEST_F(UpdateCheck, StartupWithoutVersionFileOrVersionLineIsSilent) {
  test::PromptScript prompts({IDYES});
  ASSERT_EQ(HttpRequest("DELETE", base_ + "/__admin/update.txt"), 200);
  StartupUpdateChecker checker(base_);
  checker.CheckForUpdate();
  PublishVersionFile("[vorn2]\r\nurl=http://x/y.exe\r\n");
  checker.CheckForUpdate();
  EXPECT_TRUE(prompts.asked().empty());
  EXPECT_TRUE(shell_.empty());
  EXPECT_EQ(ended_, 0);
}

TEST_F(UpdateCheck, StaleVersionFileDecidesNothing) {
  // An earlier run left a file naming another version; today the server
  // cannot be reached.
  ASSERT_TRUE(test::WriteFileBytes(GetTempFolder() + L"update.txt", {'v', 'e', 'r', 's', 'i', 'o', 'n', '=', '9'}));
  test::PromptScript prompts({IDYES});
  StartupUpdateChecker checker("http://127.0.0.1:1");
  checker.CheckForUpdate();
  EXPECT_TRUE(prompts.asked().empty());
  EXPECT_TRUE(shell_.empty());
}

TEST_F(UpdateCheck, UpdaterThatCannotBeWrittenStartsNothing) {
  PublishRelease(Newer());
  // An earlier updater still running holds its file.
  ASSERT_TRUE(test::WriteFileBytes(GetTempFolder() + L"Update.exe", {'M', 'Z'}));
  blocker_ = CreateFileW((GetTempFolder() + L"Update.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(blocker_, INVALID_HANDLE_VALUE);
  test::PromptScript prompts({IDYES, IDOK});
  StartupUpdateChecker checker(base_);
  checker.CheckForUpdate();
  ASSERT_EQ(prompts.asked().size(), 2u);
  EXPECT_EQ(prompts.asked()[1].text, W(kUpdaterNotWrittenMessage));
  EXPECT_EQ(prompts.asked()[1].title, L"提示");
  EXPECT_EQ(prompts.asked()[1].type, 0x30u);
  EXPECT_TRUE(shell_.empty());
  EXPECT_EQ(ended_, 0);
}

TEST_F(UpdateCheck, UpdaterTheShellRefusesEndsNothing) {
  PublishRelease(Newer());
  shellAccepts_ = false;
  test::PromptScript prompts({IDYES, IDOK});
  StartupUpdateChecker checker(base_);
  checker.CheckForUpdate();
  ASSERT_EQ(prompts.asked().size(), 2u);
  EXPECT_EQ(prompts.asked()[1].text, W(kUpdaterNotStartedMessage));
  EXPECT_EQ(shell_.size(), 1u);
  EXPECT_EQ(ended_, 0);
  EXPECT_FALSE(checker.UpdaterStarted());
}

class FakeHost : public IUpdateHost {
 public:
  std::vector<std::string> calls;
  void SetExitFlag(bool bExit) override { calls.push_back(bExit ? "exit=true" : "exit=false"); }
  void UnloadMainWindow() override { calls.push_back("unload"); }
};

TEST_F(UpdateCheck, MenuSameVersionSaysSo) {
  FakeHost host;
  test::PromptScript prompts;
  MenuUpdateChecker checker(base_, host);
  checker.CheckForUpdate();
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].text, W(kUpToDateMessage));
  EXPECT_EQ(prompts.asked()[0].title, L"提示");
  EXPECT_EQ(prompts.asked()[0].type, 0x30u);
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(UpdateCheck, MenuWithoutAFreshVersionFileReportsTheNetwork) {
  ASSERT_EQ(HttpRequest("DELETE", base_ + "/__admin/update.txt"), 200);
  // The send given up on keeps its helper, and the helper its event, until the system ends the call.
  test::ExpectHandlesOutliveTest(HandleKind::KernelObject, 1);
  // No version file there, a server that takes the request and never
  // answers, one that cuts it short, and one that sends 2 GB: nothing of a
  // failed version file stays.
  for (const std::string& server :
       {base_, base_ + "/__fault/stall", base_ + "/__fault/truncate", base_ + "/__fault/huge?size=2147483648&"}) {
    ASSERT_TRUE(test::WriteFileBytes(GetTempFolder() + L"update.txt", {'v', 'e', 'r', 's', 'i', 'o', 'n', '=', '9'}));
    FakeHost host;
    test::PromptScript prompts;
    MenuUpdateChecker checker(server, host, {std::chrono::milliseconds(2000), std::chrono::milliseconds(1000)});
    checker.CheckForUpdate();
    ASSERT_EQ(prompts.asked().size(), 1u) << server;
    EXPECT_EQ(prompts.asked()[0].text, W(kNetworkMessage)) << server;
    EXPECT_EQ(prompts.asked()[0].type, 0x30u);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(shell_.empty());
    EXPECT_FALSE(test::FileExists(VersionFilePath())) << server;
  }
}

TEST_F(UpdateCheck, MenuNoVersionLineIsSilent) {
  PublishVersionFile("[vorn2]\r\n");
  FakeHost host;
  test::PromptScript prompts;
  MenuUpdateChecker checker(base_, host);
  checker.CheckForUpdate();
  EXPECT_TRUE(prompts.asked().empty());
  EXPECT_TRUE(host.calls.empty());
}

// Offered only what the updater installs, a signed version above this one;
// anything else goes on as for the version already here (silent at start-up,
// "up to date" from the menu).
TEST_F(UpdateCheck, OnlyASignedNewerVersionIsOffered) {
  const std::string current = PublishRelease(VORN2_VERSION_TEXT);
  const struct {
    const char* what;
    std::string file;
    bool offered;
  } cases[] = {
      {"older, signed", PublishRelease(std::to_string(VORN2_VERSION_MAJOR - 1) + ".99.99"), false},
      {"#version above the real line", "#version 9.9.9\r\n" + current, false},
      {"[version] section above it", "[version]\r\n" + current, false},
      {"newer, unsigned", "[vorn2]\r\nversion=" + Newer() + "\r\n", false},
      {"newer, another key", PublishRelease(Newer(), "&key=other"), false},
      {"newer, signed", PublishRelease(Newer()), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PublishVersionFile(c.file);
    test::PromptScript prompts({IDNO, IDNO});
    StartupUpdateChecker(base_).CheckForUpdate();
    FakeHost host;
    MenuUpdateChecker(base_, host).CheckForUpdate();
    std::vector<std::wstring> asked;
    for (const PromptRequest& request : prompts.asked()) asked.push_back(request.text);
    EXPECT_EQ(asked,
              (c.offered ? std::vector{W(kNewVersionPrompt), W(kNewVersionPrompt)} : std::vector{W(kUpToDateMessage)}));
  }
}

TEST_F(UpdateCheck, MenuYesStartsTheUpdaterThenClosesTheMainWindow) {
  PublishRelease(Newer());
  FakeHost host;
  test::PromptScript prompts({IDYES});
  MenuUpdateChecker checker(base_, host);
  checker.CheckForUpdate();
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].type, 0x24u);
  ExpectUpdaterStarted();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"exit=true", "unload"}));
  EXPECT_EQ(ended_, 0);  // the main window closes through its normal path
}

TEST_F(UpdateCheck, MenuUpdaterNotWrittenKeepsTheMainWindow) {
  PublishRelease(Newer());
  ASSERT_TRUE(test::WriteFileBytes(GetTempFolder() + L"Update.exe", {'M', 'Z'}));
  blocker_ = CreateFileW((GetTempFolder() + L"Update.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  FakeHost host;
  test::PromptScript prompts({IDYES, IDOK});
  MenuUpdateChecker checker(base_, host);
  checker.CheckForUpdate();
  ASSERT_EQ(prompts.asked().size(), 2u);
  EXPECT_EQ(prompts.asked()[1].text, W(kUpdaterNotWrittenMessage));
  EXPECT_TRUE(host.calls.empty());
  EXPECT_TRUE(shell_.empty());
}

}  // namespace
}  // namespace vorn2
