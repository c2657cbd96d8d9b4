// The temporary folder's text rule, shared by everything that writes or
// reads a file there (the version file, the updater, the icon file).
#pragma once

#include <string>
#include <string_view>

namespace vorn2 {

// The temporary folder with exactly one trailing backslash: the text up to
// the first NUL, trailing backslashes folded into one (or one appended).
std::string NormalizeTempFolder(std::string_view path);

}  // namespace vorn2
