#include <gtest/gtest.h>

#include "mainwindow/DdeRequest.h"

using namespace vorn2;

TEST(DdeRequest, TabKeysAreGameAndTheAddress) {
  EXPECT_EQ(TabKey("http://g.test/a?b=1"), "Gamehttp://g.test/a?b=1");
  EXPECT_EQ(TabKey(""), "Game");
}

TEST(DdeRequest, WebAddressesInAnyLetterCaseOpenAsSent) {
  for (const char* url : {"http://127.0.0.1:18080/game.php?s=2", "HTTPS://WWW.VORNHOLD2.COM/", "hTtP://h",
                          "https://h/a b", "http://h/\xE6\xB8\xB8\xE6\x88\x8F"}) {  // 游戏
    EXPECT_EQ(AcceptDdeUrl(url), std::optional<std::string>(url)) << url;
  }
}

TEST(DdeRequest, AnythingButAWebAddressWithAHostIsRefused) {
  for (const char* command : {"javascript:alert(1)", "JavaScript:http://h/", "file:///c:/windows/win.ini",
                              "about:blank", "app://loadgame|http://h/", "ftp://h/", "httpx://h/", "http:/h",
                              "http:\\\\h", "//h/x", "h/http://", "http://", "https:///x", "http://?q",
                              "http://#f", "http:///", ""}) {
    EXPECT_EQ(AcceptDdeUrl(command), std::nullopt) << command;
  }
}

TEST(DdeRequest, BlanksAndNulsAroundAreDroppedControlsInsideRefuse) {
  using namespace std::string_literals;
  EXPECT_EQ(AcceptDdeUrl("  http://h/x\r\n"), "http://h/x");
  EXPECT_EQ(AcceptDdeUrl("\t\0http://h/x\0\0\0"s), "http://h/x");
  for (const std::string& command : {"http://h/a\tb"s, "http://h/a\nb"s, "http://h/\0x"s, "http://h/\x01"s,
                                     "http://h/\x7F"s, "http://h/\xC2\x85"s /* NEL */, "http://h/\xFF"s,
                                     "\x01http://h/"s, " \r\n\0 "s}) {
    EXPECT_EQ(AcceptDdeUrl(command), std::nullopt) << command;
  }
}

TEST(DdeRequest, LengthLimitCountsUtf16UnitsAfterTrimming) {
  const std::string head = "http://h/";
  const std::string fits = head + std::string(kMaxDdeUrlUnits - head.size(), 'a');
  EXPECT_EQ(AcceptDdeUrl(fits), fits);
  EXPECT_EQ(AcceptDdeUrl(fits + "   "), fits);
  EXPECT_EQ(AcceptDdeUrl(fits + "a"), std::nullopt);

  // 游 is three bytes but one unit; U+1F3AE is four bytes and two units.
  std::string chinese = head;
  for (std::size_t i = head.size(); i < kMaxDdeUrlUnits; ++i) chinese += "\xE6\xB8\xB8";
  EXPECT_EQ(AcceptDdeUrl(chinese), chinese);
  const std::string pair = "\xF0\x9F\x8E\xAE";
  const std::string endsInPair = fits.substr(0, kMaxDdeUrlUnits - 2) + pair;
  EXPECT_EQ(AcceptDdeUrl(endsInPair), endsInPair);
  EXPECT_EQ(AcceptDdeUrl(fits.substr(0, kMaxDdeUrlUnits - 1) + pair), std::nullopt);
}
