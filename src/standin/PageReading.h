// How the stand-in page view reads a page without an HTML engine: which
// bytes it shows and how, the page's title, its text in lines and each of its
// links as a line of its own (text and absolute address). Scripts, styles
// and forms' workings are never run or followed; nothing here touches the
// network or the screen.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorn2::standin {

// Bytes beyond this are not read: the page is refused with a line.
inline constexpr std::size_t kPageByteLimit = 4u << 20;

enum class Charset { Utf8, Gbk, Other };

// The charset from the Content-Type header, else from a <meta> of the first
// bytes; undeclared: UTF-8 when the bytes are valid UTF-8, else GBK (the
// caller decodes it strictly and refuses what does not decode). gb2312 and
// gb18030 are read as GBK.
Charset ChooseCharset(std::string_view contentType, std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

enum class PageKind { Html, Text, Other };

// From the header's media type; without one, HTML when the bytes start like
// markup, text when they hold no NUL, else Other.
PageKind KindOf(std::string_view contentType, std::string_view bytes);

// One line as drawn: plain text, or a link when address is set.
struct PageLine {
  std::string text;
  std::string address;
};

struct ReadPage {
  std::string title;
  std::vector<PageLine> lines;
  long rootInnerLength = 0;  // UTF-16 units inside the root element, as a browser's DOM counts
};

// A UTF-8 document; links are resolved against baseUrl.
ReadPage ReadHtml(std::string_view html, std::string_view baseUrl);
// A UTF-8 plain text, line by line.
ReadPage ReadText(std::string_view text);

// href made absolute against the document's address (scheme, "//", "/",
// "?", "#" and relative paths with "." and ".." segments).
std::string ResolveAddress(std::string_view base, std::string_view href);

// Whether a click on this address navigates: javascript:, vbscript:, data:
// and file: addresses are shown but never followed.
bool FollowsLink(std::string_view address);

long Utf16Length(std::string_view utf8);

}  // namespace vorn2::standin
