#include "startup/UpdateSignature.h"
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

// Versions only go up, compared number by number; a text that is not a
// version is never newer.
TEST(VersionCompare, NewerOnlyByNumbers) {
  for (auto [remote, local] : {std::pair{"1.10.0", "1.9.0"}, {"1.1.1", "1.1.0"}, {"2.0.0", "1.65535.65535"}})
    EXPECT_TRUE(IsNewerVersion(remote, local)) << remote;
  for (const char* remote : {"1.1.0", "1.0.9", "0.10.0", "1.2", "1.2.0.0", "01.2.0", "1.2.0 ", "1.65536.0", "+2.0.0"})
    EXPECT_FALSE(IsNewerVersion(remote, "1.1.0")) << remote;
  EXPECT_FALSE(IsNewerVersion("1.9.0", "1.10.0"));
  EXPECT_FALSE(IsNewerVersion("9.9.9", ""));
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

TEST(UpdateManifest, LengthAndSignatureLines) {
  const std::string sha(64, 'a');
  const std::string sig = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+Pw==";
  const struct {
    std::string lines;  // after the version and sha256 lines
    std::optional<std::uint64_t> length;
    bool lengthMalformed;
    const char* signedText;  // nullptr: nothing to verify
  } cases[] = {
      {"length=5000\r\nsig=" + sig, 5000, false, "length=5000\n"},
      {"url=http://h/x.exe\r\nlength=0\r\nsig=" + sig, 0, false, "length=0\nurl=http://h/x.exe\n"},
      {"length=9223372036854775807\r\nsig=" + sig, 9223372036854775807ULL, false, "length=9223372036854775807\n"},
      {"length=9223372036854775808\r\nsig=" + sig, std::nullopt, true, nullptr},
      {"length=0050\r\nsig=" + sig, std::nullopt, true, nullptr},
      {"length=-5\r\nsig=" + sig, std::nullopt, true, nullptr},
      {"sig=" + sig, std::nullopt, false, nullptr},
      {"length=5000", 5000, false, nullptr},                        // no sig line
      {"length=5000\r\nsig=" + sig.substr(4), 5000, false, nullptr},  // 61 bytes
      {"length=5000\r\nsig=" + sig + "AAAA", 5000, false, nullptr},   // 67 bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    const UpdateManifest m = ParseUpdateManifest("version=1.2.0\r\nsha256=" + sha + "\r\n" + c.lines + "\r\n");
    EXPECT_EQ(m.length, c.length);
    EXPECT_EQ(m.lengthMalformed, c.lengthMalformed);
    const std::optional<SignedUpdate> part = SignedPartOf(m);
    ASSERT_EQ(part.has_value(), c.signedText != nullptr);
    if (!part) continue;
    EXPECT_EQ(part->text, "vorn2-update\nversion=1.2.0\nsha256=" + sha + "\n" + c.signedText);
    for (std::size_t i = 0; i < part->signature.size(); ++i) EXPECT_EQ(part->signature[i], i);
  }
}

TEST(UpdateManifest, Base64IsReadStrictly) {
  const struct {
    const char* text;
    std::optional<std::vector<std::uint8_t>> bytes;
  } cases[] = {
      {"", std::vector<std::uint8_t>{}},
      {"TWFu", std::vector<std::uint8_t>{'M', 'a', 'n'}},
      {"TWE=", std::vector<std::uint8_t>{'M', 'a'}},
      {"TQ==", std::vector<std::uint8_t>{'M'}},
      {"+/+/", std::vector<std::uint8_t>{0xfb, 0xff, 0xbf}},
      {"TWF", std::nullopt},    // not a multiple of four
      {"TR==", std::nullopt},   // bits left over under the padding
      {"TWF=", std::nullopt},
      {"T===", std::nullopt},
      {"TW=u", std::nullopt},   // padding in the middle
      {"TW u", std::nullopt},
      {"-_-_", std::nullopt},   // the URL alphabet
      {"TWFu\n", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeBase64(c.text), c.bytes) << c.text;
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
