#include "standin/PageReading.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "framework/Text.h"

namespace vorn2::standin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The media type without parameters, lower case.
std::string MediaType(std::string_view contentType) {
  return AsciiLower(Trim(contentType.substr(0, contentType.find(';'))));
}

// The token after "charset=" in text (already lower case), or "".
std::string CharsetParameter(std::string_view lower) {
  const std::size_t at = lower.find("charset=");
  if (at == std::string_view::npos) return {};
  std::size_t i = at + 8;
  while (i < lower.size() && (lower[i] == '"' || lower[i] == '\'' || lower[i] == ' ')) ++i;
  std::string name;
  for (; i < lower.size(); ++i) {
    const char c = lower[i];
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')) break;
    name += c;
  }
  return name;
}

bool IsAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Character references of text; an unknown one stays as written.
std::string Unescape(std::string_view s) {
  struct Named {
    const char* name;
    std::uint32_t cp;
  };
  static constexpr Named kNamed[] = {{"amp", '&'},    {"lt", '<'},      {"gt", '>'},      {"quot", '"'},
                                     {"apos", '\''},  {"nbsp", ' '},    {"copy", 0xA9},   {"reg", 0xAE},
                                     {"middot", 0xB7}, {"hellip", 0x2026}, {"mdash", 0x2014}, {"ldquo", 0x201C},
                                     {"rdquo", 0x201D}};
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const std::size_t semi = s[i] == '&' ? s.find(';', i) : std::string_view::npos;
    if (semi == std::string_view::npos || semi - i > 10) {
      out += s[i];
      continue;
    }
    const std::string_view ref = s.substr(i + 1, semi - i - 1);
    bool done = false;
    if (ref.size() > 1 && ref[0] == '#') {
      const bool hex = ref[1] == 'x' || ref[1] == 'X';
      std::uint32_t cp = 0;
      bool ok = ref.size() > (hex ? 2u : 1u);
      for (std::size_t k = hex ? 2 : 1; ok && k < ref.size(); ++k) {
        const char c = ref[k];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        ok = digit >= 0;
        if (ok) cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        if (cp > 0x10FFFF) cp = 0x110000;  // stays out of range, and no overflow
      }
      if (ok) {
        AppendUtf8(out, cp);
        done = true;
      }
    } else {
      for (const Named& n : kNamed) {
        if (ref == n.name) {
          AppendUtf8(out, n.cp);
          done = true;
          break;
        }
      }
    }
    if (done) i = semi;
    else out += s[i];
  }
  return out;
}

// Text as a reader sees it: character references decoded, blank runs as one space.
void AppendText(std::string& line, std::string_view raw) {
  for (const char c : Unescape(raw)) {
    if (IsBlank(c)) {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
}

bool IsBlockTag(std::string_view name) {
  static constexpr std::string_view kBlocks[] = {
      "p",  "div", "br", "h1", "h2", "h3", "h4",    "h5",   "h6",      "li",     "ul",     "ol",
      "tr", "table", "form", "hr", "pre", "blockquote", "dl", "dt", "dd", "section", "article", "header",
      "footer", "center", "body", "nav", "main", "aside", "title", "label"};
  for (const std::string_view b : kBlocks) {
    if (name == b) return true;
  }
  return false;
}

// One tag: its lower-case name, whether it closes, and its attributes' text.
struct Tag {
  std::string name;
  bool closing = false;
  std::string_view attributes;
  std::size_t end = 0;  // just past '>'
};

Tag ReadTag(std::string_view html, std::size_t at) {
  Tag tag;
  std::size_t i = at + 1;
  if (i < html.size() && html[i] == '/') {
    tag.closing = true;
    ++i;
  }
  while (i < html.size() && (std::isalnum(static_cast<unsigned char>(html[i])) != 0)) {
    tag.name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[i])));
    ++i;
  }
  const std::size_t attrStart = i;
  char quote = 0;
  for (; i < html.size(); ++i) {
    const char c = html[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      break;
    }
  }
  tag.attributes = html.substr(attrStart, i - attrStart);
  tag.end = i < html.size() ? i + 1 : html.size();
  return tag;
}

