// Reading a page without an HTML engine: what is shown, which links are
// drawn where they lead, and which bytes are refused.
#include <gtest/gtest.h>

#include "standin/PageReading.h"

using namespace vorn2::standin;

namespace {

const char kBase[] = "http://127.0.0.1:18080/game/index.php?server=1#top";

TEST(PageReading, TitleTextAndLinksInDocumentOrder) {
  const std::string html =
      "<!DOCTYPE html>\n<html lang=\"zh\"><head><title> 第1服 &amp; more </title>"
      "<style>p { color: red }</style><script>document.title = '<b>never</b>';</script></head>\n"
      "<body><h1>Vornhold&nbsp;2</h1><p>Row  one\n of <b>text</b> &#x4E2D;&#25991;</p>"
      "<p><a id=n href='news.php?id=1'>公告一</a> and <A HREF=\"/x\"></a><a>no address</a></p>"
      "<!-- <a href=\"/hidden\">hidden</a> --><a href=\"javascript:alert(1)\">js</a>"
      "<form onsubmit=\"return false\"><label>帐号：<input name=u></label></form></body></html>";
  const ReadPage page = ReadHtml(html, kBase);
  EXPECT_EQ(page.title, "第1服 & more");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Vornhold 2", ""},
      {"Row one of text 中文", ""},
      {"公告一", "http://127.0.0.1:18080/game/news.php?id=1"},
      {"and", ""},
      {"http://127.0.0.1:18080/x", "http://127.0.0.1:18080/x"},  // an empty link shows its address
      {"no address", ""},
      {"js", "javascript:alert(1)"},
      {"帐号：", ""},
  };
  ASSERT_EQ(page.lines.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(page.lines[i].text, expected[i].first) << i;
    EXPECT_EQ(page.lines[i].address, expected[i].second) << i;
  }
  // As a DOM counts it: UTF-16 units between <html ...> and </html>.
  const std::size_t open = html.find('>', html.find("<html")) + 1;
  const std::string inner = html.substr(open, html.rfind("</html>") - open);
  EXPECT_EQ(page.rootInnerLength, Utf16Length(inner));
  EXPECT_LT(ReadHtml("<html><body>错误</body></html>", kBase).rootInnerLength, 100);
}

TEST(PageReading, AddressesResolveAgainstTheDocument) {
  const std::pair<const char*, const char*> cases[] = {
      {"news.php?id=2", "http://127.0.0.1:18080/game/news.php?id=2"},
      {"/guanwang.php?gn=vorn2", "http://127.0.0.1:18080/guanwang.php?gn=vorn2"},
      {"../download/./a.php", "http://127.0.0.1:18080/download/a.php"},
      {"../../../up", "http://127.0.0.1:18080/up"},
      {"?server=2", "http://127.0.0.1:18080/game/index.php?server=2"},
      {"#news", "http://127.0.0.1:18080/game/index.php?server=1#news"},
      {"//other.test/p", "http://other.test/p"},
      {"  app://loadgame|http://h/g?x=1 ", "app://loadgame|http://h/g?x=1"},
      {"HTTPS://Secure.test/", "HTTPS://Secure.test/"},
      {"", "http://127.0.0.1:18080/game/index.php?server=1"},
  };
  for (const auto& [href, absolute] : cases) EXPECT_EQ(ResolveAddress(kBase, href), absolute) << href;
  EXPECT_EQ(ResolveAddress("about:blank", "x.php"), "x.php") << "no base to resolve against";
}

TEST(PageReading, OnlyAClickOnAWebOrAppAddressNavigates) {
  for (const char* inert : {"javascript:void(0)", " JavaScript:alert(1)", "vbscript:x", "data:text/html,x",
                            "file:///C:/windows/win.ini", "FILE://c/x"}) {
    EXPECT_FALSE(FollowsLink(inert)) << inert;
  }
  for (const char* followed : {"http://h/", "https://h/", "app://loadgame|http://h/", "about:blank"}) {
    EXPECT_TRUE(FollowsLink(followed)) << followed;
  }
}

TEST(PageReading, KindAndCharsetDecideWhatIsShownOrRefused) {
  const std::string gbk = "\xb5\xc7\xc2\xbc";  // 登录 in GBK: not UTF-8
  struct Case {
    const char* contentType;
    std::string bytes;
    PageKind kind;
    Charset charset;
  };
  const Case cases[] = {
      {"text/html; charset=utf-8", "<p>登录</p>", PageKind::Html, Charset::Utf8},
      {"text/html; charset=UTF-8", "<p>\xff</p>", PageKind::Html, Charset::Other},  // declared, but not so
      {"text/html; charset=gb2312", "<p>" + gbk + "</p>", PageKind::Html, Charset::Gbk},
      {"text/html", "<meta charset=\"GBK\"><p>" + gbk, PageKind::Html, Charset::Gbk},
      {"text/html", "<p>" + gbk, PageKind::Html, Charset::Gbk},  // undeclared and not UTF-8: GBK is tried
      {"text/html; charset=iso-8859-1", "<p>plain</p>", PageKind::Html, Charset::Utf8},
      {"text/html; charset=shift_jis", "<p>\x82\xa0</p>", PageKind::Html, Charset::Other},
      {"text/plain", "a\nb", PageKind::Text, Charset::Utf8},
      {"application/xhtml+xml", "<html/>", PageKind::Html, Charset::Utf8},
      {"application/octet-stream", "<html>", PageKind::Other, Charset::Utf8},
      {"image/png", "\x89PNG", PageKind::Other, Charset::Gbk},
      {"", "\xEF\xBB\xBF  <!doctype html><p>x", PageKind::Html, Charset::Utf8},
      {"", "just words", PageKind::Text, Charset::Utf8},
      {"", std::string("MZ\0\0", 4), PageKind::Other, Charset::Utf8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KindOf(c.contentType, c.bytes), c.kind) << c.contentType << " " << c.bytes;
    EXPECT_EQ(ChooseCharset(c.contentType, c.bytes), c.charset) << c.contentType << " " << c.bytes;
  }
  EXPECT_FALSE(IsValidUtf8("\xc0\x80")) << "an overlong form";
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80")) << "a surrogate";
  EXPECT_FALSE(IsValidUtf8("\xe4\xb8")) << "cut short";
  EXPECT_TRUE(IsValidUtf8("中文 \xf0\x9f\x98\x80"));
}

TEST(PageReading, PlainTextKeepsItsLines) {
  const ReadPage page = ReadText("[vorn2]\r\nversion=1.1.0\r\n\r\n<b>not markup</b>");
  ASSERT_EQ(page.lines.size(), 4u);
  EXPECT_EQ(page.lines[1].text, "version=1.1.0");
  EXPECT_EQ(page.lines[2].text, "");
  EXPECT_EQ(page.lines[3].text, "<b>not markup</b>");
  EXPECT_TRUE(page.title.empty());
}

}  // namespace
