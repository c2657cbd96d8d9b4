#include "framework/win/DdeLink.h"

#include <ddeml.h>

#include <array>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "framework/DdeLinkText.h"
#include "framework/Notify.h"
#include "framework/win/WinText.h"

namespace vorn2 {
namespace {

class DdeInstance {
 public:
  DdeInstance() = default;
  ~DdeInstance() {
    if (id_) DdeUninitialize(id_);
  }
  DdeInstance(const DdeInstance&) = delete;
  DdeInstance& operator=(const DdeInstance&) = delete;
  bool Initialize(PFNCALLBACK callback, DWORD flags) { return DdeInitializeW(&id_, callback, flags, 0) == DMLERR_NO_ERROR; }
  DWORD id() const { return id_; }

 private:
  DWORD id_ = 0;
};

class DdeString {
 public:
  DdeString() = default;
  ~DdeString() {
    if (hsz_) DdeFreeStringHandle(instance_, hsz_);
  }
  DdeString(const DdeString&) = delete;
  DdeString& operator=(const DdeString&) = delete;
  bool Create(DWORD instance, const std::wstring& text) {
    instance_ = instance;
    hsz_ = DdeCreateStringHandleW(instance, text.c_str(), CP_WINUNICODE);
    return hsz_ != nullptr;
  }
  HSZ get() const { return hsz_; }
  bool Names(HSZ other) const { return other && DdeCmpStringHandles(hsz_, other) == 0; }

 private:
  DWORD instance_ = 0;
  HSZ hsz_ = nullptr;
};

std::wstring CommandText(HDDEDATA data) {
  std::vector<unsigned char> bytes(DdeGetData(data, nullptr, 0, 0));
  if (bytes.empty()) return {};
  bytes.resize(DdeGetData(data, bytes.data(), static_cast<DWORD>(bytes.size()), 0));
  const DdeTextShape shape = DetectDdeText(bytes);
  std::wstring text;
  if (shape.form == DdeTextForm::Utf16) {
    text.resize(shape.length);
    std::memcpy(text.data(), bytes.data(), shape.length * sizeof(wchar_t));
  } else if (shape.length > 0) {
    const auto* ansi = reinterpret_cast<const char*>(bytes.data());
    const int ansiLength = static_cast<int>(shape.length);
    text.resize(MultiByteToWideChar(CP_ACP, 0, ansi, ansiLength, nullptr, 0));
    MultiByteToWideChar(CP_ACP, 0, ansi, ansiLength, text.data(), static_cast<int>(text.size()));
  }
  return text;
}

}  // namespace

struct DdeLink::Server {
  ~Server() { Unregister(); }
  void Unregister() {
    if (registered) DdeNameService(instance.id(), service.get(), nullptr, DNS_UNREGISTER);
    registered = false;
  }
  HDDEDATA Callback(UINT type, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data);

  // Members go in reverse: the strings before the instance they belong to.
  DdeInstance instance;
  DdeString service;
  DdeString topic;
  bool registered = false;
  DdeLink* owner = nullptr;  // null once the link has closed
  int running = 0;           // executes being reported right now
};

namespace {

// Never destroyed: ending DDEML instances while the process exits is pointless.
std::array<std::unique_ptr<DdeLink::Server>, DdeLink::kMaxOpenLinks>& Slots() {
  static auto* slots = new std::array<std::unique_ptr<DdeLink::Server>, DdeLink::kMaxOpenLinks>();
  return *slots;
}

template <int Slot>
HDDEDATA CALLBACK SlotCallback(UINT type, UINT, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR,
                               ULONG_PTR) {
  DdeLink::Server* server = Slots()[Slot].get();
  if (!server) return type == XTYP_EXECUTE ? reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED) : nullptr;
  return server->Callback(type, conv, hsz1, hsz2, data);
}

template <std::size_t... Slot>
constexpr std::array<PFNCALLBACK, sizeof...(Slot)> MakeCallbacks(std::index_sequence<Slot...>) {
  return {&SlotCallback<static_cast<int>(Slot)>...};
}
constexpr auto kCallbacks = MakeCallbacks(std::make_index_sequence<DdeLink::kMaxOpenLinks>());

// Ends the instances of links closed inside their own execute, once no
// report of theirs is running.
void CALLBACK RetireClosedServers(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  bool waiting = false;
  for (auto& slot : Slots()) {
    if (!slot || slot->owner) continue;
    if (slot->running == 0) {
      slot.reset();
    } else {
      waiting = true;
    }
  }
  if (waiting) SetTimer(nullptr, 0, 0, RetireClosedServers);
}

}  // namespace

HDDEDATA DdeLink::Server::Callback(UINT type, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
  const auto notProcessed = reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(owner && topic.Names(hsz1) && service.Names(hsz2)));
    case XTYP_WILDCONNECT: {
      if (!owner || (hsz1 && !topic.Names(hsz1)) || (hsz2 && !service.Names(hsz2))) return nullptr;
      HSZPAIR pairs[2] = {{service.get(), topic.get()}, {nullptr, nullptr}};
      return DdeCreateDataHandle(instance.id(), reinterpret_cast<LPBYTE>(pairs), sizeof(pairs), 0, nullptr, 0, 0);
    }
    case XTYP_EXECUTE: {
      if (!owner || !topic.Names(hsz1)) return notProcessed;
      const std::string command = U8(CommandText(data));
      bool cancel = true;
      ++running;
      owner->Execute(command, cancel);  // may close the link: this server stays until the timer
      --running;
      return cancel ? notProcessed : reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    default:
      return nullptr;
  }
}

DdeLink::DdeLink() = default;

DdeLink::~DdeLink() { Close(); }

bool DdeLink::Open(const std::wstring& service, const std::wstring& topic) {
  Close();
  auto& slots = Slots();
  std::size_t slot = 0;
  while (slot < slots.size() && slots[slot]) ++slot;
  if (slot == slots.size()) return false;

  slots[slot] = std::make_unique<Server>();
  Server& server = *slots[slot];
  const DWORD flags = APPCLASS_STANDARD | APPCMD_FILTERINITS | CBF_FAIL_ADVISES | CBF_FAIL_POKES |
                      CBF_FAIL_REQUESTS | CBF_SKIP_ALLNOTIFICATIONS;
  if (!server.instance.Initialize(kCallbacks[slot], flags) || !server.service.Create(server.instance.id(), service) ||
      !server.topic.Create(server.instance.id(), topic)) {
    slots[slot].reset();
    return false;
  }
  server.owner = this;
  server.registered = DdeNameService(server.instance.id(), server.service.get(), nullptr, DNS_REGISTER) != nullptr;
  if (!server.registered) {
    slots[slot].reset();
    return false;
  }
  server_ = &server;
  return true;
}

void DdeLink::Close() {
  if (!server_) return;
  Server* server = std::exchange(server_, nullptr);
  server->owner = nullptr;
  for (auto& slot : Slots()) {
    if (slot.get() != server) continue;
    if (server->running == 0) {
      slot.reset();
    } else {
      server->Unregister();
      SetTimer(nullptr, 0, 0, RetireClosedServers);
    }
  }
}

void DdeLink::Execute(const std::string& command, bool& cancel) { Raise(events_.LinkExecute, command, cancel); }

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
