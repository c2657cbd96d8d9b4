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

std::optional<DdeTextShape> DetectDdeText(std::span<const unsigned char> data, std::size_t maxBytes) {
  if (data.size() <= maxBytes) return DetectDdeText(data);
  // Even, so a UTF-16 text that fills it is cut between two units.
  const std::size_t window = maxBytes & ~std::size_t{1};
  const DdeTextShape shape = DetectDdeText(data.first(window));
  const std::size_t bytes = shape.form == DdeTextForm::Utf16 ? 2 * shape.length : shape.length;
  if (bytes >= window) return std::nullopt;
  return shape;
}

}  // namespace vorn2
