#include "framework/win/Prompt.h"

#include "framework/win/WinText.h"

namespace vorn2 {
namespace {
PromptHook& Hook() {
  static PromptHook hook;
  return hook;
}
}  // namespace

int Prompt(HWND owner, std::string_view text, std::string_view title, UINT type) {
  PromptRequest request{owner, W(text), W(title), type};
  if (Hook()) return Hook()(request);
  return MessageBoxW(owner, request.text.c_str(), request.title.c_str(), type);
}

PromptHook SetPromptHook(PromptHook hook) {
  PromptHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

}  // namespace vorn2
