// UTF-8 <-> UTF-16 conversion for the portable core. The core keeps text as
// UTF-8; the Windows layer converts at the API boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorn2 {

// Invalid sequences become U+FFFD instead of being dropped, so lengths stay
// predictable for callers that measure text.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// At most maxUnits UTF-16 units, never ending in the first half of a
// surrogate pair (fixed-size buffers such as the tray tip).
std::u16string TruncateUtf16(std::u16string_view text, std::size_t maxUnits);

// ASCII-only lower casing, as used for keys and protocol text.
std::string AsciiLower(std::string_view text);

}  // namespace vorn2
