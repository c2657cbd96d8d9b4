// SHA-256 of a file with Windows CNG.
#pragma once

#include <optional>
#include <string>

namespace vorn2::updater {

// Lower-case hex digest; nothing when the file cannot be read.
std::optional<std::string> Sha256OfFile(const std::wstring& path);

}  // namespace vorn2::updater
