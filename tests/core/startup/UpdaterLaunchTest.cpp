#include "startup/UpdaterLaunch.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace vorn2 {
namespace {

TEST(UpdaterParameters, InAFolder) {
  EXPECT_EQ(UpdaterParameters("C:\\Games\\Vornhold 2\\vorn2.exe"),
            "C:\\Games\\Vornhold 2|C:\\Games\\Vornhold 2\\vorn2.exe");
  // The name loses only its last extension and always gets ".exe".
  EXPECT_EQ(UpdaterParameters("D:\\x\\my.client.EXE"), "D:\\x|D:\\x\\my.client.exe");
}

TEST(UpdaterParameters, AtADriveRootTheRootKeepsItsBackslash) {
  EXPECT_EQ(InstallFolderOf("C:\\vorn2.exe"), "C:\\");
  EXPECT_EQ(UpdaterParameters("C:\\vorn2.exe"), "C:\\|C:\\\\vorn2.exe");
}

TEST(UpdaterParameters, RoundTripThroughTheUpdatersParser) {
  for (const char* exe : {"C:\\Games\\vorn2\\vorn2.exe", "C:\\vorn2.exe", "\\\\server\\share\\vorn2.exe"}) {
    auto target = ParseUpdaterParameters(UpdaterParameters(exe));
    ASSERT_TRUE(target) << exe;
    EXPECT_EQ(target->clientPath, exe);
    EXPECT_EQ(target->installFolder, InstallFolderOf(exe));
  }
}

TEST(UpdaterParameters, ExtendedLengthPathsWorkBothWays) {
  // The client started through a "\\?\" path: the string is built from the ordinary form.
  EXPECT_EQ(UpdaterParameters("\\\\?\\C:\\Games\\vorn2\\vorn2.exe"), "C:\\Games\\vorn2|C:\\Games\\vorn2\\vorn2.exe");
  EXPECT_EQ(UpdaterParameters("\\\\?\\UNC\\srv\\share\\vorn2.exe"), "\\\\srv\\share|\\\\srv\\share\\vorn2.exe");
  // The parser takes the prefix when both paths carry it, and keeps it.
  auto target = ParseUpdaterParameters("\\\\?\\C:\\Games\\vorn2|\\\\?\\C:\\Games\\vorn2\\vorn2.exe");
  ASSERT_TRUE(target);
  EXPECT_EQ(target->installFolder, "\\\\?\\C:\\Games\\vorn2");
  EXPECT_EQ(target->clientPath, "\\\\?\\C:\\Games\\vorn2\\vorn2.exe");
  EXPECT_FALSE(ParseUpdaterParameters("\\\\?\\C:\\Games\\vorn2|C:\\Games\\vorn2\\vorn2.exe"));
  EXPECT_FALSE(ParseUpdaterParameters("\\\\?\\games|\\\\?\\games\\vorn2.exe"));
  EXPECT_FALSE(ParseUpdaterParameters("\\\\?\\C:\\G?mes|\\\\?\\C:\\G?mes\\vorn2.exe"));
}

TEST(UpdaterParameters, ParserToleratesBlanksAndQuotesAroundTheWhole) {
  auto t = ParseUpdaterParameters("  \"C:\\A B|C:\\A B\\vorn2.exe\"  ");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->installFolder, "C:\\A B");
  EXPECT_EQ(t->clientPath, "C:\\A B\\vorn2.exe");
  // The single-backslash root form is the same file.
  auto root = ParseUpdaterParameters("C:\\|C:\\vorn2.exe");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->clientPath, "C:\\vorn2.exe");
}

TEST(UpdaterParameters, ParserRejectsAnythingElse) {
  for (const char* bad : {"", "C:\\x", "C:\\x|", "|C:\\x\\a.exe", "C:\\x|C:\\x\\a.exe|C:\\x\\b.exe",
                          "x|x\\a.exe", "C:\\x|C:\\y\\a.exe", "C:\\x|C:\\x\\sub\\a.exe", "C:\\x|C:\\x\\a.bat",
                          "C:\\x|C:\\x\\.exe", "C:\\x|C:\\xa.exe", "C:\\x|C:\\x\\a*.exe", "/web"}) {
    EXPECT_FALSE(ParseUpdaterParameters(bad)) << bad;
  }
}

TEST(UpdaterDefaults, ClientUrlBesideTheVersionFile) {
  EXPECT_EQ(DefaultClientUrl("http://127.0.0.1:18080", "vorn2.exe"), "http://127.0.0.1:18080/gamehome/vorn2/vorn2.exe");
  // A renamed local copy still asks for the published name.
  EXPECT_EQ(DefaultClientUrl("https://u.example/"), "https://u.example/gamehome/vorn2/vorn2.exe");
  EXPECT_EQ(ExeNameOf("C:\\a\\vorn2.exe"), "vorn2");
  EXPECT_EQ(FileNameOf("C:\\a\\vorn2.exe"), "vorn2.exe");
}

