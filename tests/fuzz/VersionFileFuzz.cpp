// The version file as the update server might send it: any bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Text.h"
#include "fuzz/FuzzSupport.h"
#include "startup/UpdateSignature.h"
#include "startup/VersionFile.h"

using namespace vorn2;

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

bool HasLineEnd(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The lines cover the text in order, with exactly one line end (CR LF, CR or
// LF) between neighbours and at most one after the last.
void CheckLines(std::string_view text) {
  const auto lines = SplitVersionFileLines(text);
  std::size_t pos = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    FUZZ_CHECK(line.data() >= text.data() && line.data() + line.size() <= text.data() + text.size());
    FUZZ_CHECK(!HasLineEnd(line));
    FUZZ_CHECK(static_cast<std::size_t>(line.data() - text.data()) == pos);
    pos += line.size();
    const bool last = i + 1 == lines.size();
    if (pos == text.size()) {
      FUZZ_CHECK(last);
      break;
    }
    FUZZ_CHECK(IsLineEnd(text[pos]));
    pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
    if (last) FUZZ_CHECK(pos == text.size());
  }
  if (lines.empty()) FUZZ_CHECK(text.empty());
}

bool NamesVersion(std::string_view line) { return AsciiLower(line).find("version") != std::string::npos; }

void CheckVersionValue(std::string_view text) {
  const auto value = FindVersionValue(text);
  bool named = false;
  for (std::string_view line : SplitVersionFileLines(text)) named = named || NamesVersion(line);
  FUZZ_CHECK(value.has_value() == named);
  if (!value) return;
  FUZZ_CHECK(!HasLineEnd(*value));
  FUZZ_CHECK(value->empty() || (value->front() != ' ' && value->back() != ' '));
  FUZZ_CHECK(text.find(*value) != std::string_view::npos);
}

bool IsLowerHex(std::string_view s) {
  return s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

void CheckManifest(std::string_view text) {
  const UpdateManifest m = ParseUpdateManifest(text);
  for (const std::string* value : {&m.version, &m.url}) {
    FUZZ_CHECK(!HasLineEnd(*value));
    FUZZ_CHECK(text.find(*value) != std::string_view::npos);
    if (!value->empty()) {
      FUZZ_CHECK(value->front() != ' ' && value->front() != '\t');
      FUZZ_CHECK(value->back() != ' ' && value->back() != '\t');
    }
  }
  FUZZ_CHECK(m.sha256.empty() || (m.sha256.size() == 64 && IsLowerHex(m.sha256)));
  FUZZ_CHECK(!(m.sha256Malformed && !m.sha256.empty()));
  // The file may only say what a key=value line says: no '=' means nothing.
  if (text.find('=') == std::string_view::npos) {
    FUZZ_CHECK(m.version.empty() && m.url.empty() && m.sha256.empty() && !m.sha256Malformed);
    FUZZ_CHECK(!m.length && !m.sig);
  }
  FUZZ_CHECK(!(m.length && m.lengthMalformed));
  // The signed text has one line per field: no value can add a line of its own.
  if (const auto signedText = SignedUpdateText(m)) {
    const auto lines = static_cast<std::size_t>(std::count(signedText->begin(), signedText->end(), '\n'));
    FUZZ_CHECK(lines == (m.url.empty() ? 4u : 5u));
    FUZZ_CHECK(signedText->find('\r') == std::string::npos);
  }
  if (m.sig) {
    const auto raw = DecodeBase64(*m.sig);
    if (raw) {
      const std::size_t padding = m.sig->empty() ? 0 : (m.sig->back() == '=') + (m.sig->size() > 1 && (*m.sig)[m.sig->size() - 2] == '=');
      FUZZ_CHECK(raw->size() == m.sig->size() / 4 * 3 - padding);
    }
    FUZZ_CHECK(SignedPartOf(m).has_value() == (SignedUpdateText(m) && raw && raw->size() == kUpdateSignatureBytes));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::MemoryBound bound(size, 64);
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckLines(text);
  CheckVersionValue(text);
  CheckManifest(text);
  return 0;
}
