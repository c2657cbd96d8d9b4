// Addresses a login page may navigate to, and the document-complete rule.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "login/AppCommands.h"

using namespace vorn2;

namespace {

bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

void CheckNavigation(const std::string& url) {
  const std::vector<std::string> fields = SplitFields(url);
  std::string joined;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    FUZZ_CHECK(!Contains(fields[i], "|"));
    if (i > 0) joined += '|';
    joined += fields[i];
  }
  FUZZ_CHECK(joined == url);

  const AppCommand matched = MatchAppCommand(url);
  const AppCommand expected = Contains(url, kExitGameCommand)   ? AppCommand::ExitGame
                              : Contains(url, kMinimizeCommand) ? AppCommand::Minimize
                              : Contains(url, kLoadGameCommand) ? AppCommand::LoadGame
                                                                : AppCommand::None;
  FUZZ_CHECK(matched == expected);

  const NavigationDecision d = DecideNavigation(url);
  switch (matched) {
    case AppCommand::None:
      FUZZ_CHECK(d.command == AppCommand::None && !d.cancel && d.gameUrl.empty());
      break;
    case AppCommand::ExitGame:
    case AppCommand::Minimize:
      FUZZ_CHECK(d.command == matched && d.cancel && d.gameUrl.empty());
      break;
    case AppCommand::LoadGame:
      if (fields.size() >= 2 && !fields[1].empty()) {
        FUZZ_CHECK(d.command == AppCommand::LoadGame && !d.cancel && d.gameUrl == fields[1]);
      } else {
        // Nowhere to go: the login stays, the navigation does not happen.
        FUZZ_CHECK(d.command == AppCommand::None && d.cancel && d.gameUrl.empty());
      }
      break;
  }
}

void CheckDocumentComplete(std::size_t length, const std::string& documentUrl, const std::string& completedUrl) {
  const DocumentAction a = DecideDocumentComplete(length, documentUrl, completedUrl);
  if (length < kMinimumLoginHtml) FUZZ_CHECK(a == DocumentAction::NetworkFailure);
  else if (Contains(documentUrl, completedUrl)) FUZZ_CHECK(a == DocumentAction::ShowLoginPair);
  else FUZZ_CHECK(a == DocumentAction::Nothing);
}

void CheckLoginPage(const std::string& portal) {
  const std::string url = LoginPageUrl(portal);
  FUZZ_CHECK(url.size() >= kLoginPagePath.size());
  const std::string base = url.substr(0, url.size() - kLoginPagePath.size());
  FUZZ_CHECK(url.substr(base.size()) == kLoginPagePath);
  FUZZ_CHECK(base.empty() || base.back() != '/');
  FUZZ_CHECK(portal.compare(0, base.size(), base) == 0);
  FUZZ_CHECK(portal.find_first_not_of('/', base.size()) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every "|" costs a string in each split (ours and the rule's): 32 bytes
  // and as much again while a list grows.
  fuzz::MemoryBound bound(size, 256);
  FuzzedDataProvider in(data, size);
  const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 200);
  const std::string completed = in.ConsumeRandomLengthString(64);
  const std::string url = in.ConsumeRemainingBytesAsString();
  CheckNavigation(url);
  CheckDocumentComplete(length, url, completed);
  CheckLoginPage(url);
  return 0;
}
