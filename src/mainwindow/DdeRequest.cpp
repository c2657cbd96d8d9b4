#include "mainwindow/DdeRequest.h"

#include "framework/Text.h"

namespace vorn2 {
namespace {

bool IsEdgeBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

bool IsRefusedUnit(char16_t u) { return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0xFFFD; }

// Length of "http://" or "https://" at the start, 0 for anything else.
std::size_t WebSchemeLength(std::string_view url) {
  for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
    if (url.size() >= scheme.size() && AsciiLower(url.substr(0, scheme.size())) == scheme) return scheme.size();
  }
  return 0;
}

}  // namespace

std::string TabKey(std::string_view url) {
  std::string key = "Game";
  key += url;
  return key;
}

std::optional<std::string> AcceptDdeUrl(std::string_view strCommand) {
  std::size_t first = 0;
  std::size_t end = strCommand.size();
  while (first < end && IsEdgeBlank(strCommand[first])) ++first;
  while (end > first && IsEdgeBlank(strCommand[end - 1])) --end;
  const std::string_view url = strCommand.substr(first, end - first);

  const std::size_t schemeLength = WebSchemeLength(url);
  if (schemeLength == 0) return std::nullopt;
  // A host must follow the scheme ("http://" alone, "http:///x" and "http://?q" name none).
  if (url.size() == schemeLength || std::string_view("/\\?#").find(url[schemeLength]) != std::string_view::npos) {
    return std::nullopt;
  }
  const std::u16string units = Utf8ToUtf16(url);
  if (units.size() > kMaxDdeUrlUnits) return std::nullopt;
  for (char16_t u : units) {
    if (IsRefusedUnit(u)) return std::nullopt;
  }
  return std::string(url);
}

}  // namespace vorn2
