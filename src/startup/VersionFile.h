// The version file "update.txt": which line names the version, what the
// value is, and the further lines the updater reads.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn2 {

// Lines ended by CR LF, a lone LF or a lone CR; a last line without an end
// counts too. Bytes are kept as they are (the file is ANSI text).
std::vector<std::string_view> SplitVersionFileLines(std::string_view text);

// Whether a byte starts a double-byte character in the system's ANSI code
// page (936 on Chinese systems); nullptr for a single-byte code page.
using LeadByteTest = bool (*)(unsigned char byte);

// The value of the version line: the first line whose lower-cased text
// contains "version", from its 9th character on, with spaces (and only
// spaces) removed at both ends. Characters are those of the code page: a
// double-byte character counts once. Nothing when no line names the version.
std::optional<std::string> FindVersionValue(std::string_view text, LeadByteTest isLeadByte = nullptr);

// "major.minor.fourth" of a file version, plain decimal numbers.
std::string FormatLocalVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t fourth);

// A different text, whatever it is, is a new version.
inline bool IsOtherVersion(std::string_view remote, std::string_view local) { return remote != local; }

// "major.minor.patch" as FormatLocalVersion writes it: three decimal numbers
// of at most 65535, without signs, blanks or leading zeros. Nothing for any
// other text.
std::optional<std::array<std::uint16_t, 3>> ParseVersionNumbers(std::string_view text);

// Versions only go up: true only when both are versions and remote is the
// higher one, number by number (1.10.0 is above 1.9.0). A text that is not a
// version is never newer, and neither is a local version that cannot be read.
bool IsNewerVersion(std::string_view remote, std::string_view local);

// What the updater needs from the version file: "key=value" lines, keys in
// any case, blanks around key and value ignored. A key given twice keeps
// its first value.
struct UpdateManifest {
  std::string version;
  std::string url;
  std::string sha256;  // lower-case hex, empty when absent
  bool sha256Malformed = false;  // a sha256 line that is not 64 hex digits
  std::optional<std::uint64_t> length;  // the client's size in bytes
  bool lengthMalformed = false;  // a length line that is not a plain decimal number
  std::optional<std::string> sig;  // the sig line's value as written
};
UpdateManifest ParseUpdateManifest(std::string_view text);

}  // namespace vorn2
