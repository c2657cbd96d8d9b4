#include <gtest/gtest.h>

#include <limits>

#include "framework/PropertyBag.h"
#include "framework/Text.h"
#include "framework/Twips.h"

using namespace vorn2;

TEST(Text, ChineseRoundTripsThroughUtf16) {
  const std::string tip = "未能连接到服务器，请检查网络连接是否正常！";
  std::u16string wide = Utf8ToUtf16(tip);
  EXPECT_EQ(wide.size(), 21u);
  EXPECT_EQ(wide[0], u'未');
  EXPECT_EQ(Utf16ToUtf8(wide), tip);
}

TEST(Text, AstralCharactersBecomeSurrogatePairsAndBack) {
  const std::string s = "a\xF0\x9F\x8E\xAE" "b";  // U+1F3AE
  std::u16string wide = Utf8ToUtf16(s);
  ASSERT_EQ(wide.size(), 4u);
  EXPECT_EQ(wide[1], 0xD83C);
  EXPECT_EQ(wide[2], 0xDFAE);
  EXPECT_EQ(Utf16ToUtf8(wide), s);
}

TEST(Text, MalformedInputIsReplacedNotDropped) {
  // Lone continuation, truncated sequence at the end, overlong slash, CESU surrogate.
  EXPECT_EQ(Utf8ToUtf16("\x80x"), u"\uFFFDx");
  EXPECT_EQ(Utf8ToUtf16("ab\xE4\xB8"), u"ab\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").substr(0, 1), u"\uFFFD");
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(Text, TruncationNeverSplitsASurrogatePair) {
  std::u16string s = u"ab\U0001F3AEc";  // a b [hi lo] c
  EXPECT_EQ(TruncateUtf16(s, 3), u"ab");
  EXPECT_EQ(TruncateUtf16(s, 4), u"ab\U0001F3AE");
  EXPECT_EQ(TruncateUtf16(s, 99), s);
  EXPECT_EQ(TruncateUtf16(s, 0), u"");
}

TEST(Text, AsciiLowerLeavesMultibyteTextAlone) {
  EXPECT_EQ(AsciiLower("VERSION=1.1.0 版本"), "version=1.1.0 版本");
}

TEST(Twips, DesignUnitsScaleByOneExactFactor) {
  // 1440 / 192 = 7.5 twips per pixel: a whole-number factor would make the
  // login window 2651 px wide at 200 % instead of 2474.
  for (int dpi : {96, 120, 144, 192}) {
    const DpiScale s(dpi);
    EXPECT_EQ(s.FromTwips(18555), s.Px(1237)) << dpi;  // the login window and its picture
    EXPECT_EQ(s.FromTwips(5340), s.Px(356)) << dpi;
    for (int px : {1, 7, 356, 1237}) EXPECT_EQ(s.FromTwips(s.ToTwips(px)), px) << dpi << " " << px;
  }
  EXPECT_EQ(DpiScale(192).FromTwips(18555), 2474);
  EXPECT_EQ(DpiScale(120).Px(1237), 1546);  // 1546.25
  EXPECT_EQ(DpiScale(144).Px(1237), 1856);  // 1855.5: halves away from zero
  EXPECT_EQ(DpiScale(96).FromTwips(7), 0);
  EXPECT_EQ(DpiScale(96).FromTwips(8), 1);
  EXPECT_EQ(DpiScale(96).FontHeight(9), -12);
  EXPECT_EQ(DpiScale(144).FontHeight(9), -18);
  EXPECT_EQ(DpiScale(0), DpiScale(96));
  EXPECT_EQ(DpiScale(144).Px(-3e12), std::numeric_limits<int>::min() + 1);  // clamped, not overflowed
}

TEST(PropertyBag, DefaultsAreNotStoredAndReadBack) {
  PropertyBag bag;
  bag.WriteInt("TabStyle", 0, 0);
  bag.WriteString("Caption", "NewForm", "NewForm");
  EXPECT_EQ(bag.Size(), 0u);
  EXPECT_EQ(bag.ReadInt("TabStyle", 1), 1);
  bag.WriteInt("TabStyle", 1, 0);
  bag.WriteString("Caption", "Vornhold 2客户端", "NewForm");
  bag.WriteBool("HasLogo", true, false);
  EXPECT_EQ(bag.ReadInt("TabStyle", 0), 1);
  EXPECT_EQ(bag.ReadString("Caption", "NewForm"), "Vornhold 2客户端");
  EXPECT_TRUE(bag.ReadBool("HasLogo", false));
  // Writing the default again removes the key.
  bag.WriteInt("TabStyle", 0, 0);
  EXPECT_FALSE(bag.Contains("TabStyle"));
}

TEST(PropertyBag, ValuesStoredAsOtherTypesConvert) {
  PropertyBag bag;
  bag.Set("BackColor", std::string("14346732"));
  bag.Set("Flag", std::int64_t{-1});
  bag.Set("Bad", std::string("abc"));
  EXPECT_EQ(bag.ReadInt("BackColor", 0), 14346732);
  EXPECT_TRUE(bag.ReadBool("Flag", false));
  EXPECT_EQ(bag.ReadInt("Bad", 7), 7);
  EXPECT_EQ(bag.ReadString("Flag", ""), "-1");
}

TEST(PropertyBag, NumberTextsParseStrictlyAndUnrepresentableValuesGiveTheDefault) {
  PropertyBag bag;
  bag.Set("Trailing", std::string("12abc"));
  bag.Set("Half", std::string("2.5"));
  bag.Set("Word", std::string("abc"));
  bag.Set("Huge", 1e300);
  bag.Set("NaN", std::numeric_limits<double>::quiet_NaN());
  bag.Set("Big", std::string("99999999999999999999"));
  EXPECT_EQ(bag.ReadInt("Trailing", 7), 7);
  EXPECT_FALSE(bag.ReadBool("Trailing", false));
  EXPECT_EQ(bag.ReadDouble("Half", 0), 2.5);
  EXPECT_EQ(bag.ReadDouble("Word", 1.75), 1.75);
  EXPECT_EQ(bag.ReadDouble("Trailing", 1.75), 1.75);
  EXPECT_EQ(bag.ReadInt("Huge", 7), 7);
  EXPECT_EQ(bag.ReadInt("NaN", 7), 7);
  EXPECT_EQ(bag.ReadInt("Big", 7), 7);
  // What the bag itself writes still reads back.
  bag.Set("Written", bag.ReadString("Half", ""));
  bag.Set("Negative", std::string("-42"));
  EXPECT_EQ(bag.ReadDouble("Written", 0), 2.5);
  EXPECT_EQ(bag.ReadInt("Negative", 0), -42);
  EXPECT_EQ(bag.ReadDouble("Negative", 0), -42.0);
}
