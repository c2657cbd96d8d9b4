#include "framework/win/DdeLink.h"

#include <dde.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "framework/DdeLinkText.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

constexpr wchar_t kClassName[] = L"Vorn2DdeLink";
constexpr WORD kAccepted = 0x8000;  // DDEACK.fAck

bool AtomNames(ATOM atom, const std::wstring& name) {
  wchar_t text[256];
  const UINT length = GlobalGetAtomNameW(atom, text, 256);
  return length > 0 &&
         CompareStringOrdinal(text, static_cast<int>(length), name.c_str(), static_cast<int>(name.size()), TRUE) ==
             CSTR_EQUAL;
}

// Nothing when the client's memory cannot be read or its text is longer
// than maxBytes.
std::optional<std::string> CommandText(HGLOBAL commands, std::size_t maxBytes) {
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(commands));
  if (!bytes) return std::nullopt;
  const std::optional<DdeTextShape> read = DetectDdeText(std::span(bytes, GlobalSize(commands)), maxBytes);
  if (!read) {
    GlobalUnlock(commands);
    return std::nullopt;
  }
  const DdeTextShape shape = *read;
  std::wstring text;
  if (shape.form == DdeTextForm::Utf16) {
    text.resize(shape.length);
    std::memcpy(text.data(), bytes, shape.length * sizeof(wchar_t));
  } else if (shape.length > 0) {
    const auto* ansi = reinterpret_cast<const char*>(bytes);
    const int ansiLength = static_cast<int>(shape.length);
    text.resize(MultiByteToWideChar(CP_ACP, 0, ansi, ansiLength, nullptr, 0));
    MultiByteToWideChar(CP_ACP, 0, ansi, ansiLength, text.data(), static_cast<int>(text.size()));
  }
  GlobalUnlock(commands);
  return U8(text);
}

// The answer hands the client's own handle or item atom back to it.
void Acknowledge(HWND client, HWND server, bool accepted, UINT_PTR handleOrItem) {
  const LPARAM packed = PackDDElParam(WM_DDE_ACK, accepted ? kAccepted : 0, handleOrItem);
  if (!PostMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(server), packed)) FreeDDElParam(WM_DDE_ACK, packed);
}

void Terminate(HWND client, HWND server) {
  PostMessageW(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(server), 0);
}

}  // namespace

DdeLink::DdeLink() = default;

DdeLink::~DdeLink() { Destroy(); }

bool DdeLink::Open(const std::wstring& service, const std::wstring& topic) {
  Close();
  if (!RegisterClassOnce(kClassName)) return false;
  service_ = service;
  topic_ = topic;
  // Unowned and top-level: a broadcast WM_DDE_INITIATE reaches only those.
  return CreateHostWindow(WS_EX_TOOLWINDOW, kClassName, topic, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
}

void DdeLink::Close() { Destroy(); }

void DdeLink::EndConversations() {
  for (HWND client : partners_) {
    // A client whose execute is still being reported gets its answer first.
    if (std::find(executing_.begin(), executing_.end(), client) == executing_.end()) Terminate(client, hWnd());
  }
  partners_.clear();
}

bool DdeLink::IsPartner(HWND client) const {
  return std::find(partners_.begin(), partners_.end(), client) != partners_.end();
}

void DdeLink::Forget(HWND client) { std::erase(partners_, client); }

LRESULT DdeLink::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto client = reinterpret_cast<HWND>(wParam);
  switch (msg) {
    case WM_DDE_INITIATE:
      Initiate(client, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DDE_EXECUTE:
      Execute(client, reinterpret_cast<HGLOBAL>(lParam));
      return 0;
    case WM_DDE_TERMINATE:
      if (IsPartner(client)) {
        Forget(client);
        Terminate(client, hWnd());
      }
      return 0;
    case WM_DESTROY:
      EndConversations();
      return Window::WndProc(msg, wParam, lParam);
    case WM_DDE_REQUEST:
    case WM_DDE_UNADVISE:
    case WM_DDE_ADVISE:
    case WM_DDE_POKE: {
      UINT_PTR data = 0;
      UINT_PTR item = HIWORD(lParam);
      if (msg == WM_DDE_ADVISE || msg == WM_DDE_POKE) {
        UnpackDDElParam(msg, lParam, &data, &item);
        FreeDDElParam(msg, lParam);
      }
      Acknowledge(client, hWnd(), false, item);
      return 0;
    }
    default:
      return Window::WndProc(msg, wParam, lParam);
  }
}

void DdeLink::Initiate(HWND client, ATOM service, ATOM topic) {
  if (!client || client == hWnd()) return;
  // A zero atom asks for any service or any topic.
  if ((service && !AtomNames(service, service_)) || (topic && !AtomNames(topic, topic_))) return;
  const ATOM replyService = GlobalAddAtomW(service_.c_str());
  const ATOM replyTopic = GlobalAddAtomW(topic_.c_str());
  // Clients that ended without a goodbye.
  std::erase_if(partners_, [](HWND partner) { return !IsWindow(partner); });
  if (!IsPartner(client)) partners_.push_back(client);
  const LifeWatch life = life_.Watch();
  DWORD_PTR ignored = 0;
  // Sent, not posted, as the protocol asks; the client takes over the atoms.
  const bool delivered =
      SendMessageTimeoutW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(hWnd()), MAKELPARAM(replyService, replyTopic),
                          SMTO_ABORTIFHUNG, initiateAnswerWaitMs_, &ignored);
  if (delivered) return;
  // A client still taking the answer when the wait ends goes on with the
  // conversation and owns the atoms (a DDEML client tells its other
  // instances before it returns); only one that has gone is forgotten.
  if (IsWindow(client)) return;
  GlobalDeleteAtom(replyService);
  GlobalDeleteAtom(replyTopic);
  if (life.Alive()) Forget(client);
}

void DdeLink::Execute(HWND client, HGLOBAL commands) {
  const HWND self = hWnd();
  const auto handle = reinterpret_cast<UINT_PTR>(commands);
  const std::optional<std::string> command = IsPartner(client) ? CommandText(commands, maxCommandBytes_) : std::nullopt;
  if (!command) {
    Acknowledge(client, self, false, handle);
    return;
  }
  bool cancel = true;
  const LifeWatch life = life_.Watch();
  executing_.push_back(client);
  Raise(events_.LinkExecute, *command, cancel);
  const bool conversationLasts = life.Alive() && hWnd() == self;
  if (life.Alive()) executing_.erase(std::find(executing_.begin(), executing_.end(), client));
  Acknowledge(client, self, !cancel, handle);
  if (!conversationLasts) Terminate(client, self);
}

std::wstring ExecutableBaseName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
  const std::size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace vorn2
