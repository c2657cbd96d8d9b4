#include "mainwindow/CacheMain.h"

#include "framework/ScopeExit.h"

namespace vorn2 {
namespace {

// Group search failed before any deletion: true to go on with the entries.
bool NoGroupsToDelete(std::uint32_t error) {
  // "No more files" is how the system also reports no match, and error 0 a
  // search that found nothing and said nothing (group functions that are
  // stubs): there is no group to delete either way.
  return error == kErrorFileNotFound || error == kErrorNoMoreFiles || error == 0;
}

// One entry read with the buffer it needs: the fixed one first, a larger one
// only for an entry that does not fit.
template <typename Read>
bool ReadEntry(IUrlCache& cache, Read read, CacheEntry& entry) {
  std::size_t needed = 0;
  if (read(kCacheEntryBufferSize, entry, needed)) return true;
  if (cache.LastError() != kErrorInsufficientBuffer || needed <= kCacheEntryBufferSize || needed > kMaxCacheEntrySize)
    return false;
  std::size_t again = 0;
  return read(needed, entry, again);
}

}  // namespace

CacheClearReport ClearCacheEntries(IUrlCache& cache, const std::string& pattern, std::uint32_t keepFilter) {
  CacheClearReport report;

  // Phase 1: cache groups.
  if (cache.HasFindFirstGroup()) {
    IUrlCache::GroupId group = 0;
    const IUrlCache::Handle groups = cache.FindFirstGroup(group);
    if (!groups && !NoGroupsToDelete(cache.LastError())) {
      report.end = CacheWalkEnd::GroupSearchFailed;
      return report;
    }
    if (groups) {
      const ScopeExit closeGroups([&] { cache.CloseEnumeration(groups); });
      for (;;) {
        if (cache.DeleteGroup(group)) {
          ++report.groupsDeleted;
        } else if (cache.HasDeleteGroup()) {
          report.end = CacheWalkEnd::GroupDeleteFailed;
          return report;
        }
        // A failing search that does not say "no more" would repeat the same
        // group for ever: every failure ends the groups.
        const bool more = cache.FindNextGroup(groups, group);
        if (!more || cache.LastError() == kErrorFileNotFound) break;
      }
    }
  }

  // Phase 2: entries.
  CacheEntry entry;
  IUrlCache::Handle entries = 0;
  const bool first = ReadEntry(
      cache,
      [&](std::size_t size, CacheEntry& e, std::size_t& needed) {
        entries = cache.FindFirstEntry(pattern, size, e, needed);
        return entries != 0;
      },
      entry);
  if (!first) {
    report.end = CacheWalkEnd::NoEntries;
    return report;
  }
  const ScopeExit closeEntries([&] { cache.CloseEnumeration(entries); });
  for (;;) {
    if ((entry.type & keepFilter) != 0) {
      ++report.entriesKept;
    } else if (cache.DeleteEntry(entry.sourceUrl)) {
      ++report.entriesDeleted;
    } else {
      ++report.deleteFailures;
    }
    const bool next = ReadEntry(
        cache,
        [&](std::size_t size, CacheEntry& e, std::size_t& needed) {
          return cache.FindNextEntry(entries, size, e, needed);
        },
        entry);
    if (!next) {
      if (cache.LastError() != kErrorNoMoreItems) report.end = CacheWalkEnd::EntrySearchFailed;
      break;
    }
  }
  return report;
}

}  // namespace vorn2