const std::string kClient = "C:\\g\\vorn2.exe", kNew = "C:\\g\\vorn2.exe.new", kBackup = "C:\\g\\vorn2.exe.old",
                  kMarker = "C:\\g\\vorn2.exe.unconfirmed";

// A folder of named files whose operations can be made to fail. It notes
// whether the client's path was ever empty between two calls.
class FakeFiles : public IReplaceFiles {
 public:
  std::map<std::string, std::string> files;
  std::set<int> failingCalls;  // 0-based index among all calls
  std::vector<std::string> started;
  int calls = 0;
  bool clientEverMissing = false;

  bool Fails() {
    clientEverMissing = clientEverMissing || !files.count(kClient);
    return failingCalls.count(calls++) != 0;
  }
  bool Copy(const std::string& from, const std::string& to) override {
    if (Fails() || !files.count(from)) return false;
    files[to] = files[from];
    return true;
  }
  bool Move(const std::string& from, const std::string& to) override {
    if (Fails() || !files.count(from)) return false;
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  bool Delete(const std::string& path) override {
    if (Fails()) return false;
    return files.erase(path) != 0;
  }
  bool Mark(const std::string& path) override {
    if (Fails()) return false;
    files[path] = "";
    return true;
  }
  bool Start(const std::string& path) override {
    if (Fails() || !files.count(path)) return false;
    started.push_back(files[path]);
    return true;
  }
};

TEST(ReplaceAndRestart, HappyPathStartsTheNewClientAndDropsTheBackup) {
  FakeFiles fs;
  fs.files = {{kClient, "old"}, {kNew, "new"}};
  EXPECT_EQ(ReplaceAndRestart(fs, kClient, kNew, kBackup), ReplaceOutcome::Replaced);
  EXPECT_EQ(fs.files, (std::map<std::string, std::string>{{kClient, "new"}}));
  EXPECT_EQ(fs.started, std::vector<std::string>{"new"});
}

TEST(ReplaceAndRestart, TheClientPathIsNeverEmptyAndTheOldClientNeverLostWhicheverStepFails) {
  // Fail each single call in turn (and every pair): the client's path always
  // holds a client; afterwards the old one stands there or, if it cannot be
  // moved back, at the backup path with the marker beside it; the backup is
  // gone only when the new client runs.
  for (int first = 0; first < 8; ++first) {
    for (int second = first; second < 8; ++second) {
      FakeFiles fs;
      fs.files = {{kClient, "old"}, {kNew, "new"}};
      fs.failingCalls = {first, second};
      ReplaceOutcome r = ReplaceAndRestart(fs, kClient, kNew, kBackup);
      SCOPED_TRACE(testing::Message() << "failing calls " << first << "," << second);
      EXPECT_FALSE(fs.clientEverMissing || !fs.files.count(kClient));
      switch (r) {
        case ReplaceOutcome::Replaced:
          EXPECT_EQ(fs.files[kClient], "new");
          EXPECT_EQ(fs.started, std::vector<std::string>{"new"});
          break;
        case ReplaceOutcome::RestoredOld:
          EXPECT_EQ(fs.files[kClient], "old");
          break;
        case ReplaceOutcome::OldKeptAsBackup:
          EXPECT_EQ(fs.files[kBackup], "old");
          EXPECT_TRUE(fs.files.count(kMarker));
          break;
      }
    }
  }
}

TEST(ReplaceAndRestart, OutcomeOfEachFailingStep) {
  struct Case {
    std::set<int> failing;  // Copy, Mark, Move, Start, then Delete or Move back
    ReplaceOutcome outcome;
    std::map<std::string, std::string> files;
  } cases[] = {
      {{}, ReplaceOutcome::Replaced, {{kClient, "new"}}},
      {{0}, ReplaceOutcome::RestoredOld, {{kClient, "old"}}},
      {{1}, ReplaceOutcome::RestoredOld, {{kClient, "old"}}},
      {{2}, ReplaceOutcome::RestoredOld, {{kClient, "old"}}},
      // The new client would not start: the backup takes its place.
      {{3}, ReplaceOutcome::RestoredOld, {{kClient, "old"}}},
      {{3, 4}, ReplaceOutcome::OldKeptAsBackup, {{kClient, "new"}, {kBackup, "old"}, {kMarker, ""}}},
  };
  for (const Case& c : cases) {
    FakeFiles fs;
    fs.files = {{kClient, "old"}, {kNew, "new"}};
    fs.failingCalls = c.failing;
    EXPECT_EQ(ReplaceAndRestart(fs, kClient, kNew, kBackup), c.outcome);
    EXPECT_EQ(fs.files, c.files);
  }
}

}  // namespace
}  // namespace vorn2
