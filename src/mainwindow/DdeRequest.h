// The pages the main window opens in tabs: the key a page's tab is found
// by, and which DDE execute commands open one. Any program on the machine
// can send one, so the command opens a tab only when it is a plain web
// address: an http:// or https:// URL (scheme in any letter case) with a
// host, at most kMaxDdeUrlUnits long. Everything else - javascript:, file:,
// app:// addresses, empty or over-long text - is refused and opens nothing.
//
// Text handling:
// - Blanks, tabs, line breaks and NULs around the command are dropped (what
//   scripts and fixed-size client buffers append); the length counts what
//   remains, in UTF-16 units as the browser counts it.
// - Any control character inside (C0, DEL, C1) or U+FFFD (text that arrived
//   malformed) refuses the command. Ordinary spaces inside are kept: the
//   browser escapes them as it does for typed addresses.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vorn2 {

inline constexpr std::size_t kMaxDdeUrlUnits = 2083;
// What the DDE link reads of an execute at most: the longest address in
// UTF-16 with room for blanks around it. A longer text is refused unread.
inline constexpr std::size_t kMaxDdeCommandBytes = 16 * 1024;

// The tab key of a page: "Game" followed by its URL.
std::string TabKey(std::string_view url);

// The address to open for an execute's command (UTF-8), nothing when refused.
std::optional<std::string> AcceptDdeUrl(std::string_view strCommand);

}  // namespace vorn2
