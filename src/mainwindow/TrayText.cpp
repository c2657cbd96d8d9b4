#include "mainwindow/TrayText.h"

#include "framework/Text.h"

namespace vorn2 {

std::u16string FillTrayField(std::string_view text, std::size_t fieldUnits) {
  if (fieldUnits == 0) return {};
  std::u16string field = TruncateUtf16(Utf8ToUtf16(text), fieldUnits - 1);
  field.push_back(u'\0');
  field.resize(fieldUnits, u' ');
  return field;
}

}  // namespace vorn2
