// The one place where libraries other than the system's "known" ones
// (kernel32, user32, gdi32, shell32, ole32, ...) are loaded. A library named
// in an import table is looked for in the program's own folder first, and the
// updater runs from the temporary folder, where anyone can leave a
// "wininet.dll". So these are loaded at run time from the system folder only
// and their functions resolved here, typed from the SDK's declarations.
//
// A table is resolved on first use and kept, with its library, for the rest
// of the process. It is nullptr when the library is missing from the system
// folder or lacks any function in its list, so list only functions that every
// supported Windows has. To use another function, add one line to its list.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <commctrl.h>
#include <oleacc.h>
#include <wininet.h>
#include <winver.h>

namespace vorn2 {

// Makes the system folder the only folder that later loads by name search
// (the program's folder, the current folder and PATH drop out), also for the
// loads system libraries make on the program's behalf. Called first thing in
// WinMain. False where the system lacks it (Windows 7 without KB2533623);
// the tables below are still loaded from the system folder there.
bool RestrictLibrarySearchToSystem();

// `fileName` (e.g. L"wininet.dll") from the system folder; nullptr when it
// is not there.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

#define VORN2_WININET_FUNCTIONS(X) \
  X(InternetGetConnectedState)     \
  X(InternetOpenW)                 \
  X(InternetOpenUrlW)              \
  X(InternetCrackUrlW)             \
  X(InternetConnectW)              \
  X(HttpOpenRequestW)              \
  X(HttpSendRequestW)              \
  X(HttpQueryInfoW)                \
  X(InternetReadFile)              \
  X(InternetQueryDataAvailable)    \
  X(InternetSetOptionW)            \
  X(InternetCloseHandle)

// The cache entries; the group functions in a table of their own, since a
// system may lack them (the clearing then has no groups to delete).
#define VORN2_URLCACHE_FUNCTIONS(X) \
  X(FindFirstUrlCacheEntryW)        \
  X(FindNextUrlCacheEntryW)         \
  X(DeleteUrlCacheEntryW)           \
  X(FindCloseUrlCache)

#define VORN2_URLCACHE_GROUP_FUNCTIONS(X) \
  X(FindFirstUrlCacheGroup)               \
  X(FindNextUrlCacheGroup)                \
  X(DeleteUrlCacheGroup)

#define VORN2_VERSION_FUNCTIONS(X) \
  X(GetFileVersionInfoSizeW)       \
  X(GetFileVersionInfoW)           \
  X(VerQueryValueW)

#define VORN2_BCRYPT_FUNCTIONS(X)  \
  X(BCryptOpenAlgorithmProvider)   \
  X(BCryptCreateHash)              \
  X(BCryptHashData)                \
  X(BCryptFinishHash)              \
  X(BCryptDestroyHash)             \
  X(BCryptImportKeyPair)           \
  X(BCryptVerifySignature)         \
  X(BCryptDestroyKey)              \
  X(BCryptCloseAlgorithmProvider)

#define VORN2_COMCTL32_FUNCTIONS(X) X(InitCommonControlsEx) X(_TrackMouseEvent)

// The accessible objects of the drawn controls: the system's object of a
// window, and the answer to WM_GETOBJECT.
#define VORN2_OLEACC_FUNCTIONS(X) X(CreateStdAccessibleObject) X(LresultFromObject)

namespace system_library {
template <typename Function>
bool Resolve(HMODULE module, Function& function, const char* name) {
  // Through void*: FARPROC and the real signature are unrelated types.
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}
}  // namespace system_library

#define VORN2_SYSTEM_FUNCTION_MEMBER(name) decltype(&::name) name = nullptr;
#define VORN2_SYSTEM_FUNCTION_RESOLVE(name) ok = system_library::Resolve(module, name, #name) && ok;
#define VORN2_SYSTEM_TABLE(Table, list)     \
  struct Table {                            \
    list(VORN2_SYSTEM_FUNCTION_MEMBER)      \
    bool Resolve(HMODULE module) {          \
      bool ok = module != nullptr;          \
      if (ok) {                             \
        list(VORN2_SYSTEM_FUNCTION_RESOLVE) \
      }                                     \
      return ok;                            \
    }                                       \
  };

VORN2_SYSTEM_TABLE(WinInetFunctions, VORN2_WININET_FUNCTIONS)
VORN2_SYSTEM_TABLE(UrlCacheFunctions, VORN2_URLCACHE_FUNCTIONS)
VORN2_SYSTEM_TABLE(UrlCacheGroupFunctions, VORN2_URLCACHE_GROUP_FUNCTIONS)
VORN2_SYSTEM_TABLE(VersionFunctions, VORN2_VERSION_FUNCTIONS)
VORN2_SYSTEM_TABLE(BCryptFunctions, VORN2_BCRYPT_FUNCTIONS)
VORN2_SYSTEM_TABLE(CommonControlsFunctions, VORN2_COMCTL32_FUNCTIONS)
VORN2_SYSTEM_TABLE(AccessibilityFunctions, VORN2_OLEACC_FUNCTIONS)

const WinInetFunctions* WinInet();                 // wininet.dll
const UrlCacheFunctions* UrlCache();               // wininet.dll
const UrlCacheGroupFunctions* UrlCacheGroups();    // wininet.dll
const VersionFunctions* VersionInfo();             // version.dll
const BCryptFunctions* BCrypt();                   // bcrypt.dll
const CommonControlsFunctions* CommonControls();  // comctl32.dll
const AccessibilityFunctions* Accessibility();     // oleacc.dll

}  // namespace vorn2
