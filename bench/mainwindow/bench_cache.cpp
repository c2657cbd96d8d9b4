// Cache clearing: the walk over an in-memory cache of 1,000 and 10,000
// entries (is it linear?), and over 1,000 real WinINet entries made here.
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "mainwindow/win/CacheMain.h"

using namespace vorn2;

namespace {

// Every third entry a cookie; the walk deletes the rest.
class MemoryCache : public IUrlCache {
 public:
  explicit MemoryCache(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
      entries_.push_back({"http://cache.test/" + std::to_string(i), i % 3 == 0 ? kCookieCacheEntry : 1u});
  }
  bool HasFindFirstGroup() override { return true; }
  bool HasDeleteGroup() override { return true; }
  Handle FindFirstGroup(GroupId&) override { return error_ = kErrorFileNotFound, 0; }
  bool DeleteGroup(GroupId) override { return false; }
  bool FindNextGroup(Handle, GroupId&) override { return false; }
  Handle FindFirstEntry(const std::string&, std::size_t, CacheEntry& e, std::size_t&) override {
    pos_ = 0;
    if (entries_.empty()) return error_ = kErrorNoMoreItems, 0;
    e = entries_[0];
    return 1;
  }
  bool FindNextEntry(Handle, std::size_t, CacheEntry& e, std::size_t&) override {
    if (++pos_ >= entries_.size()) return error_ = kErrorNoMoreItems, false;
    e = entries_[pos_];
    return true;
  }
  bool DeleteEntry(const std::string&) override { return ++deleted_, true; }
  void CloseEnumeration(Handle) override {}
  std::uint32_t LastError() override { return error_; }

 private:
  std::vector<CacheEntry> entries_;
  std::size_t pos_ = 0, deleted_ = 0;
  std::uint32_t error_ = 0;
};

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int wmain() {
  for (std::size_t n : {1000u, 10000u}) {
    MemoryCache cache(n);
    const auto start = std::chrono::steady_clock::now();
    const int rounds = 20;
    for (int i = 0; i < rounds; ++i) ClearCacheEntries(cache, "*.*", kKeepCookiesAndHistory);
    const double ms = Ms(start) / rounds;
    std::printf("cache clearing, in-memory cache of %zu entries: %.3f ms (%.3f ms per 1,000)\n", n, ms,
                ms * 1000 / n);
  }
  const int real = 1000;
  for (int i = 0; i < real; ++i) {
    const std::wstring url = L"http://bench.cache.test/" + std::to_wstring(i);
    wchar_t file[MAX_PATH] = {};
    if (!CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) continue;
    HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, "x", 1, &written, nullptr);
    CloseHandle(h);
    FILETIME none{};
    CommitUrlCacheEntryW(url.c_str(), file, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
  }
  WinInetUrlCache cache;
  const auto start = std::chrono::steady_clock::now();
  // No pattern: under Wine "*.*" finds nothing.
  const CacheClearReport r = ClearCacheEntries(cache, "", kKeepCookiesAndHistory);
  const double ms = Ms(start);
  std::printf("cache clearing, %d real WinINet entries: %.1f ms (%zu deleted, %.1f ms per 1,000)\n", real, ms,
              r.entriesDeleted, r.entriesDeleted ? ms * 1000 / r.entriesDeleted : 0.0);
  return 0;
}
