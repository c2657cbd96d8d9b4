// What the operator's key signs in a version file. The signature (ECDSA over
// P-256 with SHA-256, written as base64 of the raw r||s) covers one text
// made of the version, the client's SHA-256, its length and its download
// address when the file names one, so none of them can be swapped for
// another. The updater verifies it before it downloads anything.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "startup/VersionFile.h"

namespace vorn2 {

inline constexpr std::size_t kUpdateSignatureBytes = 64;  // r || s, 32 bytes each, big-endian
inline constexpr std::size_t kUpdatePublicKeyBytes = 64;  // x || y of the point, big-endian
using UpdatePublicKey = std::array<std::uint8_t, kUpdatePublicKeyBytes>;

// Standard base64 with its '=' padding, nothing else (no blanks, no line
// breaks, no other alphabet, zero bits where the padding leaves some over).
// Nothing when the text is not that.
std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

// The signed text, one "key=value" line each, LF ended:
//   vorn2-update\n version=V\n sha256=H\n length=N\n [url=U\n]
// Nothing when the version, the hash or the length is missing or malformed.
std::optional<std::string> SignedUpdateText(const UpdateManifest& manifest);

struct SignedUpdate {
  std::string text;
  std::array<std::uint8_t, kUpdateSignatureBytes> signature{};
};

// The text and the signature to check; nothing when the file lacks either
// or its sig line does not hold 64 bytes in base64.
std::optional<SignedUpdate> SignedPartOf(const UpdateManifest& manifest);

}  // namespace vorn2
