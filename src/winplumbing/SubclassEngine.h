// The message subclasser's logic: window registry, message tables, routing
// and failure messages. CSubclass (win/) binds it to user32 and its owner.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "framework/HookRouter.h"
#include "winplumbing/MsgTable.h"

namespace vorn2::subclass {

// One element of ssc_DelMsg's message list; only the integer kinds count.
using MsgListItem = std::variant<std::int32_t, std::int16_t, std::uint8_t, double, std::string>;

// "h" followed by the handle in signed decimal.
std::string RegistryKey(WinHandle hWnd);

// The owner's WindowProc notification.
struct SubclassOwnerLink {
  std::function<bool()> callable;
  std::function<void(bool bBefore, bool& bHandled, Result& lReturn, WinHandle hWnd, std::uint32_t uMsg,
                     WParam wParam, LParam lParam, LParam& lParamUser)>
      notify;
};

class SubclassRecord final : public HookRecord {
 public:
  MsgTable before;
  MsgTable after;
  LParam lParamUser = 0;
  SubclassOwnerLink owner;

  bool OwnerCallable() override;
  Result Process(HookRouter& router, WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam) override;
  void OnDetached() override;
};

class SubclassEngine {
 public:
  using Logger = std::function<void(const std::string& text)>;

  SubclassEngine(HookRouter& router, Logger log) : router_(router), log_(std::move(log)) {}
  ~SubclassEngine() { ssc_Terminate(); }
  SubclassEngine(const SubclassEngine&) = delete;
  SubclassEngine& operator=(const SubclassEngine&) = delete;

  void SetOwner(SubclassOwnerLink owner) { owner_ = std::move(owner); }

  bool ssc_Subclass(WinHandle hWnd, LParam lParamUser, int nOrdinal, bool bIdeSafety, bool& bUnicode,
                    bool bIsAPIwindow);
  void ssc_UnSubclass(WinHandle hWnd);
  void ssc_Terminate();
  void ssc_AddMsg(WinHandle hWnd, std::int32_t uMsg, int When);
  void ssc_DelMsg(WinHandle hWnd, int When, const std::vector<MsgListItem>& Messages);
  Result ssc_CallOrigWndProc(WinHandle hWnd, std::uint32_t uMsg, WParam wParam, LParam lParam);
  void zSet_lParamUser(WinHandle hWnd_Hook_ID, LParam NewValue);
  LParam zGet_lParamUser(WinHandle hWnd_Hook_ID);

  // For tests: whether the registry exists and how many keys it holds.
  bool HasRegistry() const { return registry_.has_value(); }
  std::size_t RegistrySize() const { return registry_ ? registry_->size() : 0; }
  // The live record of a window, nullptr when none.
  std::shared_ptr<SubclassRecord> RecordOf(WinHandle hWnd) const;

 private:
  using Registry = std::vector<std::pair<std::string, std::weak_ptr<SubclassRecord>>>;

  void Log(const std::string& routine, const std::string& message);
  // zMap_VFunction: the window's record or nullptr (logging as specified).
  std::shared_ptr<SubclassRecord> Find(WinHandle hWnd, bool logMissingKey);
  Registry::iterator KeyOf(const std::string& key);

  HookRouter& router_;
  Logger log_;
  SubclassOwnerLink owner_;
  std::optional<Registry> registry_;  // insertion order, walked backwards by ssc_Terminate
};

}  // namespace vorn2::subclass