// The value of one attribute (name lower case), character references decoded.
std::string Attribute(std::string_view attributes, std::string_view name) {
  const std::string lower = AsciiLower(attributes);
  for (std::size_t at = lower.find(name); at != std::string::npos; at = lower.find(name, at + 1)) {
    const bool starts = at == 0 || IsBlank(lower[at - 1]);
    std::size_t i = at + name.size();
    while (i < lower.size() && IsBlank(lower[i])) ++i;
    if (!starts || i >= lower.size() || lower[i] != '=') continue;
    ++i;
    while (i < lower.size() && IsBlank(lower[i])) ++i;
    if (i >= lower.size()) return {};
    const char quote = attributes[i] == '"' || attributes[i] == '\'' ? attributes[i] : 0;
    if (quote) ++i;
    std::size_t end = i;
    while (end < attributes.size() && (quote ? attributes[end] != quote : !IsBlank(attributes[end]))) ++end;
    return Unescape(attributes.substr(i, end - i));
  }
  return {};
}

std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from) {
  for (std::size_t i = from; i + lowerNeedle.size() <= text.size(); ++i) {
    bool same = true;
    for (std::size_t k = 0; same && k < lowerNeedle.size(); ++k) {
      same = std::tolower(static_cast<unsigned char>(text[i + k])) == lowerNeedle[k];
    }
    if (same) return i;
  }
  return std::string_view::npos;
}

// "." and ".." segments of a path taken out.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  std::size_t start = 0;
  bool trailing = false;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    const std::string_view seg = path.substr(start, slash - start);
    trailing = seg == "." || seg == "..";
    if (seg == "..") {
      if (kept.size() > 1) kept.pop_back();
    } else if (seg != ".") {
      kept.push_back(seg);
    }
    start = slash + 1;
  }
  std::string out;
  for (std::size_t k = 0; k < kept.size(); ++k) {
    if (k) out += '/';
    out += kept[k];
  }
  if (trailing) out += '/';
  if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
  return out;
}

bool HasScheme(std::string_view s) {
  if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ':') return true;
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.')) return false;
  }
  return false;
}

