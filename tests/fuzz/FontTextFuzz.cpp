// The button's persisted caption font ("cFont"): any text a saved form holds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "controls/iButtonLogic.h"
#include "fuzz/FuzzSupport.h"

using namespace vorn2;

namespace {

void CheckRead(const std::string& text) {
  FontDesc font;
  font.name = "unchanged";
  const FontDesc before = font;
  if (!FontDescFromText(text, font)) {
    FUZZ_CHECK(font == before);
    return;
  }
  FUZZ_CHECK(font.sizePoints > 0 && font.sizePoints <= 1638);
  FUZZ_CHECK(font.weight >= 0 && font.weight <= 1000);
  FUZZ_CHECK(font.charset >= 0 && font.charset <= 255);
  FUZZ_CHECK(!font.name.empty());
  // The name is the text after the sixth separator, kept as it is.
  FUZZ_CHECK(text.size() >= font.name.size() && text.compare(text.size() - font.name.size(), font.name.size(), font.name) == 0);
  // Writing what was read gives a text that reads back to itself.
  const std::string written = FontDescToText(font);
  FontDesc again;
  FUZZ_CHECK(FontDescFromText(written, again));
  FUZZ_CHECK(FontDescToText(again) == written);
  FUZZ_CHECK(again.name == font.name && again.weight == font.weight && again.charset == font.charset);
  FUZZ_CHECK(again.italic == font.italic && again.underline == font.underline &&
             again.strikethrough == font.strikethrough);
}

// A font the control can hold survives the write and read unchanged (sizes
// in tenths of a point, as the font dialog offers them).
void CheckRoundTrip(FuzzedDataProvider& in) {
  FontDesc font;
  font.sizePoints = in.ConsumeIntegralInRange(1, 16380) / 10.0;
  font.weight = in.ConsumeIntegralInRange(0, 1000);
  font.italic = in.ConsumeBool();
  font.underline = in.ConsumeBool();
  font.strikethrough = in.ConsumeBool();
  font.charset = in.ConsumeIntegralInRange(0, 255);
  font.name = in.ConsumeRandomLengthString(64);
  if (font.name.empty()) font.name = "宋体";
  FontDesc back;
  FUZZ_CHECK(FontDescFromText(FontDescToText(font), back));
  FUZZ_CHECK(back == font);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryBound bound(size, 64);
  CheckRead(std::string(reinterpret_cast<const char*>(data), size));
  FuzzedDataProvider in(data, size);
  CheckRoundTrip(in);
  return 0;
}
