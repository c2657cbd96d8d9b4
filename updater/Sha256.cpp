#include "Sha256.h"

#include <functional>
#include <vector>

#include "framework/win/Handles.h"
#include "framework/win/SystemLibrary.h"

namespace vorn2::updater {

namespace {

// The digest of what `feed` hands to its sink, one piece after another;
// nothing when CNG is missing or `feed` fails.
std::optional<std::string> Sha256Of(const std::function<bool(const std::function<bool(const void*, ULONG)>&)>& feed) {
  const BCryptFunctions* cng = BCrypt();
  if (!cng) return std::nullopt;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::optional<std::string> result;
  if (BCRYPT_SUCCESS(cng->BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(cng->BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
    const bool ok = feed([&](const void* data, ULONG size) {
      return BCRYPT_SUCCESS(cng->BCryptHashData(hash, static_cast<PUCHAR>(const_cast<void*>(data)), size, 0));
    });
    unsigned char digest[32];
    if (ok && BCRYPT_SUCCESS(cng->BCryptFinishHash(hash, digest, sizeof(digest), 0))) {
      static const char kHex[] = "0123456789abcdef";
      std::string hex;
      for (unsigned char b : digest) {
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 15]);
      }
      result = hex;
    }
  }
  if (hash) cng->BCryptDestroyHash(hash);
  if (algorithm) cng->BCryptCloseAlgorithmProvider(algorithm, 0);
  return result;
}

}  // namespace

std::optional<std::string> Sha256OfFile(const std::wstring& path) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  return Sha256Of([&](const std::function<bool(const void*, ULONG)>& sink) {
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
      if (got == 0) return true;
      if (!sink(buffer.data(), got)) return false;
    }
  });
}

std::optional<std::string> Sha256OfBytes(const void* data, std::size_t size) {
  return Sha256Of(
      [&](const std::function<bool(const void*, ULONG)>& sink) { return sink(data, static_cast<ULONG>(size)); });
}

}  // namespace vorn2::updater
