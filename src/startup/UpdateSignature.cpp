#include "startup/UpdateSignature.h"

#include <algorithm>

namespace vorn2 {

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (std::size_t i = 0; i < text.size() - padding; ++i) {
    const int v = Base64Value(text[i]);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    if (++count == 4) {
      out.push_back(static_cast<std::uint8_t>(bits >> 16));
      out.push_back(static_cast<std::uint8_t>(bits >> 8));
      out.push_back(static_cast<std::uint8_t>(bits));
      bits = 0;
      count = 0;
    }
  }
  // Two or three characters before the padding; the bits they carry past
  // the last whole byte must be zero, so each byte string has one text.
  if (count == 2) {
    if (bits & 0xf) return std::nullopt;
    out.push_back(static_cast<std::uint8_t>(bits >> 4));
  } else if (count == 3) {
    if (bits & 0x3) return std::nullopt;
    out.push_back(static_cast<std::uint8_t>(bits >> 10));
    out.push_back(static_cast<std::uint8_t>(bits >> 2));
  }
  return out;
}

std::optional<std::string> SignedUpdateText(const UpdateManifest& m) {
  if (m.version.empty() || m.sha256.empty() || !m.length) return std::nullopt;
  std::string text = "vorn2-update\nversion=" + m.version + "\nsha256=" + m.sha256 +
                     "\nlength=" + std::to_string(*m.length) + "\n";
  if (!m.url.empty()) text += "url=" + m.url + "\n";
  return text;
}

std::optional<SignedUpdate> SignedPartOf(const UpdateManifest& m) {
  std::optional<std::string> text = SignedUpdateText(m);
  if (!text || !m.sig) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> raw = DecodeBase64(*m.sig);
  if (!raw || raw->size() != kUpdateSignatureBytes) return std::nullopt;
  SignedUpdate signedPart;
  signedPart.text = std::move(*text);
  std::copy(raw->begin(), raw->end(), signedPart.signature.begin());
  return signedPart;
}

}  // namespace vorn2
