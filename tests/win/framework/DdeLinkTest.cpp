// The DDE link with real conversations from a second process (dde_test_client),
// and a small host that applies the main window's acceptance rule.
#include <gtest/gtest.h>

#include <memory>

#include "framework/win/DdeLink.h"
#include "framework/win/WinText.h"
#include "mainwindow/DdeRequest.h"
#include "win/support/WinTest.h"

using namespace vorn2;

namespace {

const std::wstring kTopic = L"WebGameDDE";

enum ClientResult { kAccepted = 0, kNotProcessed = 1, kNoServer = 2 };

int Client(const std::wstring& mode, const std::wstring& command, const std::wstring& topic = kTopic) {
  return test::RunProcess(L"\"" + test::BesideThisProgram(L"dde_test_client.exe") + L"\" " + mode + L" " +
                          ExecutableBaseName() + L" " + topic + L" \"" + command + L"\"");
}

// Opens what the rule accepts, like the main window; remembers every command.
struct Host {
  std::unique_ptr<DdeLink> link = std::make_unique<DdeLink>();
  std::vector<std::string> commands;
  std::vector<std::string> opened;
  bool closeInside = false;

  Host() {
    link->Events().LinkExecute = [this](const std::string& strCommand, bool& Cancel) {
      commands.push_back(strCommand);
      if (auto url = AcceptDdeUrl(strCommand)) {
        opened.push_back(*url);
        Cancel = false;
      }
      if (closeInside) link.reset();
    };
    EXPECT_TRUE(link->Open(ExecutableBaseName(), kTopic));
  }
};

// A non-ASCII text the ANSI code page can carry (Chinese on 936, Latin elsewhere).
std::wstring AnsiCapableWord() {
  for (const wchar_t* word : {L"\u6E38\u620F", L"caf\u00E9"}) {
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, word, -1, nullptr, 0, nullptr, &lossy);
    if (!lossy) return word;
  }
  return L"ascii";
}

}  // namespace

TEST(DdeLink, ServiceIsTheProgramsBaseName) { EXPECT_EQ(ExecutableBaseName(), L"win_framework_tests"); }

TEST(DdeLink, ExecutesFromDdemlAndRawClientsOfEitherFlavourArriveIntact) {
  Host host;
  const std::wstring ansiUrl = L"http://127.0.0.1:18080/" + AnsiCapableWord() + L"?s=1";
  const std::wstring wideUrl = L"https://h.test/\u6E38\u620F/\u5BA2?s=2";
  const struct {
    const wchar_t* mode;
    std::wstring url;
  } cases[] = {{L"ddeml-a", ansiUrl}, {L"ddeml-w", wideUrl}, {L"raw-aa", ansiUrl},
               {L"raw-ww", wideUrl},  {L"raw-wa", ansiUrl}, {L"raw-aw", wideUrl}};
  for (const auto& c : cases) {
    host.opened.clear();
    EXPECT_EQ(Client(c.mode, c.url), kAccepted) << U8(c.mode);
    EXPECT_EQ(host.opened, std::vector<std::string>{U8(c.url)}) << U8(c.mode);
  }
}

TEST(DdeLink, RefusedCommandsReachTheHostAndAreAnsweredNotProcessed) {
  Host host;
  EXPECT_EQ(Client(L"ddeml-w", L"javascript:alert(1)"), kNotProcessed);
  EXPECT_EQ(Client(L"raw-ww", L"file:///c:/windows/win.ini"), kNotProcessed);
  EXPECT_EQ(Client(L"ddeml-a", L""), kNotProcessed);
  EXPECT_EQ(host.commands, (std::vector<std::string>{"javascript:alert(1)", "file:///c:/windows/win.ini", ""}));
  EXPECT_TRUE(host.opened.empty());
  // A data request is answered at once, negatively, and reported to nobody.
  EXPECT_EQ(Client(L"ddeml-request", L"item"), kNotProcessed);
  // Another topic is not answered at all.
  EXPECT_EQ(Client(L"ddeml-w", L"http://h/", L"OtherTopic"), kNoServer);
  EXPECT_EQ(host.commands.size(), 3u);
}

// The server stops waiting while the client still takes its answer: the
// client has the conversation all the same, and its execute is served.
TEST(DdeLink, ClientSlowToTakeTheAnswerStaysInTheConversation) {
  Host host;
  host.link->SetInitiateAnswerWait(200);
  EXPECT_EQ(Client(L"slow-ww", L"http://h/slow"), kAccepted);
  EXPECT_EQ(host.opened, std::vector<std::string>{"http://h/slow"});
}

TEST(DdeLink, ClosedInsideItsExecuteThenOpenedAgain) {
  {
    Host host;
    host.closeInside = true;
    EXPECT_EQ(Client(L"ddeml-w", L"http://h/first"), kAccepted);
    EXPECT_FALSE(host.link);
    EXPECT_EQ(Client(L"raw-ww", L"http://h/gone"), kNoServer);
    EXPECT_EQ(host.commands.size(), 1u);
  }
  for (int round = 0; round < 2; ++round) {  // created again, also after an ordinary destruction
    Host again;
    EXPECT_EQ(Client(L"raw-ww", L"http://h/again"), kAccepted);
    EXPECT_EQ(again.opened, std::vector<std::string>{"http://h/again"});
  }
  EXPECT_EQ(Client(L"ddeml-w", L"http://h/after"), kNoServer);
}
