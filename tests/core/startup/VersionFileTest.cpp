#include "startup/VersionFile.h"

#include <gtest/gtest.h>

namespace vorn2 {
namespace {

TEST(VersionLine, KeyInAnyCaseIsFoundAndValueStartsAtNinthCharacter) {
  EXPECT_EQ(FindVersionValue("[vorn2]\r\nversion=1.1.0\r\nurl=x\r\n"), "1.1.0");
  EXPECT_EQ(FindVersionValue("VERSION=1.2.0\r\n"), "1.2.0");
  EXPECT_EQ(FindVersionValue("VeRsIoN:2.0.1"), "2.0.1");
}

TEST(VersionLine, BlanksAroundEqualsGiveAValueStartingWithEquals) {
  auto value = FindVersionValue("version = 1.1.0\r\n");
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, "= 1.1.0");
  EXPECT_TRUE(IsOtherVersion(*value, "1.1.0"));
}

TEST(VersionLine, KeyAfterOtherLettersStillCountsAndIsCutAtNinthCharacter) {
  // "newversion=1.1.0": the 9th character is the "o" of "version".
  EXPECT_EQ(FindVersionValue("newversion=1.1.0\r\n"), "on=1.1.0");
  EXPECT_EQ(FindVersionValue("# current version 1.1.0\r\n"), "t version 1.1.0");
}

TEST(VersionLine, OnlySpacesAreTrimmed) {
  EXPECT_EQ(FindVersionValue("version=1.1.0   \r\n"), "1.1.0");
  EXPECT_EQ(FindVersionValue("version=  1.1.0\r\n"), "1.1.0");
  auto tabbed = FindVersionValue("version=1.1.0\t\r\n");
  ASSERT_TRUE(tabbed);
  EXPECT_EQ(*tabbed, "1.1.0\t");
  EXPECT_TRUE(IsOtherVersion(*tabbed, "1.1.0"));
}

TEST(VersionLine, OnlyTheFirstVersionLineCounts) {
  EXPECT_EQ(FindVersionValue("a=b\r\nversion=0.9.0\r\nversion=1.1.0\r\n"), "0.9.0");
}

TEST(VersionLine, NoVersionLineGivesNothing) {
  EXPECT_FALSE(FindVersionValue(""));
  EXPECT_FALSE(FindVersionValue("[vorn2]\r\nurl=http://h/x.exe\r\n"));
  EXPECT_FALSE(FindVersionValue("versio=1.1.0\r\n"));
}

TEST(VersionLine, ShortVersionLineGivesEmptyValue) {
  EXPECT_EQ(FindVersionValue("version\r\n"), "");
  EXPECT_EQ(FindVersionValue("version="), "");
}

TEST(VersionLine, LoneLfAndLoneCrEndLinesToo) {
  // If line ends were missed, "version=" would be searched across the lines
  // and the value would run into the next one.
  EXPECT_EQ(FindVersionValue("x=1\nversion=1.3.0\nurl=u\n"), "1.3.0");
  EXPECT_EQ(FindVersionValue("x=1\rversion=1.3.0\rurl=u"), "1.3.0");
  EXPECT_EQ(FindVersionValue("version=1.3.0"), "1.3.0");
  auto lines = SplitVersionFileLines("a\r\n\r\nb\rc\nd");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "b");
  EXPECT_EQ(lines[3], "c");
  EXPECT_EQ(lines[4], "d");
}

TEST(VersionCompare, ExactTextOnly) {
  EXPECT_FALSE(IsOtherVersion("1.1.0", "1.1.0"));
  // Lower than ours still differs: the user is asked.
  EXPECT_TRUE(IsOtherVersion("1.0.9", "1.1.0"));
  EXPECT_TRUE(IsOtherVersion("1.1.00", "1.1.0"));
  EXPECT_TRUE(IsOtherVersion("1.1.0.0", "1.1.0"));
}

TEST(UpdateManifest, ReadsTheDevserverLayout) {
  auto m = ParseUpdateManifest(
      "[vorn2]\r\nversion=1.2.0\r\nurl=http://127.0.0.1:1/gamehome/vorn2/vorn2.exe\r\nsha256="
      "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08\r\n");
  EXPECT_EQ(m.version, "1.2.0");
  EXPECT_EQ(m.url, "http://127.0.0.1:1/gamehome/vorn2/vorn2.exe");
  EXPECT_EQ(m.sha256, "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
  EXPECT_FALSE(m.sha256Malformed);
}

TEST(UpdateManifest, KeysAnyCaseFirstWinsBadHashFlagged) {
  auto m = ParseUpdateManifest(" URL = http://a/b.exe \nurl=http://other\nSha256=abc\nversion=2\n");
  EXPECT_EQ(m.url, "http://a/b.exe");
  EXPECT_EQ(m.version, "2");
  EXPECT_TRUE(m.sha256.empty());
  EXPECT_TRUE(m.sha256Malformed);
  auto none = ParseUpdateManifest("version=1.2.0\r\n");
  EXPECT_TRUE(none.url.empty());
  EXPECT_TRUE(none.sha256.empty());
  EXPECT_FALSE(none.sha256Malformed);
  // 64 characters but not hex.
  auto notHex = ParseUpdateManifest("sha256=" + std::string(63, 'a') + "g\r\n");
  EXPECT_TRUE(notHex.sha256Malformed);
}

// Lead bytes of code page 936 (GBK).
bool Cp936Lead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

TEST(VersionLine, DoubleByteCharactersOfTheCodePageCountOnce) {
  // "version" + full-width colon (A3 BA) / ideographic space (A1 A1) + 1.1.0.
  EXPECT_EQ(FindVersionValue("version\xA3\xBA" "1.1.0\r\n", Cp936Lead), "1.1.0");
  EXPECT_EQ(FindVersionValue("version\xA1\xA1" "1.1.0\r\n", Cp936Lead), "1.1.0");
  // "版本" (B0 E6 B1 BE) before the key: two characters, not four bytes.
  EXPECT_EQ(FindVersionValue("\xB0\xE6\xB1\xBE" "version=1.1.0\r\n", Cp936Lead), "n=1.1.0");
  // A trail byte that reads as an ASCII letter belongs to its character:
  // after the lead byte 81, "v" + "ersion" is no key.
  EXPECT_FALSE(FindVersionValue("\x81version=1.1.0\r\n", Cp936Lead));
  // Without a code page test the bytes count one by one, as before.
  EXPECT_EQ(FindVersionValue("version\xA3\xBA" "1.1.0\r\n"), "\xBA" "1.1.0");
}

}  // namespace
}  // namespace vorn2
