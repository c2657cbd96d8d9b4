// Pages as a server may send them to the stand-in page view: any header,
// any bytes. What is read stays text, every link has an address, and the
// root's length never exceeds the document's.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "standin/PageReading.h"

using namespace vorn2::standin;

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

void CheckRead(const ReadPage& page, long documentLength) {
  FUZZ_CHECK(IsValidUtf8(page.title));
  FUZZ_CHECK(page.rootInnerLength >= 0 && page.rootInnerLength <= documentLength);
  for (const PageLine& line : page.lines) {
    FUZZ_CHECK(IsValidUtf8(line.text));
    if (line.address.empty()) continue;
    FUZZ_CHECK(!line.text.empty() && IsValidUtf8(line.address));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Each line keeps its text twice at most (the line and its decoded copy)
  // and every attribute is lower-cased once per lookup.
  vorn2::fuzz::MemoryBound bound(size, 64);
  FuzzedDataProvider in(data, size);
  const std::string contentType = in.ConsumeRandomLengthString(48);
  std::string base = in.ConsumeRandomLengthString(48);
  if (!IsValidUtf8(base)) base.clear();  // the view's addresses are UTF-8 from UTF-16
  const std::string bytes = in.ConsumeRemainingBytesAsString();

  KindOf(contentType, bytes);
  const Charset charset = ChooseCharset(contentType, bytes);
  if (charset == Charset::Utf8) FUZZ_CHECK(IsValidUtf8(bytes));
  if (!IsValidUtf8(bytes)) return 0;  // the view reads only decoded text

  const long length = Utf16Length(bytes);
  CheckRead(ReadHtml(bytes, base), length);
  CheckRead(ReadHtml(bytes, "http://127.0.0.1:18080/game/index.php?server=1"), length);
  const ReadPage text = ReadText(bytes);
  CheckRead(text, length);
  std::size_t rows = 0;
  for (const char c : bytes) rows += c == '\n';
  if (!bytes.empty() && bytes.back() != '\n') ++rows;
  FUZZ_CHECK(text.lines.size() == rows);

  // An address without a scheme of its own stays a web address of the document's.
  std::string href = bytes.substr(0, 256);
  while (!href.empty() && Blank(href.back())) href.pop_back();
  while (!href.empty() && Blank(href.front())) href.erase(href.begin());
  if (!IsValidUtf8(href)) return 0;  // cut inside a character
  const std::string resolved = ResolveAddress("http://h.test/a/b?c#d", bytes.substr(0, 256));
  FUZZ_CHECK(IsValidUtf8(resolved));
  FUZZ_CHECK(resolved.rfind("http://", 0) == 0 || resolved == href);
  return 0;
}
