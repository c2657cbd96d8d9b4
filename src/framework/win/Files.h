// Small file helpers shared by the client and the updater.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vorn2 {

// The file's bytes, at most about maxBytes of them (small text files such as
// the version file; a runaway file is not read to its end). nullopt when the
// file cannot be opened.
std::optional<std::string> ReadFileHead(const std::wstring& path, std::size_t maxBytes = 1u << 20);

}  // namespace vorn2
