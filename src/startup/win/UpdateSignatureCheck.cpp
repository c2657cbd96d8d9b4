#include "startup/win/UpdateSignatureCheck.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <optional>

#include "framework/win/SystemLibrary.h"

namespace vorn2 {

namespace {

std::optional<std::array<std::uint8_t, 32>> Sha256Of(const BCryptFunctions& cng, std::string_view text) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::optional<std::array<std::uint8_t, 32>> result;
  std::array<std::uint8_t, 32> digest{};
  if (BCRYPT_SUCCESS(cng.BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(cng.BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
      BCRYPT_SUCCESS(cng.BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(text.data())),
                                        static_cast<ULONG>(text.size()), 0)) &&
      BCRYPT_SUCCESS(cng.BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
    result = digest;
  }
  if (hash) cng.BCryptDestroyHash(hash);
  if (algorithm) cng.BCryptCloseAlgorithmProvider(algorithm, 0);
  return result;
}

}  // namespace

bool VerifyUpdateSignature(const UpdatePublicKey& key, std::string_view text,
                           const std::array<std::uint8_t, kUpdateSignatureBytes>& signature) {
  const BCryptFunctions* cng = BCrypt();
  if (!cng || text.size() > 0xffffffffu) return false;
  const std::optional<std::array<std::uint8_t, 32>> digest = Sha256Of(*cng, text);
  if (!digest) return false;

  // The public key blob: its header, then x and y.
  std::array<std::uint8_t, sizeof(BCRYPT_ECCKEY_BLOB) + kUpdatePublicKeyBytes> blob{};
  const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kUpdatePublicKeyBytes / 2};
  std::memcpy(blob.data(), &header, sizeof(header));
  std::memcpy(blob.data() + sizeof(header), key.data(), key.size());

  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_KEY_HANDLE handle = nullptr;
  bool verified = false;
  if (BCRYPT_SUCCESS(cng->BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(cng->BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob.data(),
                                              static_cast<ULONG>(blob.size()), 0))) {
    std::array<std::uint8_t, 32> hashCopy = *digest;
    std::array<std::uint8_t, kUpdateSignatureBytes> signatureCopy = signature;
    verified = BCRYPT_SUCCESS(cng->BCryptVerifySignature(handle, nullptr, hashCopy.data(),
                                                         static_cast<ULONG>(hashCopy.size()), signatureCopy.data(),
                                                         static_cast<ULONG>(signatureCopy.size()), 0));
  }
  if (handle) cng->BCryptDestroyKey(handle);
  if (algorithm) cng->BCryptCloseAlgorithmProvider(algorithm, 0);
  return verified;
}

bool IsSignedBy(const UpdateManifest& manifest, const UpdatePublicKey& key) {
  const std::optional<SignedUpdate> signedPart = SignedPartOf(manifest);
  return signedPart && VerifyUpdateSignature(key, signedPart->text, signedPart->signature);
}

}  // namespace vorn2
