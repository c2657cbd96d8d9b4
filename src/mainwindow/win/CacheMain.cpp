#include "mainwindow/win/CacheMain.h"

#include <windows.h>
#include <wininet.h>

#include "framework/win/SystemLibrary.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

HANDLE H(IUrlCache::Handle h) { return reinterpret_cast<HANDLE>(h); }
IUrlCache::Handle I(HANDLE h) { return reinterpret_cast<IUrlCache::Handle>(h); }

}  // namespace

bool WinInetUrlCache::HasFindFirstGroup() { return UrlCacheGroups() != nullptr; }
bool WinInetUrlCache::HasDeleteGroup() { return UrlCacheGroups() != nullptr; }

IUrlCache::Handle WinInetUrlCache::FindFirstGroup(GroupId& group) {
  const UrlCacheGroupFunctions* f = UrlCacheGroups();
  if (!f) return 0;
  GROUPID id = 0;
  SetLastError(0);  // a stub may fail without saying why
  HANDLE h = f->FindFirstUrlCacheGroup(0, CACHEGROUP_SEARCH_ALL, nullptr, 0, &id, nullptr);
  lastError_ = GetLastError();
  group = id;
  return Keep(h);
}

bool WinInetUrlCache::DeleteGroup(GroupId group) {
  const UrlCacheGroupFunctions* f = UrlCacheGroups();
  if (!f) return false;
  SetLastError(0);
  const bool ok = f->DeleteUrlCacheGroup(group, CACHEGROUP_FLAG_FLUSHURL_ONDELETE, nullptr) != FALSE;
  lastError_ = GetLastError();
  return ok;
}

bool WinInetUrlCache::FindNextGroup(Handle enumeration, GroupId& group) {
  const UrlCacheGroupFunctions* f = UrlCacheGroups();
  if (!f) return false;
  GROUPID id = 0;
  SetLastError(0);
  const bool ok = f->FindNextUrlCacheGroup(H(enumeration), &id, nullptr) != FALSE;
  lastError_ = GetLastError();
  group = id;
  return ok;
}

unsigned char* WinInetUrlCache::Buffer(std::size_t size) {
  if (size <= sizeof(fixed_)) return fixed_;
  large_.assign(size, '\0');
  return reinterpret_cast<unsigned char*>(large_.data());
}

bool WinInetUrlCache::Decode(const unsigned char* buffer, CacheEntry& entry) const {
  const auto* info = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(buffer);
  entry.sourceUrl = info->lpszSourceUrlName ? U8(info->lpszSourceUrlName) : std::string();
  entry.type = info->CacheEntryType;
  return true;
}

IUrlCache::Handle WinInetUrlCache::FindFirstEntry(const std::string& pattern, std::size_t bufferSize,
                                                  CacheEntry& entry, std::size_t& needed) {
  const UrlCacheFunctions* f = UrlCache();
  if (!f) {
    lastError_ = ERROR_PROC_NOT_FOUND;
    return 0;
  }
  unsigned char* buffer = Buffer(bufferSize);
  auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer);
  info->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
  DWORD size = static_cast<DWORD>(bufferSize);
  const std::wstring wide = W(pattern);
  SetLastError(0);
  HANDLE h = f->FindFirstUrlCacheEntryW(pattern.empty() ? nullptr : wide.c_str(), info, &size);
  lastError_ = GetLastError();
  needed = size;
  if (h) Decode(buffer, entry);
  return Keep(h);
}

bool WinInetUrlCache::FindNextEntry(Handle enumeration, std::size_t bufferSize, CacheEntry& entry,
                                    std::size_t& needed) {
  const UrlCacheFunctions* f = UrlCache();
  if (!f) return false;
  unsigned char* buffer = Buffer(bufferSize);
  auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer);
  info->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
  DWORD size = static_cast<DWORD>(bufferSize);
  SetLastError(0);
  const bool ok = f->FindNextUrlCacheEntryW(H(enumeration), info, &size) != FALSE;
  lastError_ = GetLastError();
  needed = size;
  if (ok) Decode(buffer, entry);
  return ok;
}

bool WinInetUrlCache::DeleteEntry(const std::string& sourceUrl) {
  const UrlCacheFunctions* f = UrlCache();
  if (!f) return false;
  SetLastError(0);
  const bool ok = f->DeleteUrlCacheEntryW(W(sourceUrl).c_str()) != FALSE;
  lastError_ = GetLastError();
  return ok;
}

IUrlCache::Handle WinInetUrlCache::Keep(HANDLE enumeration) {
  if (enumeration) open_.emplace_back(enumeration);
  return I(enumeration);
}

void WinInetUrlCache::CloseEnumeration(Handle enumeration) {
  std::erase_if(open_, [&](const UniqueUrlCacheFind& e) { return e.get() == H(enumeration); });
}

CacheClearReport ClearBrowserCache() {
  WinInetUrlCache cache;
  // No pattern: every content entry. "*.*" has no documented meaning for
  // the cache and finds nothing on some systems.
  return ClearCacheEntries(cache, "", kKeepCookiesAndHistory);
}

}  // namespace vorn2
