#include <gtest/gtest.h>

#include "login/AppCommands.h"
#include "login/LoginLayout.h"

using namespace vorn2;

TEST(AppCommands, MatchesAnywhereInTheUrlInExitMinimiseLoadOrder) {
  EXPECT_EQ(MatchAppCommand("app://exitgame"), AppCommand::ExitGame);
  EXPECT_EQ(MatchAppCommand("app://minimize"), AppCommand::Minimize);
  EXPECT_EQ(MatchAppCommand("app://loadgame|http://h/game"), AppCommand::LoadGame);
  // A query value carrying a command is that command.
  EXPECT_EQ(MatchAppCommand("http://portal/page.php?next=app://exitgame&x=1"), AppCommand::ExitGame);
  // Several commands in one address: exit wins over minimise wins over load.
  EXPECT_EQ(MatchAppCommand("app://loadgame|http://h/?a=app://minimize"), AppCommand::Minimize);
  EXPECT_EQ(MatchAppCommand("app://loadgame|http://h/?a=app://exitgame"), AppCommand::ExitGame);
  EXPECT_EQ(MatchAppCommand("app://minimize?app://exitgame"), AppCommand::ExitGame);
}

TEST(AppCommands, CaseSensitiveAndNothingForOrdinaryAddresses) {
  EXPECT_EQ(MatchAppCommand("APP://EXITGAME"), AppCommand::None);
  EXPECT_EQ(MatchAppCommand("app://ExitGame"), AppCommand::None);
  EXPECT_EQ(MatchAppCommand("app://Minimize"), AppCommand::None);
  EXPECT_EQ(MatchAppCommand("http://127.0.0.1:18080/download/vorn2/index_vorn2.php"), AppCommand::None);
  EXPECT_EQ(MatchAppCommand("app://exit"), AppCommand::None);
  EXPECT_EQ(MatchAppCommand(""), AppCommand::None);
}

TEST(AppCommands, FieldsSplitAtEveryBar) {
  EXPECT_EQ(SplitFields("app://loadgame|http://h/g?s=1"),
            (std::vector<std::string>{"app://loadgame", "http://h/g?s=1"}));
  EXPECT_EQ(SplitFields("app://loadgame|http://h/g|extra|more"),
            (std::vector<std::string>{"app://loadgame", "http://h/g", "extra", "more"}));
  EXPECT_EQ(SplitFields("app://loadgame"), (std::vector<std::string>{"app://loadgame"}));
  EXPECT_EQ(SplitFields("app://loadgame|"), (std::vector<std::string>{"app://loadgame", ""}));
  EXPECT_EQ(SplitFields("||"), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(SplitFields(""), (std::vector<std::string>{""}));
}

TEST(AppCommands, NavigationDecisions) {
  NavigationDecision exit = DecideNavigation("http://p/x?go=app://exitgame");
  EXPECT_EQ(exit.command, AppCommand::ExitGame);
  EXPECT_TRUE(exit.cancel);

  NavigationDecision mini = DecideNavigation("app://minimize");
  EXPECT_EQ(mini.command, AppCommand::Minimize);
  EXPECT_TRUE(mini.cancel);

  // Start game goes ahead with the second field; what follows a further bar is ignored.
  NavigationDecision load = DecideNavigation("app://loadgame|http://h/game/index.php?server=2|junk");
  EXPECT_EQ(load.command, AppCommand::LoadGame);
  EXPECT_FALSE(load.cancel);
  EXPECT_EQ(load.gameUrl, "http://h/game/index.php?server=2");

  NavigationDecision page = DecideNavigation("http://h/download/vorn2/index_vorn2.php");
  EXPECT_EQ(page.command, AppCommand::None);
  EXPECT_FALSE(page.cancel);
}

TEST(AppCommands, StartGameWithoutGameUrlIsCancelledAndDoesNothing) {
  for (const char* url : {"app://loadgame", "app://loadgame|", "app://loadgame||http://h/g"}) {
    SCOPED_TRACE(url);
    NavigationDecision d = DecideNavigation(url);
    EXPECT_EQ(d.command, AppCommand::None);
    EXPECT_TRUE(d.cancel);
    EXPECT_TRUE(d.gameUrl.empty());
  }
}

TEST(AppCommands, DocumentCompleteDecisions) {
  const std::string top = "http://h/download/vorn2/index_vorn2.php";
  EXPECT_EQ(DecideDocumentComplete(1200, top, top), DocumentAction::ShowLoginPair);
  // Exactly at the limit is a page; one below is a failed load.
  EXPECT_EQ(DecideDocumentComplete(100, top, top), DocumentAction::ShowLoginPair);
  EXPECT_EQ(DecideDocumentComplete(99, top, top), DocumentAction::NetworkFailure);
  EXPECT_EQ(DecideDocumentComplete(0, "", ""), DocumentAction::NetworkFailure);
  // Short HTML ends the program even for a frame.
  EXPECT_EQ(DecideDocumentComplete(10, top, "http://h/download/vorn2/frame.html"), DocumentAction::NetworkFailure);
  // A frame whose address is not part of the top document's does nothing.
  EXPECT_EQ(DecideDocumentComplete(1200, top, "http://h/download/vorn2/frame.html"), DocumentAction::Nothing);
  // A completed address that is part of the document's address counts as the top document.
  EXPECT_EQ(DecideDocumentComplete(1200, top + "?server=1", top), DocumentAction::ShowLoginPair);
  EXPECT_EQ(DecideDocumentComplete(1200, top, top + "?server=1"), DocumentAction::Nothing);
}

TEST(AppCommands, LoginPageOnThePortal) {
  EXPECT_EQ(LoginPageUrl("http://127.0.0.1:18080"), "http://127.0.0.1:18080/download/vorn2/index_vorn2.php");
  EXPECT_EQ(LoginPageUrl("https://www.vornhold2.com/"), "https://www.vornhold2.com/download/vorn2/index_vorn2.php");
  EXPECT_EQ(LoginPageUrl("http://h/prefix//"), "http://h/prefix/download/vorn2/index_vorn2.php");
}

TEST(LoginLayout, PairIsCentredButNeverStartsOffTheArea) {
  using login_layout::CentredOrigin;
  login_layout::Point p = CentredOrigin(0, 0, 1280, 1024, 1237, 696);
  EXPECT_EQ(p.x, 21);
  EXPECT_EQ(p.y, 164);
  p = CentredOrigin(100, 50, 1280, 1024, 1237, 696);
  EXPECT_EQ(p.x, 121);
  EXPECT_EQ(p.y, 214);
  // A screen smaller than the picture: the left and top edges stay visible.
  p = CentredOrigin(0, 0, 1024, 600, 1237, 696);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}
