// The tray icon's identity and its fixed-size text fields. The record is the
// Unicode one, so the text limits are counts of UTF-16 units: a field of N
// units holds at most N - 1 units of text and its terminating NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn2 {

// Mouse actions on the icon reach the owner window as this message, with the
// mouse message in lParam.
inline constexpr std::uint32_t kTrayCallbackMessage = 0x1862;
inline constexpr std::uint32_t kTrayIconId = 1000;

inline constexpr std::size_t kTrayTipUnits = 128;
inline constexpr std::size_t kTrayInfoUnits = 256;
inline constexpr std::size_t kTrayInfoTitleUnits = 64;

// The whole field for a text (UTF-8): the text cut to fieldUnits - 1 units
// (never inside a surrogate pair), a NUL, then blanks up to fieldUnits.
std::u16string FillTrayField(std::string_view text, std::size_t fieldUnits);

}  // namespace vorn2