void Flush(ReadPage& page, std::string& line) {
  const std::string_view text = Trim(line);
  if (!text.empty()) page.lines.push_back({std::string(text), {}});
  line.clear();
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (b < 0x80) n = 1, cp = b;
    else if ((b & 0xE0) == 0xC0) n = 2, cp = b & 0x1F;
    else if ((b & 0xF0) == 0xE0) n = 3, cp = b & 0x0F;
    else if ((b & 0xF8) == 0xF0) n = 4, cp = b & 0x07;
    else return false;
    if (i + n > bytes.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(bytes[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

Charset ChooseCharset(std::string_view contentType, std::string_view bytes) {
  std::string declared = CharsetParameter(AsciiLower(contentType));
  if (declared.empty()) declared = CharsetParameter(AsciiLower(bytes.substr(0, 4096)));
  if (declared == "utf-8" || declared == "utf8") return IsValidUtf8(bytes) ? Charset::Utf8 : Charset::Other;
  if (declared == "gbk" || declared == "gb2312" || declared == "gb18030" || declared == "x-gbk" ||
      declared == "cp936")
    return Charset::Gbk;
  if (declared.empty()) return IsValidUtf8(bytes) ? Charset::Utf8 : Charset::Gbk;
  // Any other charset reads the same as UTF-8 while the bytes are ASCII.
  return IsAscii(bytes) ? Charset::Utf8 : Charset::Other;
}

PageKind KindOf(std::string_view contentType, std::string_view bytes) {
  const std::string type = MediaType(contentType);
  if (type == "text/html" || type == "application/xhtml+xml") return PageKind::Html;
  if (type.rfind("text/", 0) == 0) return PageKind::Text;
  if (!type.empty()) return PageKind::Other;
  std::string_view start = bytes.substr(0, 1024);
  if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
  const std::string head = AsciiLower(Trim(start).substr(0, 9));
  if (head.rfind("<!doctype", 0) == 0 || head.rfind("<html", 0) == 0) return PageKind::Html;
  return start.find('\0') == std::string_view::npos ? PageKind::Text : PageKind::Other;
}

ReadPage ReadHtml(std::string_view html, std::string_view baseUrl) {
  ReadPage page;
  std::string line;
  std::string linkText, linkAddress;
  bool inLink = false;
  const auto endLink = [&] {
    if (!inLink) return;
    inLink = false;
    const std::string_view text = Trim(linkText);
    page.lines.push_back({text.empty() ? linkAddress : std::string(text), linkAddress});
    linkText.clear();
  };
  std::size_t i = 0;
  while (i < html.size()) {
    const std::size_t lt = html.find('<', i);
    const std::string_view raw = html.substr(i, (lt == std::string_view::npos ? html.size() : lt) - i);
    AppendText(inLink ? linkText : line, raw);
    if (lt == std::string_view::npos) break;
    if (html.substr(lt, 4) == "<!--") {
      const std::size_t close = html.find("-->", lt + 4);
      i = close == std::string_view::npos ? html.size() : close + 3;
      continue;
    }
    const bool tagStart = lt + 1 < html.size() &&
                          (std::isalpha(static_cast<unsigned char>(html[lt + 1])) || html[lt + 1] == '/' ||
                           html[lt + 1] == '!' || html[lt + 1] == '?');
    if (!tagStart) {
      AppendText(inLink ? linkText : line, "<");
      i = lt + 1;
      continue;
    }
    const Tag tag = ReadTag(html, lt);
    i = tag.end;
    if (tag.closing) {
      if (tag.name == "a") endLink();
      else if (IsBlockTag(tag.name)) {
        endLink();
        Flush(page, line);
      }
      continue;
    }
    // Raw text: the title is kept, scripts and styles are never run or shown.
    if (tag.name == "script" || tag.name == "style" || tag.name == "title" || tag.name == "textarea") {
      const std::size_t close = FindNoCase(html, "</" + tag.name, i);
      const std::string_view inner = html.substr(i, (close == std::string_view::npos ? html.size() : close) - i);
      if (tag.name == "title" && page.title.empty()) {
        AppendText(page.title, inner);
        page.title = std::string(Trim(page.title));
      }
      i = close == std::string_view::npos ? html.size() : ReadTag(html, close).end;
      continue;
    }
    if (tag.name == "a") {
      endLink();
      linkAddress = ResolveAddress(baseUrl, Attribute(tag.attributes, "href"));
      if (!Trim(Attribute(tag.attributes, "href")).empty() && !linkAddress.empty()) {
        Flush(page, line);
        inLink = true;
      }
    } else if (IsBlockTag(tag.name)) {
      endLink();
      Flush(page, line);
    }
  }
  endLink();
  Flush(page, line);

  const std::size_t open = FindNoCase(html, "<html", 0);
  std::size_t close = std::string_view::npos;  // the last </html>, in any case
  for (std::size_t at = FindNoCase(html, "</html>", 0); at != std::string_view::npos;
       at = FindNoCase(html, "</html>", at + 1))
    close = at;
  if (open != std::string_view::npos && close != std::string_view::npos) {
    const std::size_t inner = ReadTag(html, open).end;
    page.rootInnerLength = inner <= close ? Utf16Length(html.substr(inner, close - inner)) : 0;
  } else {
    page.rootInnerLength = Utf16Length(html);
  }
  return page;
}

ReadPage ReadText(std::string_view text) {
  ReadPage page;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view row = text.substr(start, end - start);
    if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
    page.lines.push_back({std::string(row), {}});
    start = end + 1;
  }
  page.rootInnerLength = Utf16Length(text);
  return page;
}

std::string ResolveAddress(std::string_view base, std::string_view href) {
  href = Trim(href);
  if (HasScheme(href)) return std::string(href);
  const std::size_t schemeEnd = base.find("://");
  if (schemeEnd == std::string_view::npos) return std::string(href);
  const std::size_t pathStart = std::min(base.find_first_of("/?#", schemeEnd + 3), base.size());
  const std::string_view origin = base.substr(0, pathStart);
  const std::string_view rest = base.substr(pathStart);
  const std::string_view noFragment = rest.substr(0, rest.find('#'));
  const std::string_view basePath = noFragment.substr(0, noFragment.find('?'));
  if (href.substr(0, 2) == "//") return std::string(base.substr(0, schemeEnd + 1)) + std::string(href);
  if (href.empty()) return std::string(origin) + std::string(noFragment);
  if (href[0] == '#') return std::string(origin) + std::string(noFragment) + std::string(href);
  if (href[0] == '?') return std::string(origin) + std::string(basePath) + std::string(href);
  const std::size_t tail = std::min(href.find_first_of("?#"), href.size());
  std::string path;
  if (href[0] == '/') {
    path = std::string(href.substr(0, tail));
  } else {
    const std::size_t slash = basePath.rfind('/');
    path = std::string(slash == std::string_view::npos ? "/" : basePath.substr(0, slash + 1)) +
           std::string(href.substr(0, tail));
  }
  return std::string(origin) + RemoveDotSegments(path) + std::string(href.substr(tail));
}

bool FollowsLink(std::string_view address) {
  const std::string lower = AsciiLower(Trim(address));
  for (const char* inert : {"javascript:", "vbscript:", "data:", "file:"}) {
    if (lower.rfind(inert, 0) == 0) return false;
  }
  return true;
}

long Utf16Length(std::string_view utf8) { return static_cast<long>(Utf8ToUtf16(utf8).size()); }

}  // namespace vorn2::standin
