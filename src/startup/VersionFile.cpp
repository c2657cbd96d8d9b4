#include "startup/VersionFile.h"

#include "framework/Text.h"

namespace vorn2 {

std::vector<std::string_view> SplitVersionFileLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

static std::string_view TrimChars(std::string_view s, std::string_view chars) {
  std::size_t b = s.find_first_not_of(chars);
  if (b == std::string_view::npos) return {};
  std::size_t e = s.find_last_not_of(chars);
  return s.substr(b, e - b + 1);
}

namespace {

// The line with each double-byte character's second byte masked, so that a
// trail byte that happens to be an ASCII letter cannot take part in a match.
std::string SearchableLine(std::string_view line, LeadByteTest isLeadByte) {
  std::string out = AsciiLower(line);
  if (!isLeadByte) return out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) out[++i] = '\x01';
  }
  return out;
}

// Byte offset of the character after the first n characters.
std::size_t SkipCharacters(std::string_view line, std::size_t n, LeadByteTest isLeadByte) {
  std::size_t i = 0;
  for (; n > 0 && i < line.size(); --n) {
    i += isLeadByte && isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
  }
  return i;
}

}  // namespace

std::optional<std::string> FindVersionValue(std::string_view text, LeadByteTest isLeadByte) {
  for (std::string_view line : SplitVersionFileLines(text)) {
    if (SearchableLine(line, isLeadByte).find("version") == std::string::npos) continue;
    return std::string(TrimChars(line.substr(SkipCharacters(line, 8, isLeadByte)), " "));
  }
  return std::nullopt;
}

std::string FormatLocalVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t fourth) {
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(fourth);
}

std::optional<std::array<std::uint16_t, 3>> ParseVersionNumbers(std::string_view text) {
  std::array<std::uint16_t, 3> numbers{};
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const std::size_t end = i + 1 < numbers.size() ? text.find('.') : text.size();
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view digits = text.substr(0, end);
    if (digits.empty() || digits.size() > 5 || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value > 65535) return std::nullopt;
    numbers[i] = static_cast<std::uint16_t>(value);
    text.remove_prefix(end == text.size() ? end : end + 1);
  }
  return numbers;
}

bool IsNewerVersion(std::string_view remote, std::string_view local) {
  const auto theirs = ParseVersionNumbers(remote);
  const auto ours = ParseVersionNumbers(local);
  return theirs && ours && *theirs > *ours;
}

static bool IsHexDigits(std::string_view s) {
  for (char c : s) {
    bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

// Digits only, no leading zero, at most 2^63 - 1: one text per number.
static std::optional<std::uint64_t> ParseDecimal(std::string_view s) {
  if (s.empty() || s.size() > 19 || (s.size() > 1 && s[0] == '0')) return std::nullopt;
  std::uint64_t n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (n > 0x7fffffffffffffffULL) return std::nullopt;
  return n;
}

UpdateManifest ParseUpdateManifest(std::string_view text) {
  UpdateManifest m;
  bool haveVersion = false, haveUrl = false, haveHash = false, haveLength = false;
  for (std::string_view line : SplitVersionFileLines(text)) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string key = AsciiLower(TrimChars(line.substr(0, eq), " \t"));
    std::string_view value = TrimChars(line.substr(eq + 1), " \t");
    if (key == "version" && !haveVersion) {
      m.version = std::string(value);
      haveVersion = true;
    } else if (key == "url" && !haveUrl) {
      m.url = std::string(value);
      haveUrl = true;
    } else if (key == "sha256" && !haveHash) {
      haveHash = true;
      if (value.size() == 64 && IsHexDigits(value)) {
        m.sha256 = AsciiLower(value);
      } else {
        m.sha256Malformed = true;
      }
    } else if (key == "length" && !haveLength) {
      haveLength = true;
      m.length = ParseDecimal(value);
      m.lengthMalformed = !m.length;
    } else if (key == "sig" && !m.sig) {
      m.sig = std::string(value);
    }
  }
  return m;
}

}  // namespace vorn2
