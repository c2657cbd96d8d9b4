#include <gtest/gtest.h>

#include "mainwindow/TrayText.h"

using namespace vorn2;

TEST(TrayText, TipIsTheTextThenNulThenBlanks) {
  const std::u16string field = FillTrayField("Vornhold 2客户端", kTrayTipUnits);
  ASSERT_EQ(field.size(), kTrayTipUnits);
  EXPECT_EQ(field.substr(0, 13), u"Vornhold 2客户端");
  EXPECT_EQ(field[13], u'\0');
  EXPECT_EQ(field.substr(14), std::u16string(kTrayTipUnits - 14, u' '));

  EXPECT_EQ(FillTrayField("", kTrayInfoTitleUnits), u'\0' + std::u16string(kTrayInfoTitleUnits - 1, u' '));
}

TEST(TrayText, LongTextKeepsRoomForTheNulInEveryField) {
  for (std::size_t units : {kTrayTipUnits, kTrayInfoUnits, kTrayInfoTitleUnits}) {
    const std::u16string field = FillTrayField(std::string(300, 'x'), units);
    ASSERT_EQ(field.size(), units);
    EXPECT_EQ(field.find(u'\0'), units - 1);
    EXPECT_EQ(field.find_first_not_of(u'x'), units - 1);
  }
  // Chinese counts one unit per character, not two ANSI bytes.
  std::string chinese;
  for (int i = 0; i < 100; ++i) chinese += "客";
  EXPECT_EQ(FillTrayField(chinese, kTrayInfoTitleUnits).find(u'\0'), 63u);
}

TEST(TrayText, SurrogatePairsAreKeptWholeOrDropped) {
  const std::string pair = "\xF0\x9F\x8E\xAE";  // U+1F3AE, two units
  // The pair would end on unit 128: it goes, and its place is blank.
  std::u16string cut = FillTrayField(std::string(126, 'a') + pair, kTrayTipUnits);
  EXPECT_EQ(cut.substr(125, 3), std::u16string(u"a\0 ", 3));
  // Ending on unit 127 it fits.
  std::u16string kept = FillTrayField(std::string(125, 'a') + pair, kTrayTipUnits);
  EXPECT_EQ(kept.substr(125, 3), std::u16string(u"\xD83C\xDFAE\0", 3));
}
