#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/DdeLinkText.h"

using namespace vorn2;

namespace {

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<unsigned char> Utf16Bytes(const std::u16string& s) {
  std::vector<unsigned char> out;
  for (char16_t u : s) {
    out.push_back(static_cast<unsigned char>(u & 0xFF));
    out.push_back(static_cast<unsigned char>(u >> 8));
  }
  return out;
}

DdeTextShape Shape(DdeTextForm form, std::size_t length) { return {form, length}; }

}  // namespace

TEST(DdeLinkText, AnsiTextWithOrWithoutTerminatorAndTail) {
  using namespace std::string_literals;
  // Odd and even lengths, zero-filled buffers, no terminator at all.
  EXPECT_EQ(DetectDdeText(Bytes("http://h/\0"s)), Shape(DdeTextForm::Ansi, 9));
  EXPECT_EQ(DetectDdeText(Bytes("http://h/x\0\0\0\0"s)), Shape(DdeTextForm::Ansi, 10));
  EXPECT_EQ(DetectDdeText(Bytes("http://h/x")), Shape(DdeTextForm::Ansi, 10));
  // Code page 936: 游戏 is D3CE CFB7, no zero bytes.
  EXPECT_EQ(DetectDdeText(Bytes("http://h/\xD3\xCE\xCF\xB7\0"s)), Shape(DdeTextForm::Ansi, 13));
  // Leftovers of a reused buffer after the terminator.
  EXPECT_EQ(DetectDdeText(Bytes("http://h/\0garbage after it\0\0"s)), Shape(DdeTextForm::Ansi, 9));
  EXPECT_EQ(DetectDdeText(Bytes("http://h/x\0g\0r\0b\0\0"s)), Shape(DdeTextForm::Ansi, 10));
  EXPECT_EQ(DetectDdeText({}), Shape(DdeTextForm::Ansi, 0));
}

TEST(DdeLinkText, Utf16TextIsRecognisedByItsZeroBytes) {
  using namespace std::string_literals;
  EXPECT_EQ(DetectDdeText(Utf16Bytes(u"http://h/\0"s)), Shape(DdeTextForm::Utf16, 9));
  EXPECT_EQ(DetectDdeText(Utf16Bytes(u"http://h/游戏?a=1")), Shape(DdeTextForm::Utf16, 15));
  // Without terminator, with a stray odd byte, starting with U+4E00 (low byte zero).
  EXPECT_EQ(DetectDdeText(Utf16Bytes(u"http://h/")), Shape(DdeTextForm::Utf16, 9));
  std::vector<unsigned char> odd = Utf16Bytes(u"http://h/");
  odd.push_back('x');
  EXPECT_EQ(DetectDdeText(odd), Shape(DdeTextForm::Utf16, 9));
  EXPECT_EQ(DetectDdeText(Utf16Bytes(u"一http\0"s)), Shape(DdeTextForm::Utf16, 5));
  // Two characters is the shortest text the readings tell apart; one reads the same either way.
  EXPECT_EQ(DetectDdeText(Utf16Bytes(u"ab\0"s)), Shape(DdeTextForm::Utf16, 2));
  EXPECT_EQ(DetectDdeText(Utf16Bytes(u"a\0"s)), Shape(DdeTextForm::Ansi, 1));
}

TEST(DdeLinkText, ATextLongerThanTheLimitIsRefusedUnread) {
  using namespace std::string_literals;
  std::vector<unsigned char> paddedUtf16 = Utf16Bytes(u"http://h/\0"s);
  paddedUtf16.resize(64 * 1024, 0);  // a short text in a large zeroed buffer
  const struct {
    std::vector<unsigned char> data;
    std::size_t max;
    std::optional<DdeTextShape> expected;
  } cases[] = {
      {std::vector<unsigned char>(64 * 1024, 'a'), 16, std::nullopt},
      {Utf16Bytes(std::u16string(40, u'x')), 16, std::nullopt},
      {Bytes("http://h/x\0tail past the limit"s), 16, Shape(DdeTextForm::Ansi, 10)},
      {paddedUtf16, 16 * 1024, Shape(DdeTextForm::Utf16, 9)},
      {Bytes("0123456789abcdef\0"s), 15, std::nullopt},  // an odd limit reads 14 bytes
  };
  for (const auto& c : cases) EXPECT_EQ(DetectDdeText(c.data, c.max), c.expected) << c.data.size() << "/" << c.max;
}
