// DDE execute data from any program: how its text is read, and which
// commands open a tab.
#include <cstdint>
#include <span>
#include <string>

#include "framework/DdeLinkText.h"
#include "framework/Text.h"
#include "fuzz/FuzzSupport.h"
#include "mainwindow/DdeRequest.h"

using namespace vorn2;

namespace {

bool StartsWithScheme(const std::string& s) {
  const std::string lower = AsciiLower(s.substr(0, 8));
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

void CheckShape(std::span<const unsigned char> data) {
  const DdeTextShape shape = DetectDdeText(data);
  if (shape.form == DdeTextForm::Ansi) {
    FUZZ_CHECK(shape.length <= data.size());
    for (std::size_t i = 0; i < shape.length; ++i) FUZZ_CHECK(data[i] != 0);
    FUZZ_CHECK(shape.length == data.size() || data[shape.length] == 0);
  } else {
    FUZZ_CHECK(shape.length * 2 <= data.size());
    for (std::size_t i = 0; i < shape.length; ++i) FUZZ_CHECK(data[2 * i] != 0 || data[2 * i + 1] != 0);
  }
}

void CheckAcceptance(const std::string& command) {
  const std::optional<std::string> url = AcceptDdeUrl(command);
  if (!url) return;
  FUZZ_CHECK(StartsWithScheme(*url));
  const std::u16string units = Utf8ToUtf16(*url);
  FUZZ_CHECK(!units.empty() && units.size() <= kMaxDdeUrlUnits);
  for (char16_t c : units) FUZZ_CHECK(c >= 0x20 && c != 0x7F && !(c >= 0x80 && c <= 0x9F) && c != 0xFFFD);
  FUZZ_CHECK(command.find(*url) != std::string::npos);  // trimmed, never rewritten
  FUZZ_CHECK(AcceptDdeUrl(*url) == url);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryBound bound(size, 16);
  CheckShape(std::span<const unsigned char>(data, size));
  CheckAcceptance(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
