#include "framework/win/SystemLibrary.h"

#include <optional>
#include <string>

namespace vorn2 {
namespace {

// Windows 7 has the search flags only with KB2533623; its kernel32 then
// exports these functions.
bool SearchFlagsAvailable() {
  return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
}

template <typename Table>
const Table* LoadTable(const wchar_t* fileName) {
  static const std::optional<Table> table = [fileName]() -> std::optional<Table> {
    Table t;
    if (!t.Resolve(LoadSystemLibrary(fileName))) return std::nullopt;
    return t;
  }();
  return table ? &*table : nullptr;
}

}  // namespace

bool RestrictLibrarySearchToSystem() {
  decltype(&::SetDefaultDllDirectories) restrict = nullptr;
  return system_library::Resolve(GetModuleHandleW(L"kernel32.dll"), restrict, "SetDefaultDllDirectories") &&
         restrict(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  // The flag also keeps the library's own dependencies to the system folder.
  if (SearchFlagsAvailable()) return LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  wchar_t folder[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  // A full path, and its dependencies looked for beside it first.
  const std::wstring path = std::wstring(folder, n) + L"\\" + fileName;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

const WinInetFunctions* WinInet() { return LoadTable<WinInetFunctions>(L"wininet.dll"); }
const UrlCacheFunctions* UrlCache() { return LoadTable<UrlCacheFunctions>(L"wininet.dll"); }
const UrlCacheGroupFunctions* UrlCacheGroups() { return LoadTable<UrlCacheGroupFunctions>(L"wininet.dll"); }
const VersionFunctions* VersionInfo() { return LoadTable<VersionFunctions>(L"version.dll"); }
const BCryptFunctions* BCrypt() { return LoadTable<BCryptFunctions>(L"bcrypt.dll"); }
const CommonControlsFunctions* CommonControls() { return LoadTable<CommonControlsFunctions>(L"comctl32.dll"); }
const AccessibilityFunctions* Accessibility() { return LoadTable<AccessibilityFunctions>(L"oleacc.dll"); }

}  // namespace vorn2
