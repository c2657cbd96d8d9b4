#include "mainwindow/CacheMain.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace vorn2 {
namespace {

// A cache as WinINet presents it: groups, then entries in order, each with
// the bytes it needs; every call sets the last error.
class FakeCache : public IUrlCache {
 public:
  struct Entry {
    std::string url;
    std::uint32_t type = 0;
    std::size_t size = 300;
  };
  std::vector<GroupId> groups;
  std::vector<Entry> entries;
  bool hasFindFirstGroup = true, hasDeleteGroup = true;
  std::uint32_t groupSearchError = kErrorFileNotFound;  // when there are no groups
  std::set<GroupId> undeletableGroups;
  std::set<std::string> inUse;
  int failNextAt = -1;  // entry position whose reading fails with error 5
  std::vector<std::string> deleted;
  std::vector<GroupId> groupsDeleted;
  std::set<Handle> open;

  bool HasFindFirstGroup() override { return hasFindFirstGroup; }
  bool HasDeleteGroup() override { return hasDeleteGroup; }
  Handle FindFirstGroup(GroupId& group) override {
    if (groups.empty()) return Fail(groupSearchError), 0;
    groupPos_ = 0;
    group = groups[0];
    return Open(1);
  }
  bool DeleteGroup(GroupId group) override {
    if (!hasDeleteGroup || undeletableGroups.count(group)) return Fail(5), false;
    groupsDeleted.push_back(group);
    return Ok(), true;
  }
  bool FindNextGroup(Handle, GroupId& group) override {
    if (++groupPos_ >= groups.size()) return Fail(kErrorFileNotFound), false;
    group = groups[groupPos_];
    return Ok(), true;
  }
  Handle FindFirstEntry(const std::string& pattern, std::size_t size, CacheEntry& e, std::size_t& needed) override {
    patterns.push_back(pattern);
    entryPos_ = 0;
    if (entries.empty()) return Fail(kErrorNoMoreItems), 0;
    return Read(size, e, needed) ? Open(2) : 0;
  }
  bool FindNextEntry(Handle, std::size_t size, CacheEntry& e, std::size_t& needed) override {
    if (entryPos_ + 1 >= entries.size()) return Fail(kErrorNoMoreItems), false;
    if (static_cast<int>(entryPos_ + 1) == failNextAt) return Fail(5), false;
    ++entryPos_;
    if (Read(size, e, needed)) return true;
    --entryPos_;  // a failed read leaves the position, as the system does
    return false;
  }
  bool DeleteEntry(const std::string& url) override {
    if (inUse.count(url)) return Fail(32), false;
    deleted.push_back(url);
    return Ok(), true;
  }
  void CloseEnumeration(Handle h) override { open.erase(h); }
  std::uint32_t LastError() override { return error_; }

  std::vector<std::string> patterns;
  std::vector<std::size_t> bufferSizes;

