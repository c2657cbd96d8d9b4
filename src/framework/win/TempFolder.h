// The user's temporary folder, where the version file, the updater and the
// icon file go (framework/TempFolder.h holds the text rule).
#pragma once

#include <windows.h>

#include <string>

namespace vorn2 {

// The user's temporary folder, ending in exactly one backslash.
std::wstring GetTempFolder();
// The icon file the login window writes and the game window reads.
std::wstring IconFilePath();
// The same from a query shaped like GetTempPathW, read in full however long
// the path is.
using TempPathQuery = DWORD(WINAPI*)(DWORD size, LPWSTR buffer);
std::wstring TempFolderFrom(TempPathQuery query);

}  // namespace vorn2
