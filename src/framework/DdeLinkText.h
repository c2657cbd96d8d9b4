// How the DDE link reads an execute's command text. Clients send ANSI text
// (the system code page, 936 on a Chinese system) or UTF-16, and the system
// converts between the two only in some cases, so the bytes themselves decide:
//
// - The ANSI reading ends at the first zero byte; the UTF-16 reading at the
//   first zero unit (two zero bytes at an even offset). Either may instead
//   end with the data.
// - When the UTF-16 reading does not run past the ANSI reading's end (no
//   zero byte inside the text), the text is ANSI: ANSI text never holds a
//   zero byte, and code page 936's trail bytes are never zero.
// - Otherwise it is UTF-16 when at least half of its units are U+0001 to
//   U+00FF (each of them has a zero byte: every URL sent as UTF-16 qualifies);
//   else it is ANSI text followed by leftovers of the client's buffer.
//
// A UTF-16 text without a single Latin character cannot be told apart from
// ANSI and is read as ANSI; no web address has that form.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace vorn2 {

enum class DdeTextForm { Ansi, Utf16 };

struct DdeTextShape {
  DdeTextForm form = DdeTextForm::Ansi;
  std::size_t length = 0;  // bytes (ANSI) or UTF-16 units, without the terminator
  bool operator==(const DdeTextShape&) const = default;
};

DdeTextShape DetectDdeText(std::span<const unsigned char> data);

// The same reading of at most the first maxBytes of the data (an even count
// is read); nothing when the text runs on past them. The client decides how
// large the data is, so an oversized command is refused before it is read
// in full, let alone converted.
std::optional<DdeTextShape> DetectDdeText(std::span<const unsigned char> data, std::size_t maxBytes);

}  // namespace vorn2
