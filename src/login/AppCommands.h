// The login page talks to the client by navigating to app:// addresses; these
// are the rules for reading them and for judging a completed login document.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorn2 {

enum class AppCommand { None, ExitGame, Minimize, LoadGame };

inline constexpr std::string_view kExitGameCommand = "app://exitgame";
inline constexpr std::string_view kMinimizeCommand = "app://minimize";
inline constexpr std::string_view kLoadGameCommand = "app://loadgame";

// The first command whose text the URL contains (case-sensitive, anywhere in
// the URL), in the order exit, minimise, load game.
AppCommand MatchAppCommand(std::string_view url);

// The pieces of the URL between the "|" separators; field 0 is the command
// part. Always at least one field.
std::vector<std::string> SplitFields(std::string_view url);

// What the before-navigate handler does with an address.
struct NavigationDecision {
  AppCommand command = AppCommand::None;
  bool cancel = false;
  std::string gameUrl;  // LoadGame only: the second field, never empty
};

// A start-game address without a usable second field is cancelled and leaves
// the login open (command None), rather than closing the login with nothing
// to show in its place.
NavigationDecision DecideNavigation(std::string_view url);

enum class DocumentAction {
  NetworkFailure,  // too little HTML: the page did not really load
  ShowLoginPair,   // the top-level document completed
  Nothing,         // a frame (or another document) completed
};

// Fewer characters than this in the root element's inner HTML is an empty or
// error page.
inline constexpr std::size_t kMinimumLoginHtml = 100;

DocumentAction DecideDocumentComplete(std::size_t innerHtmlLength, std::string_view documentUrl,
                                      std::string_view completedUrl);

inline constexpr std::string_view kLoginPagePath = "/download/vorn2/index_vorn2.php";

// The login page on the given portal base ("http://host[:port][/prefix]", a
// trailing "/" or not).
std::string LoginPageUrl(std::string_view portal);

}  // namespace vorn2
