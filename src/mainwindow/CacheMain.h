// Clearing the system's web cache that the browser controls share: first
// every cache group, then every entry whose type is not kept (cookies and
// history stay). The walk is here; the Windows layer implements IUrlCache
// with WinINet. Nothing is reported to the player; the caller shows its own
// confirmation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorn2 {

inline constexpr std::uint32_t kCookieCacheEntry = 0x00100000;
inline constexpr std::uint32_t kUrlHistoryCacheEntry = 0x00200000;
inline constexpr std::uint32_t kKeepCookiesAndHistory = kCookieCacheEntry | kUrlHistoryCacheEntry;

inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorNoMoreFiles = 18;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorNoMoreItems = 259;

// The buffer every ordinary entry is read into; an entry that needs more
// (its headers travel with it) gets a larger one, up to kMaxCacheEntrySize.
inline constexpr std::size_t kCacheEntryBufferSize = 2048;
inline constexpr std::size_t kMaxCacheEntrySize = 1 << 20;

struct CacheEntry {
  std::string sourceUrl;
  std::uint32_t type = 0;
};

class IUrlCache {
 public:
  using Handle = std::uintptr_t;  // an enumeration, 0 for none
  using GroupId = std::int64_t;

  virtual ~IUrlCache() = default;
  // The group functions may be missing from the system's library.
  virtual bool HasFindFirstGroup() = 0;
  virtual bool HasDeleteGroup() = 0;
  virtual Handle FindFirstGroup(GroupId& group) = 0;
  virtual bool DeleteGroup(GroupId group) = 0;
  virtual bool FindNextGroup(Handle enumeration, GroupId& group) = 0;
  // The entry is read into bufferSize bytes; when that is too little the
  // call fails with kErrorInsufficientBuffer and `needed` tells how many.
  virtual Handle FindFirstEntry(const std::string& pattern, std::size_t bufferSize, CacheEntry& entry,
                                std::size_t& needed) = 0;
  virtual bool FindNextEntry(Handle enumeration, std::size_t bufferSize, CacheEntry& entry, std::size_t& needed) = 0;
  virtual bool DeleteEntry(const std::string& sourceUrl) = 0;
  virtual void CloseEnumeration(Handle enumeration) = 0;
  // The system's last error, read right after the latest call.
  virtual std::uint32_t LastError() = 0;
};

enum class CacheWalkEnd {
  Finished,           // every entry seen
  GroupSearchFailed,  // nothing deleted
  GroupDeleteFailed,  // no entry deleted
  NoEntries,          // empty cache or the first entry could not be read
  EntrySearchFailed,  // a later entry could not be read; the ones after it stay
};

struct CacheClearReport {
  std::size_t groupsDeleted = 0;
  std::size_t entriesDeleted = 0;
  std::size_t entriesKept = 0;    // by the keep-filter
  std::size_t deleteFailures = 0;  // entries in use stay
  CacheWalkEnd end = CacheWalkEnd::Finished;
};

// pattern: the URL search pattern, empty for none (the menu's: every
// entry); keepFilter: entry
// type bits that keep an entry (kKeepCookiesAndHistory from the menu).
CacheClearReport ClearCacheEntries(IUrlCache& cache, const std::string& pattern, std::uint32_t keepFilter);

}  // namespace vorn2
