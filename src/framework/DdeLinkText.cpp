#include "framework/DdeLinkText.h"

namespace vorn2 {

DdeTextShape DetectDdeText(std::span<const unsigned char> data) {
  std::size_t ansiEnd = 0;
  while (ansiEnd < data.size() && data[ansiEnd] != 0) ++ansiEnd;

  const std::size_t unitCount = data.size() / 2;
  std::size_t units = 0;
  std::size_t latin = 0;
  for (; units < unitCount; ++units) {
    const unsigned char low = data[2 * units];
    const unsigned char high = data[2 * units + 1];
    if (low == 0 && high == 0) break;
    if (high == 0) ++latin;
  }

  if (2 * units <= ansiEnd + 1 || 2 * latin < units) return {DdeTextForm::Ansi, ansiEnd};
  return {DdeTextForm::Utf16, units};
}

}  // namespace vorn2
