#include "login/AppCommands.h"

namespace vorn2 {

AppCommand MatchAppCommand(std::string_view url) {
  if (url.find(kExitGameCommand) != std::string_view::npos) return AppCommand::ExitGame;
  if (url.find(kMinimizeCommand) != std::string_view::npos) return AppCommand::Minimize;
  if (url.find(kLoadGameCommand) != std::string_view::npos) return AppCommand::LoadGame;
  return AppCommand::None;
}

std::vector<std::string> SplitFields(std::string_view url) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t bar = url.find('|', start);
    if (bar == std::string_view::npos) {
      fields.emplace_back(url.substr(start));
      return fields;
    }
    fields.emplace_back(url.substr(start, bar - start));
    start = bar + 1;
  }
}

NavigationDecision DecideNavigation(std::string_view url) {
  NavigationDecision d;
  switch (MatchAppCommand(url)) {
    case AppCommand::None:
      break;
    case AppCommand::ExitGame:
      d.command = AppCommand::ExitGame;
      d.cancel = true;
      break;
    case AppCommand::Minimize:
      d.command = AppCommand::Minimize;
      d.cancel = true;
      break;
    case AppCommand::LoadGame: {
      std::vector<std::string> fields = SplitFields(url);
      if (fields.size() >= 2 && !fields[1].empty()) {
        d.command = AppCommand::LoadGame;
        d.gameUrl = fields[1];
      } else {
        d.cancel = true;  // nowhere to go: keep the login open
      }
      break;
    }
  }
  return d;
}

DocumentAction DecideDocumentComplete(std::size_t innerHtmlLength, std::string_view documentUrl,
                                      std::string_view completedUrl) {
  if (innerHtmlLength < kMinimumLoginHtml) return DocumentAction::NetworkFailure;
  if (documentUrl.find(completedUrl) != std::string_view::npos) return DocumentAction::ShowLoginPair;
  return DocumentAction::Nothing;
}

std::string LoginPageUrl(std::string_view portal) {
  while (!portal.empty() && portal.back() == '/') portal.remove_suffix(1);
  std::string url(portal);
  url += kLoginPagePath;
  return url;
}

}  // namespace vorn2