 private:
  void Fail(std::uint32_t e) { error_ = e; }
  void Ok() { error_ = 0; }
  Handle Open(Handle h) {
    open.insert(h);
    Ok();
    return h;
  }
  bool Read(std::size_t size, CacheEntry& e, std::size_t& needed) {
    bufferSizes.push_back(size);
    const Entry& x = entries[entryPos_];
    if (x.size > size) {
      needed = x.size;
      return Fail(kErrorInsufficientBuffer), false;
    }
    e.sourceUrl = x.url;
    e.type = x.type;
    return Ok(), true;
  }
  std::uint32_t error_ = 0;
  std::size_t groupPos_ = 0, entryPos_ = 0;
};

FakeCache WithEntries() {
  FakeCache c;
  c.entries = {{"http://g/a.js", 0x1}, {"Cookie:p@g/", kCookieCacheEntry}, {"http://g/b.png", 0x1},
               {"Visited:p@http://g/", kUrlHistoryCacheEntry}, {"http://g/c.css", 0x1}};
  return c;
}

TEST(CacheClearing, DeletesEveryEntryButCookiesAndHistoryAndClosesItsSearches) {
  FakeCache c = WithEntries();
  c.groups = {7, 8};
  c.inUse = {"http://g/b.png"};  // in use: stays, the walk goes on
  const CacheClearReport r = ClearCacheEntries(c, "*.*", kKeepCookiesAndHistory);
  EXPECT_EQ(c.groupsDeleted, (std::vector<IUrlCache::GroupId>{7, 8}));
  EXPECT_EQ(c.deleted, (std::vector<std::string>{"http://g/a.js", "http://g/c.css"}));
  EXPECT_EQ(r.entriesKept, 2u);
  EXPECT_EQ(r.deleteFailures, 1u);
  EXPECT_EQ(r.end, CacheWalkEnd::Finished);
  EXPECT_EQ(c.patterns, std::vector<std::string>{"*.*"});
  EXPECT_TRUE(c.open.empty());
}

TEST(CacheClearing, GroupPhaseEndsTheWalkOnlyOnRealFailures) {
  // No groups (file not found), a stub that reports nothing, or no group
  // functions at all: the entries are still cleared.
  for (int variant = 0; variant < 4; ++variant) {
    FakeCache c = WithEntries();
    if (variant == 1) c.groupSearchError = 0;
    if (variant == 2) c.hasFindFirstGroup = false;
    if (variant == 3) c.groupSearchError = kErrorNoMoreFiles;
    EXPECT_EQ(ClearCacheEntries(c, "*.*", kKeepCookiesAndHistory).entriesDeleted, 3u) << variant;
  }
  // Any other failure of the group search: nothing is deleted.
  FakeCache failing = WithEntries();
  failing.groupSearchError = 5;
  EXPECT_EQ(ClearCacheEntries(failing, "*.*", kKeepCookiesAndHistory).end, CacheWalkEnd::GroupSearchFailed);
  EXPECT_TRUE(failing.deleted.empty());
  // A group that cannot be deleted ends the walk before any entry; with the
  // delete function missing the walk goes on.
  FakeCache stuck = WithEntries();
  stuck.groups = {1, 2, 3};
  stuck.undeletableGroups = {2};
  EXPECT_EQ(ClearCacheEntries(stuck, "*.*", kKeepCookiesAndHistory).end, CacheWalkEnd::GroupDeleteFailed);
  EXPECT_EQ(stuck.groupsDeleted, std::vector<IUrlCache::GroupId>{1});
  EXPECT_TRUE(stuck.deleted.empty());
  EXPECT_TRUE(stuck.open.empty());
  FakeCache noDelete = WithEntries();
  noDelete.groups = {1, 2};
  noDelete.hasDeleteGroup = false;
  EXPECT_EQ(ClearCacheEntries(noDelete, "*.*", kKeepCookiesAndHistory).entriesDeleted, 3u);
}

TEST(CacheClearing, AnEntryLargerThanTheBufferIsReadWithALargerOneAndTheWalkGoesOn) {
  FakeCache c = WithEntries();
  c.entries[0].size = 3252;  // first entry: headers of 3 KB
  c.entries[2].size = 9000;
  const CacheClearReport r = ClearCacheEntries(c, "*.*", kKeepCookiesAndHistory);
  EXPECT_EQ(r.end, CacheWalkEnd::Finished);
  EXPECT_EQ(c.deleted.size(), 3u);
  EXPECT_EQ(c.bufferSizes, (std::vector<std::size_t>{2048, 3252, 2048, 2048, 9000, 2048, 2048}));
  // Beyond any sensible size, or failing otherwise: the clearing ends there.
  FakeCache huge = WithEntries();
  huge.entries[2].size = kMaxCacheEntrySize + 1;
  EXPECT_EQ(ClearCacheEntries(huge, "*.*", kKeepCookiesAndHistory).end, CacheWalkEnd::EntrySearchFailed);
  EXPECT_EQ(huge.deleted, std::vector<std::string>{"http://g/a.js"});
  FakeCache broken = WithEntries();
  broken.failNextAt = 3;
  EXPECT_EQ(ClearCacheEntries(broken, "*.*", kKeepCookiesAndHistory).end, CacheWalkEnd::EntrySearchFailed);
  EXPECT_TRUE(broken.open.empty());
}

TEST(CacheClearing, AnEmptyCacheEndsAtTheFirstSearch) {
  FakeCache c;
  EXPECT_EQ(ClearCacheEntries(c, "*.*", kKeepCookiesAndHistory).end, CacheWalkEnd::NoEntries);
  EXPECT_TRUE(c.deleted.empty());
}

}  // namespace
}  // namespace vorn2
