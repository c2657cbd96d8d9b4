// The executable's own resources: read, and written to files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vorn2 {

// Bytes of a resource (numeric id, named or numeric type) in the resource
// language of the client (Chinese PRC), falling back to any language.
// Empty when missing.
std::vector<unsigned char> ReadResourceBytes(int id, const wchar_t* type, HMODULE module = nullptr);

// An icon from the bytes of a complete .ico file, the entry closest to size
// (at least as large when there is one). nullptr for malformed data.
HICON IconFromIcoBytes(const std::vector<unsigned char>& ico, int size);

// Writes the resource's bytes to path, replacing (and truncating) whatever
// stood there. False when the resource is missing or the file could not be
// written completely (e.g. an earlier copy of the updater still running).
bool SaveResourceToFile(int id, const wchar_t* type, const std::wstring& path);

}  // namespace vorn2
