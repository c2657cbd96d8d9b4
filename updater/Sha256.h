// SHA-256 with Windows CNG.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vorn2::updater {

// Lower-case hex digest; nothing when the file cannot be read.
std::optional<std::string> Sha256OfFile(const std::wstring& path);
// Lower-case hex digest of the bytes; nothing without CNG.
std::optional<std::string> Sha256OfBytes(const void* data, std::size_t size);

}  // namespace vorn2::updater
