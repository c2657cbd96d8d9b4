// The cache clearing against WinINet's real cache under Wine: entries made
// here (ordinary ones, one whose headers need more than the fixed buffer, a
// cookie and a history entry) are cleared but for the cookie and the history.
// Under Wine the group functions are stubs; the entries are searched with no
// pattern (every entry), as the menu does.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "framework/win/WinText.h"
#include "mainwindow/win/CacheMain.h"

using namespace vorn2;

namespace {

bool Commit(const std::wstring& url, DWORD type, const std::wstring& headers = L"") {
  wchar_t file[MAX_PATH] = {};
  if (!CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) return false;
  HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, "x", 1, &written, nullptr);
  CloseHandle(h);
  FILETIME none{};
  return CommitUrlCacheEntryW(url.c_str(), file, none, none, type,
                              headers.empty() ? nullptr : const_cast<wchar_t*>(headers.c_str()),
                              static_cast<DWORD>(headers.size()), nullptr, nullptr) != FALSE;
}

bool InCache(const std::wstring& url) {
  DWORD size = 0;
  GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
  return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace

TEST(CacheClearing, RealEntriesGoButCookiesAndHistoryStay) {
  const std::wstring page = L"http://cache.test/page.html", script = L"http://cache.test/game.js";
  const std::wstring big = L"http://cache.test/big.png";
  const std::wstring cookie = L"Cookie:player@cache.test/", visited = L"Visited: player@http://cache.test/";
  ASSERT_TRUE(Commit(page, NORMAL_CACHE_ENTRY));
  ASSERT_TRUE(Commit(script, NORMAL_CACHE_ENTRY));
  // Headers of 3 KB: the entry needs more than the fixed 2048 bytes.
  ASSERT_TRUE(Commit(big, NORMAL_CACHE_ENTRY, L"HTTP/1.1 200 OK\r\nX-Padding: " + std::wstring(3000, L'p') + L"\r\n\r\n"));
  ASSERT_TRUE(Commit(cookie, COOKIE_CACHE_ENTRY));
  ASSERT_TRUE(Commit(visited, URLHISTORY_CACHE_ENTRY));

  WinInetUrlCache cache;
  const CacheClearReport r = ClearCacheEntries(cache, "", kKeepCookiesAndHistory);
  EXPECT_EQ(r.end, CacheWalkEnd::Finished);
  EXPECT_FALSE(InCache(page));
  EXPECT_FALSE(InCache(script));
  EXPECT_FALSE(InCache(big));  // read with a larger buffer, and deleted
  EXPECT_TRUE(InCache(cookie));
  EXPECT_TRUE(InCache(visited));
  EXPECT_GE(r.entriesDeleted, 3u);
  EXPECT_GE(r.entriesKept, 2u);

  // The menu's clearing searches with no pattern as well.
  ASSERT_TRUE(Commit(page, NORMAL_CACHE_ENTRY));
  const CacheClearReport menu = ClearBrowserCache();
  EXPECT_EQ(menu.end, CacheWalkEnd::Finished);
  EXPECT_FALSE(InCache(page));
  EXPECT_TRUE(InCache(cookie));
  ClearCacheEntries(cache, "", 0);  // leave the prefix's cache empty
  EXPECT_FALSE(InCache(cookie));
}
