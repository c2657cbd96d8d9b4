// Every user-facing message box goes through Prompt(), so tests can answer
// it; without a hook it is a real MessageBoxW.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace vorn2 {

struct PromptRequest {
  HWND owner;
  std::wstring text;
  std::wstring title;
  UINT type;
};

using PromptHook = std::function<int(const PromptRequest&)>;

// Shows the box and returns IDOK, IDYES, IDNO, ... (texts in UTF-8).
int Prompt(HWND owner, std::string_view text, std::string_view title, UINT type);

// Installs a hook that answers instead of the real box; returns the previous
// hook. An empty function restores the real box.
PromptHook SetPromptHook(PromptHook hook);

// The title every message of the client carries.
inline constexpr const char* kPromptTitle = "提示";

// The network message: the start-up without a connection, a login page that
// failed to load and an update check that cannot reach its server all say it.
inline constexpr const char* kNetworkMessage = "未能连接到服务器，请检查网络连接是否正常！";

}  // namespace vorn2
