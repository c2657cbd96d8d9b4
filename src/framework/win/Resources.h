// Reading the executable's own resources.
#pragma once

#include <windows.h>

#include <vector>

namespace vorn2 {

// Bytes of a resource (numeric id, named or numeric type) in the resource
// language of the client (Chinese PRC), falling back to any language.
// Empty when missing.
std::vector<unsigned char> ReadResourceBytes(int id, const wchar_t* type, HMODULE module = nullptr);

// An icon from the bytes of a complete .ico file, the entry closest to size
// (at least as large when there is one). nullptr for malformed data.
HICON IconFromIcoBytes(const std::vector<unsigned char>& ico, int size);

}  // namespace vorn2
