// Checks a version file's signature with the system's own cryptography
// (CNG from bcrypt.dll in the system folder): ECDSA over P-256, SHA-256 of
// the signed text.
#pragma once

#include <string_view>

#include "startup/UpdateSignature.h"

namespace vorn2 {

// True only when `signature` is `key`'s signature of `text`. False too when
// the key is not a point of the curve or CNG is missing.
bool VerifyUpdateSignature(const UpdatePublicKey& key, std::string_view text,
                           const std::array<std::uint8_t, kUpdateSignatureBytes>& signature);

// The whole check of a version file: it carries a well-formed sig line that
// verifies with `key` over its version, hash, length and address.
bool IsSignedBy(const UpdateManifest& manifest, const UpdatePublicKey& key);

}  // namespace vorn2
