// The browser cache as WinINet keeps it, for the cache-clearing walk
// (mainwindow/CacheMain.h), and the menu's clearing.
#pragma once

#include <string>
#include <vector>

#include "framework/win/Handles.h"

#include "mainwindow/CacheMain.h"

namespace vorn2 {

// WinINet's URL cache, loaded from the system folder. An empty pattern is
// passed as no pattern (every entry).
class WinInetUrlCache final : public IUrlCache {
 public:
  bool HasFindFirstGroup() override;
  bool HasDeleteGroup() override;
  Handle FindFirstGroup(GroupId& group) override;
  bool DeleteGroup(GroupId group) override;
  bool FindNextGroup(Handle enumeration, GroupId& group) override;
  Handle FindFirstEntry(const std::string& pattern, std::size_t bufferSize, CacheEntry& entry,
                        std::size_t& needed) override;
  bool FindNextEntry(Handle enumeration, std::size_t bufferSize, CacheEntry& entry, std::size_t& needed) override;
  bool DeleteEntry(const std::string& sourceUrl) override;
  void CloseEnumeration(Handle enumeration) override;
  std::uint32_t LastError() override { return lastError_; }

 private:
  // The fixed buffer for ordinary entries, a grown one for the rare large one.
  unsigned char* Buffer(std::size_t size);
  bool Decode(const unsigned char* buffer, CacheEntry& entry) const;

  alignas(8) unsigned char fixed_[kCacheEntryBufferSize] = {};
  std::string large_;
  std::uint32_t lastError_ = 0;
  // The enumerations the walk has open; any it leaves open close with us.
  Handle Keep(HANDLE enumeration);
  std::vector<UniqueUrlCacheFind> open_;
};

// The menu's clearing: no pattern (every entry), cookies and history kept.
CacheClearReport ClearBrowserCache();

}  // namespace vorn2
