#include <gtest/gtest.h>

#include "startup/StartupRules.h"

using namespace vorn2;

TEST(WebSwitch, OnlyTheWholeLowerCaseStringCounts) {
  EXPECT_TRUE(IsWebSwitch("/web"));
  EXPECT_FALSE(IsWebSwitch("/WEB"));
  EXPECT_FALSE(IsWebSwitch("/Web"));
  EXPECT_FALSE(IsWebSwitch("/web x"));
  EXPECT_FALSE(IsWebSwitch("/web "));
  EXPECT_FALSE(IsWebSwitch(" /web"));
  EXPECT_FALSE(IsWebSwitch("web"));
  EXPECT_FALSE(IsWebSwitch(""));
}

TEST(WebSwitch, ArgumentsAreTheCommandLineWithoutTheProgram) {
  EXPECT_EQ(ArgumentsFromCommandLine("\"C:\\Program Files\\Vornhold 2\\vorn2.exe\" /web"), "/web");
  EXPECT_EQ(ArgumentsFromCommandLine("C:\\game\\vorn2.exe /web"), "/web");
  EXPECT_EQ(ArgumentsFromCommandLine("vorn2.exe"), "");
  EXPECT_EQ(ArgumentsFromCommandLine("\"vorn2.exe\""), "");
  // Trailing text stays, so "/web x" is not the switch.
  EXPECT_EQ(ArgumentsFromCommandLine("vorn2.exe   /web x"), "/web x");
  EXPECT_TRUE(IsWebSwitch(ArgumentsFromCommandLine("\"C:\\a b\\vorn2.exe\"  /web")));
  // An unterminated quote takes the rest as the program.
  EXPECT_EQ(ArgumentsFromCommandLine("\"C:\\a b\\vorn2.exe /web"), "");
}
